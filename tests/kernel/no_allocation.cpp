// The kernel never allocates: every global operator new of this runner is
// counted, and each operation is run between two readings of the count.
#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

#include "kernel_units.hpp"
#include "zevra_kernel/kernel.hpp"

namespace {

std::atomic<std::size_t> allocations{0};

void* counted(std::size_t size, std::size_t alignment) {
  allocations.fetch_add(1, std::memory_order_relaxed);
  if (size == 0) size = 1;
  if (alignment <= alignof(std::max_align_t)) return std::malloc(size);
  return std::aligned_alloc(alignment, (size + alignment - 1) / alignment * alignment);
}

void* orAbort(void* p) {
  if (p == nullptr) std::abort();  // built without exceptions: no bad_alloc
  return p;
}

}  // namespace

void* operator new(std::size_t n) { return orAbort(counted(n, 0)); }
void* operator new[](std::size_t n) { return orAbort(counted(n, 0)); }
void* operator new(std::size_t n, std::align_val_t a) {
  return orAbort(counted(n, static_cast<std::size_t>(a)));
}
void* operator new[](std::size_t n, std::align_val_t a) {
  return orAbort(counted(n, static_cast<std::size_t>(a)));
}
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return counted(n, 0); }
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return counted(n, 0); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace kernel_units {

using namespace zevra_kernel;
using zevra_harness::expect;

Status noAllocation() {
  // The counter itself must work, or the check below proves nothing.
  const std::size_t probe = allocations.load();
  // A direct call: a new-expression may be elided by the compiler.
  void* volatile block = ::operator new(16);
  ::operator delete(block);
  ZEVRA_TRY(expect(allocations.load() == probe + 1));

  const std::size_t before = allocations.load();
  volatile double sink = 0;
  const HomVec4 p = HomVec4::init(1, 2, 3, 4);
  const HomVec4 q = HomVec4::init(0, 0, 0, 0);
  sink = sink + p.cartesian3()[0] + q.cartesian3()[0] + p.normalize().x + q.normalize().w;
  sink = sink + HomVec4::dot(p, q) + (p.isSamePoint(q, 1e-8) ? 1 : 0) +
         (p.isAntipodalTo(p, 1e-8) ? 1 : 0) + static_cast<double>(p.pickBestCard());
  sink = sink + fsDistance(p, q) + fsDistance(p, p) + sFromW(wFromDistance(1, 2), 2) +
         cordicInvSqrt(sink + 2);
  sink =
      sink + simdNormalize3(f32x4(1, 2, 3, 4))[0] + simdDot4(f32x4(1, 2, 3, 4), f32x4(1, 1, 1, 1));
  const PGL4 m = PGL4::mul(pglRotateZ(sink), PGL4::mul(pglScale(2, 3, 4), pglTranslate(1, 2, 3)));
  sink = sink + m.apply(p).x + m.transpose().det() + m.normalizeDet().data[0] +
         m.inverse(1e-10, 15).data[0] + PGL4::identity().inverse(0, 0).data[5];
  sink = sink + computeResonance(m).data[1] + computeProjector(m, 1e-8).data[2] +
         computeProjector(PGL4{}, 0).data[3] + deformedTensorProduct(m, m, 0.5).data[4];
  ZEVRA_TRY(expect(allocations.load() == before));
  return {};
}

}  // namespace kernel_units
