#include "wake_up.hpp"

#include <signal.h>

#include <algorithm>
#include <cstdint>

namespace zevra_test {

std::optional<WakeUp> WakeUp::create() {
  sigevent event{};
  event.sigev_notify = SIGEV_SIGNAL;
  event.sigev_signo = SIGALRM;
  timer_t id{};
  if (::timer_create(CLOCK_MONOTONIC, &event, &id) != 0) return std::nullopt;
  return WakeUp(id);
}

WakeUp::WakeUp(WakeUp&& other) noexcept : id_(other.id_), set_for_(other.set_for_) {
  other.owned_ = false;
}

WakeUp::~WakeUp() {
  if (owned_) (void)::timer_delete(id_);
}

bool WakeUp::by(Clock::time_point when) {
  if (set_for_ && *set_for_ <= when) return true;
  // A time of 0 would disarm the timer: the earliest one it takes instead.
  const std::int64_t ns = std::max<std::int64_t>(
      std::chrono::duration_cast<std::chrono::nanoseconds>(when.time_since_epoch()).count(), 1);
  itimerspec setting{};
  setting.it_value.tv_sec = static_cast<time_t>(ns / 1'000'000'000);
  setting.it_value.tv_nsec = static_cast<long>(ns % 1'000'000'000);
  if (::timer_settime(id_, TIMER_ABSTIME, &setting, nullptr) != 0) return false;
  set_for_ = when;
  return true;
}

}  // namespace zevra_test
