// The configuration download: class check, one authenticated GET through the shared API road, the
// text payload read as the document, then the conversion into the device model and the readout
// fidelities, each read from the same document.

#include <string>
#include <string_view>

#include <fmt/format.h>

#include "norvi/client/api_call.hpp"
#include "norvi/client/device_config.hpp"
#include "norvi/client/devices.hpp"
#include "norvi/client/http/percent_encoding.hpp"
#include "norvi/client/json/decode.hpp"

namespace norvi::client {

namespace {

constexpr std::string_view kConfigPath = "/zelm-quantum/sdk/experiment/download/config";

}  // namespace

Result<DeviceConfig> download_device_config(PlatformClient& client, std::string_view name) {
  // Before any token use or request: only superconducting devices have a configuration.
  if (classify_device_code(name) != DeviceType::Superconducting)
    return fail(errors::InvalidInput{
        fmt::format("device configuration download is only supported for superconducting devices: {}", name)});

  // The name stays one path segment: a '/', '?', '#' or ".." in it must not reach another path.
  auto data = call_platform_api<json::Value>(client, http::Method::Get,
                                             fmt::format("{}/{}", kConfigPath, http::encode_path_segment(name)));
  if (!data) return fail(std::move(data.error()));
  json::Value document = std::move(*data);
  if (const auto text = document.as_string()) {
    auto parsed = json::parse(std::string(*text));
    if (!parsed) return fail(errors::Json{parsed.error().text()});
    document = std::move(*parsed);
  }

  auto device = device_from_config(name, document);
  if (!device) return fail(std::move(device.error()));
  return DeviceConfig{std::move(*device), readout_calibration_from_config(document)};
}

}  // namespace norvi::client
