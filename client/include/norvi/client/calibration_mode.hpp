#pragma once
// The readout-error mitigation policy of a submission, and the decision whether mitigation applies to
// a device. The decision is made at submission (to refuse impossible requests) and again when results
// are fetched.

#include <cstdint>
#include <optional>
#include <string_view>

#include "norvi/client/error.hpp"

namespace norvi::client {

enum class CalibrationMode : std::uint8_t { Auto = 0, Enabled = 1, Disabled = 2 };

// "auto", "enabled", "disabled".
std::string_view calibration_mode_text(CalibrationMode mode) noexcept;

// Exactly one of the three texts (case-sensitive, no trimming), else none.
std::optional<CalibrationMode> parse_calibration_mode(std::string_view text) noexcept;

// Whether readout-error mitigation applies: DeviceNotFound for a name that is no platform device code,
// InvalidInput when Enabled is asked of a device without readout calibration. Sends nothing.
Result<bool> resolve_readout_calibration(CalibrationMode mode, std::string_view device_name);

}  // namespace norvi::client
