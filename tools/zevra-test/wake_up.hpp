#pragma once
// The bound of every wait, as a POSIX timer on the monotonic clock that
// raises SIGALRM, read from the run's signalfd with the other signals. It is
// set again only when a wait must end before the time it is set for, or after
// it went off: a run of quick tests sets it a few times in all, where a poll
// with a time-out arms and cancels a kernel timer on every wait.

#include <time.h>

#include <chrono>
#include <optional>

namespace zevra_test {

class WakeUp {
 public:
  using Clock = std::chrono::steady_clock;  // CLOCK_MONOTONIC
  // No timer when the system gives none; waits then take a time-out.
  static std::optional<WakeUp> create();
  WakeUp(WakeUp&& other) noexcept;
  WakeUp& operator=(WakeUp&&) = delete;
  ~WakeUp();

  // Whether SIGALRM is sure to come by `when` (at once if it has passed).
  bool by(Clock::time_point when);
  // SIGALRM came: nothing is set any more.
  void rang() { set_for_.reset(); }

 private:
  explicit WakeUp(timer_t id) : id_(id) {}
  timer_t id_{};
  bool owned_ = true;
  std::optional<Clock::time_point> set_for_;
};

}  // namespace zevra_test
