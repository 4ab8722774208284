#pragma once
// When a device was calibrated: a date-time without offset, read from its one text form
// "YYYY-MM-DD hh:mm:ss" (2024-05-01 08:30:00). The standard library of this toolchain has no
// chrono::parse, so the form is read by a small strict parser here.

#include <chrono>
#include <optional>
#include <string_view>

namespace norvi::core {

using CalibrationTime = std::chrono::local_seconds;

// A four-digit year, two-digit month, day, hour (00-23), minute and second with "-", " " and ":"
// between them; the whole text must match and the date must exist. None otherwise.
std::optional<CalibrationTime> parse_calibration_time(std::string_view text) noexcept;

}  // namespace norvi::core
