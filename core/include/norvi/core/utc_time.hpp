#pragma once
// Moments in UTC, the system's real-time clock, and their one text form.

#include <chrono>
#include <string>

namespace norvi::core {

// A UTC date-time with nanosecond precision (offset +00:00:00).
using UtcTime = std::chrono::sys_time<std::chrono::nanoseconds>;

// The system's real-time clock, now.
UtcTime utc_now();

// "2026-12-08 9:05:03.5 +00:00:00": the year with at least four digits ("-" before a negative one),
// month and day with two, the hour unpadded, minutes and seconds with two, the nanoseconds as nine
// digits without trailing zeros (one digit at least), then the zero offset.
std::string utc_time_text(UtcTime time);

}  // namespace norvi::core
