#pragma once
// The two clocks of the platform client: the wall clock that stamps and ages access tokens, and the
// sleep of the retry loop. A client holds them as a value so that tests can replace both.

#include <chrono>
#include <cstdint>
#include <functional>

namespace norvi::client {

struct Clock {
  // Whole seconds since the UNIX epoch; 0 when the clock reads earlier than the epoch.
  std::function<std::int64_t()> wall_seconds;
  // Blocks the calling thread for the given time.
  std::function<void(std::chrono::seconds)> sleep;
};

// The system's wall clock and monotonic sleep.
Clock system_clock();

// The wall clock as whole seconds since the UNIX epoch, 0 before it.
std::int64_t wall_clock_seconds() noexcept;

// Sleeps on the monotonic clock for the whole time: a sleep interrupted by a signal goes on with the
// time that is left.
void sleep_monotonic(std::chrono::seconds duration) noexcept;

}  // namespace norvi::client
