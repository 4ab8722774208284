#include "norvi/client/clock.hpp"

#include <time.h>

#include <cerrno>
#include <limits>

namespace norvi::client {

std::int64_t wall_clock_seconds() noexcept {
  timespec now{};
  if (::clock_gettime(CLOCK_REALTIME, &now) != 0 || now.tv_sec < 0) return 0;
  return static_cast<std::int64_t>(now.tv_sec);
}

std::chrono::nanoseconds monotonic_clock_now() noexcept {
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

void sleep_monotonic(std::chrono::nanoseconds duration) noexcept {
  if (duration <= std::chrono::nanoseconds::zero()) return;
  timespec deadline{};
  ::clock_gettime(CLOCK_MONOTONIC, &deadline);
  // An absolute deadline makes a resumed sleep end when the first one would have.
  const auto whole = std::chrono::duration_cast<std::chrono::seconds>(duration).count();
  long nanos = deadline.tv_nsec + static_cast<long>((duration - std::chrono::seconds(whole)).count());
  time_t carry = 0;
  if (nanos >= 1'000'000'000L) {
    nanos -= 1'000'000'000L;
    carry = 1;
  }
  const auto room = std::numeric_limits<time_t>::max() - deadline.tv_sec - carry;
  if (whole >= room) {
    deadline.tv_sec = std::numeric_limits<time_t>::max();
  } else {
    deadline.tv_sec += static_cast<time_t>(whole) + carry;
    deadline.tv_nsec = nanos;
  }
  while (::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) == EINTR) {
  }
}

Clock system_clock() {
  return Clock{&wall_clock_seconds, [](std::chrono::seconds s) { sleep_monotonic(s); }, &monotonic_clock_now, &sleep_monotonic};
}

}  // namespace norvi::client
