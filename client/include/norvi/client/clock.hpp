#pragma once
// The clocks of the platform client: the wall clock that stamps and ages access tokens, the sleep of
// the retry loop, and the monotonic clock with its finer sleep that time the result polling. A client
// holds them as a value so that tests can replace them; the monotonic pair defaults to the system's.

#include <chrono>
#include <cstdint>
#include <functional>

namespace norvi::client {

std::chrono::nanoseconds monotonic_clock_now() noexcept;
void sleep_monotonic(std::chrono::nanoseconds duration) noexcept;

struct Clock {
  // Whole seconds since the UNIX epoch; 0 when the clock reads earlier than the epoch.
  std::function<std::int64_t()> wall_seconds;
  // Blocks the calling thread for the given time.
  std::function<void(std::chrono::seconds)> sleep;
  // Time on a clock that never goes back, from an arbitrary origin.
  std::function<std::chrono::nanoseconds()> monotonic_now = &monotonic_clock_now;
  // Blocks the calling thread for the given time, measured on the monotonic clock.
  std::function<void(std::chrono::nanoseconds)> sleep_for = &sleep_monotonic;
};

// The system's wall clock and monotonic sleep.
Clock system_clock();

// The wall clock as whole seconds since the UNIX epoch, 0 before it.
std::int64_t wall_clock_seconds() noexcept;

// sleep_monotonic (declared above) sleeps on the monotonic clock for the whole time: a sleep
// interrupted by a signal goes on with the time that is left. monotonic_clock_now reads that clock.

}  // namespace norvi::client
