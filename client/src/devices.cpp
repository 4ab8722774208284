#include "norvi/client/devices.hpp"

namespace norvi::client {

std::string_view device_type_text(DeviceType type) noexcept {
  switch (type) {
    case DeviceType::Superconducting: return "superconducting";
    case DeviceType::Photonic: return "photonic";
    case DeviceType::IonTrap: return "ion_trap";
    case DeviceType::Simulator: return "simulator";
  }
  return "superconducting";
}

// Byte comparisons, case-sensitive, the longer prefixes after the shorter ones they extend.
std::optional<DeviceType> classify_device_code(std::string_view code) noexcept {
  if (!code.starts_with("brevora")) return std::nullopt;
  if (code.starts_with("brevora_")) return DeviceType::Simulator;
  if (code.starts_with("brevora-p")) return DeviceType::Photonic;
  if (code.starts_with("brevora-ion")) return DeviceType::IonTrap;
  return DeviceType::Superconducting;
}

DeviceStatus DeviceStatus::from_code(std::int64_t code) noexcept {
  // Compared unsigned, so negative codes fall outside the known range.
  if (static_cast<std::uint64_t>(code) <= 4) return {static_cast<DeviceStatusKind>(code), code};
  return {DeviceStatusKind::Unknown, code};
}

std::string_view device_status_text(DeviceStatusKind kind) noexcept {
  switch (kind) {
    case DeviceStatusKind::Running: return "running";
    case DeviceStatusKind::Calibration: return "calibration";
    case DeviceStatusKind::UnderMaintenance: return "under_maintenance";
    case DeviceStatusKind::Offline: return "offline";
    case DeviceStatusKind::Upgrading: return "upgrading";
    case DeviceStatusKind::Unknown: return "unknown";
  }
  return "unknown";
}

DeviceToll DeviceToll::from_code(std::optional<std::int64_t> code) noexcept {
  const std::int64_t raw = code.value_or(0);
  switch (raw) {
    case 1: return {DeviceTollKind::Free, raw};
    case 2: return {DeviceTollKind::Paid, raw};
    default: return {DeviceTollKind::Unknown, raw};
  }
}

std::string_view device_toll_text(DeviceTollKind kind) noexcept {
  switch (kind) {
    case DeviceTollKind::Free: return "free";
    case DeviceTollKind::Paid: return "paid";
    case DeviceTollKind::Unknown: return "unknown";
  }
  return "unknown";
}

}  // namespace norvi::client
