#pragma once
// A superconducting backend's device configuration: downloaded from the platform, converted into the
// device model, with the readout fidelities the document carries.
//
//   auto config = download_device_config(client, "brevora311");   // the device and its readout data
//   config->device.num_qubits();                                  // out-of-service qubits included

#include <optional>
#include <string_view>

#include "norvi/client/error.hpp"
#include "norvi/client/json/value.hpp"
#include "norvi/client/platform_client.hpp"
#include "norvi/client/device_config_document.hpp"
#include "norvi/client/readout_calibration.hpp"
#include "norvi/core/device/device.hpp"

namespace norvi::client {

// One download's result, made whole and never changed afterwards.
struct DeviceConfig {
  core::Device device;
  // Per-qubit readout fidelities; none when the document has none usable.
  std::optional<ReadoutCalibration> readout_calibration;
};

// The device model described by a configuration document for the device `name` (its device code).
// Errors: InvalidInput ("config JSON missing 'overview' section", "failed to build topology: {}", ...).
Result<core::Device> device_from_document(std::string_view name, const RawConfig& config);

// The same from a generic value, decoded first (Json when it does not decode). Pure: reads its own copy.
Result<core::Device> device_from_config(std::string_view name, const json::Value& value);

// The readout fidelities of a document; none when its readout tables are missing or a table's two
// lists differ in length. Never an error.
std::optional<ReadoutCalibration> readout_calibration_from_document(const RawConfig& config);

// The same from a generic value; a value that does not decode has none.
std::optional<ReadoutCalibration> readout_calibration_from_config(const json::Value& config);

// The current configuration of a superconducting device: one authenticated GET with the usual retry
// rules. Other device classes fail with InvalidInput before anything is sent. A `data` text holding
// the document is read as the document; it must be JSON, else Json with the parser's position.
Result<DeviceConfig> download_device_config(PlatformClient& client, std::string_view name);

}  // namespace norvi::client
