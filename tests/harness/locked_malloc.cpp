// The C heap of the fault runner's locked-malloc variant: a small bump
// allocator behind one lock, standing in for the C library's (a static link
// takes the whole set of functions), so that a test can fault inside malloc
// with its lock held. A fault handler that called malloc (or free) would
// then wait for that lock forever.
#include <pthread.h>
#include <signal.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

constexpr std::size_t kHeader = 16;  // the block's size, kept before it
alignas(16) char heap[16 << 20];
std::size_t used = 0;
pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER;
volatile sig_atomic_t fault_next = 0;

void* allocate(std::size_t size, std::size_t align) {
  if (align < kHeader) align = kHeader;
  pthread_mutex_lock(&lock);
  if (fault_next != 0) *static_cast<volatile int*>(nullptr) = 1;  // with the lock held
  const std::size_t start = (used + kHeader + align - 1) / align * align;
  void* block = nullptr;
  if (start <= sizeof heap && size <= sizeof heap - start) {
    std::memcpy(heap + start - kHeader, &size, sizeof size);
    used = start + size;
    block = heap + start;
  }
  pthread_mutex_unlock(&lock);
  if (block == nullptr) errno = ENOMEM;
  return block;
}

std::size_t blockSize(void* p) {
  std::size_t size;
  std::memcpy(&size, static_cast<char*>(p) - kHeader, sizeof size);
  return size;
}

}  // namespace

// The next allocation faults while it holds the heap's lock.
void faultInNextMalloc() { fault_next = 1; }

extern "C" {
void* malloc(std::size_t size) { return allocate(size, kHeader); }
void free(void* p) {
  if (p == nullptr) return;
  pthread_mutex_lock(&lock);  // freed blocks are not reused; the lock is still taken
  pthread_mutex_unlock(&lock);
}
void* calloc(std::size_t n, std::size_t size) {
  if (size != 0 && n > SIZE_MAX / size) return nullptr;
  return allocate(n * size, kHeader);  // never reused, so still zero
}
void* realloc(void* p, std::size_t size) {
  void* fresh = allocate(size, kHeader);
  if (fresh != nullptr && p != nullptr) {
    const std::size_t old = blockSize(p);
    std::memcpy(fresh, p, old < size ? old : size);
  }
  return fresh;
}
void* aligned_alloc(std::size_t align, std::size_t size) { return allocate(size, align); }
void* memalign(std::size_t align, std::size_t size) { return allocate(size, align); }
void* valloc(std::size_t size) { return allocate(size, 4096); }
void* pvalloc(std::size_t size) { return allocate((size + 4095) / 4096 * 4096, 4096); }
int posix_memalign(void** out, std::size_t align, std::size_t size) {
  void* p = allocate(size, align);
  if (p == nullptr) return ENOMEM;
  *out = p;
  return 0;
}
std::size_t malloc_usable_size(void* p) { return p == nullptr ? 0 : blockSize(p); }
}
