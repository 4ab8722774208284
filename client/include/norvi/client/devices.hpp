#pragma once
// What the platform says about a device: its class (decided from the device code by the one rule
// below), its operational status and its pricing model. Status and toll keep the platform's raw code.

#include <cstdint>
#include <optional>
#include <string_view>

namespace norvi::client {

enum class DeviceType : std::uint8_t { Superconducting = 0, Photonic = 1, IonTrap = 2, Simulator = 3 };

// "superconducting", "photonic", "ion_trap", "simulator".
std::string_view device_type_text(DeviceType type) noexcept;

// The class of the device a code names, or none when the code names no platform device. Every part
// of the client that asks "is this a platform device, and of which class" asks this function.
std::optional<DeviceType> classify_device_code(std::string_view code) noexcept;

enum class DeviceStatusKind : std::uint8_t { Running, Calibration, UnderMaintenance, Offline, Upgrading, Unknown };

struct DeviceStatus {
  DeviceStatusKind kind = DeviceStatusKind::Unknown;
  std::int64_t raw_code = 0;  // the value received, for every kind

  // Codes 0 to 4 are the known kinds; every other value, negative ones included, is Unknown.
  static DeviceStatus from_code(std::int64_t code) noexcept;

  // The same kind; two Unknown statuses only with the same raw code.
  bool operator==(const DeviceStatus& other) const noexcept {
    return kind == other.kind && (kind != DeviceStatusKind::Unknown || raw_code == other.raw_code);
  }
};

// "running", "calibration", "under_maintenance", "offline", "upgrading", "unknown".
std::string_view device_status_text(DeviceStatusKind kind) noexcept;

enum class DeviceTollKind : std::uint8_t { Free, Paid, Unknown };

struct DeviceToll {
  DeviceTollKind kind = DeviceTollKind::Unknown;
  std::int64_t raw_code = 0;  // the value received; 0 when the platform sent none

  // 1 is Free, 2 Paid, anything else (no code at all included) Unknown.
  static DeviceToll from_code(std::optional<std::int64_t> code) noexcept;

  // The same kind; two Unknown tolls only with the same raw code.
  bool operator==(const DeviceToll& other) const noexcept {
    return kind == other.kind && (kind != DeviceTollKind::Unknown || raw_code == other.raw_code);
  }
};

// "free", "paid", "unknown".
std::string_view device_toll_text(DeviceTollKind kind) noexcept;

}  // namespace norvi::client
