#pragma once
// The locks of the portable part. Unlike the rest of platform/, they come
// with the standard library rather than from a platform folder: its own
// where it has threads, and where it has none (WASI's libc++) a lock that
// does nothing, since no second thread can exist. Whether it has them is
// what it says of itself through <version>.

#include <version>

#if defined(__cpp_lib_shared_mutex)
#include <mutex>

namespace zevra_harness::detail {

using Mutex = std::mutex;
using RecursiveMutex = std::recursive_mutex;
template <typename M>
using LockGuard = std::lock_guard<M>;

}  // namespace zevra_harness::detail

#else

namespace zevra_harness::detail {

class Mutex {
 public:
  constexpr Mutex() = default;
  void lock() {}
  void unlock() {}
  bool try_lock() { return true; }
};
using RecursiveMutex = Mutex;

template <typename M>
class LockGuard {
 public:
  explicit LockGuard(M& m) : m_(m) { m_.lock(); }
  ~LockGuard() { m_.unlock(); }
  LockGuard(const LockGuard&) = delete;
  LockGuard& operator=(const LockGuard&) = delete;

 private:
  M& m_;
};

}  // namespace zevra_harness::detail

#endif
