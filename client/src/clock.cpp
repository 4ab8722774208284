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

void sleep_monotonic(std::chrono::seconds duration) noexcept {
  if (duration <= std::chrono::seconds::zero()) return;
  timespec deadline{};
  ::clock_gettime(CLOCK_MONOTONIC, &deadline);
  // An absolute deadline makes a resumed sleep end when the first one would have.
  const auto room = std::numeric_limits<time_t>::max() - deadline.tv_sec;
  deadline.tv_sec = duration.count() >= room ? std::numeric_limits<time_t>::max()
                                             : deadline.tv_sec + static_cast<time_t>(duration.count());
  while (::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) == EINTR) {
  }
}

Clock system_clock() { return Clock{&wall_clock_seconds, &sleep_monotonic}; }

}  // namespace norvi::client
