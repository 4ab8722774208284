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
#include "norvi/client/results/readout_mitigation.hpp"
#include "norvi/core/device/device.hpp"

namespace norvi::client {

// One download's result, made whole and never changed afterwards.
struct DeviceConfig {
  core::Device device;
  // Per-qubit readout fidelities; none when the document has none usable.
  std::optional<ReadoutCalibration> readout_calibration;
};

// The device model described by a configuration document for the device `name` (its device code).
// Pure: reads its own copy of the value. Errors: Json (the document does not decode), InvalidInput
// ("config JSON missing 'overview' section", "failed to build topology: {}", ...).
Result<core::Device> device_from_config(std::string_view name, const json::Value& value);

// The current configuration of a superconducting device: one authenticated GET with the usual retry
// rules. Other device classes fail with InvalidInput before anything is sent. A `data` text holding
// the document is read as the document; it must be JSON, else Json with the parser's position.
Result<DeviceConfig> download_device_config(PlatformClient& client, std::string_view name);

}  // namespace norvi::client
