#pragma once
// The clocks of the platform client: the wall clock that stamps tokens and submissions, the monotonic
// clock that times the result polling, and the one sleep of the retry loop and the polling. A client
// holds them as a value so that tests can replace any of them; each defaults to the system's.

#include <chrono>
#include <cstdint>
#include <functional>

#include "norvi/core/utc_time.hpp"

namespace norvi::client {

std::chrono::nanoseconds monotonic_clock_now() noexcept;

// Sleeps on the monotonic clock for the whole time: a sleep interrupted by a signal goes on with the
// time that is left.
void sleep_monotonic(std::chrono::nanoseconds duration) noexcept;

// Whole seconds since the UNIX epoch of a moment; 0 for moments before the epoch.
std::int64_t whole_seconds_since_epoch(core::UtcTime time) noexcept;

struct Clock {
  // The wall clock, with nanosecond precision.
  std::function<core::UtcTime()> utc_now = &core::utc_now;
  // Time on a clock that never goes back, from an arbitrary origin.
  std::function<std::chrono::nanoseconds()> monotonic_now = &monotonic_clock_now;
  // Blocks the calling thread for the given time.
  std::function<void(std::chrono::nanoseconds)> sleep = &sleep_monotonic;

  // The wall clock in whole seconds since the UNIX epoch, 0 when it reads earlier than the epoch.
  std::int64_t wall_seconds() const { return whole_seconds_since_epoch(utc_now()); }
};

// The system's clocks.
inline Clock system_clock() { return Clock{}; }

}  // namespace norvi::client
