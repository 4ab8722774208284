#include "norvi/client/calibration_mode.hpp"

#include <string>

#include <fmt/format.h>

#include "norvi/client/devices.hpp"

namespace norvi::client {

std::string_view calibration_mode_text(CalibrationMode mode) noexcept {
  switch (mode) {
    case CalibrationMode::Auto: return "auto";
    case CalibrationMode::Enabled: return "enabled";
    case CalibrationMode::Disabled: return "disabled";
  }
  return "auto";
}

std::optional<CalibrationMode> parse_calibration_mode(std::string_view text) noexcept {
  for (auto mode : {CalibrationMode::Auto, CalibrationMode::Enabled, CalibrationMode::Disabled}) {
    if (text == calibration_mode_text(mode)) return mode;
  }
  return std::nullopt;
}

Result<bool> resolve_readout_calibration(CalibrationMode mode, std::string_view device_name) {
  // The name is classified first, so an unknown device is reported whatever the mode.
  const auto type = classify_device_code(device_name);
  if (!type) return fail(errors::DeviceNotFound{std::string(device_name)});
  const bool superconducting = *type == DeviceType::Superconducting;  // only these carry readout calibration
  switch (mode) {
    case CalibrationMode::Auto: return superconducting;
    case CalibrationMode::Enabled:
      if (!superconducting) {
        return fail(errors::InvalidInput{
            fmt::format("readout calibration is only supported for superconducting devices: {}", device_name)});
      }
      return true;
    case CalibrationMode::Disabled: return false;
  }
  return false;
}

}  // namespace norvi::client
