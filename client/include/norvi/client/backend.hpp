#pragma once
// The platform's list of devices, and the backend record made from each platform device in it.

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "norvi/client/devices.hpp"
#include "norvi/client/error.hpp"

namespace norvi::client {

class PlatformClient;

namespace json {
class Record;
template <typename T>
struct TypeTag;
}  // namespace json

// One entry of the list as the platform sends it: an object with these keys, or an array of exactly
// four elements in this order.
struct RawDevice {
  std::string code;
  std::optional<std::string> name;
  std::int64_t status = 0;
  std::optional<std::int64_t> is_toll;  // key `isToll`
};

// How an entry is decoded (for decoding the listing's answer outside the HTTP road).
const json::Record& json_record(json::TypeTag<RawDevice>);

// A backend's downloaded device configuration; its content comes with the configuration download.
struct DeviceConfig;

// Empty until the configuration is first needed; the mutex is held for the whole download (so that one
// download fills it) and only to read or fill it otherwise. A failure while it is held (the download
// running out of memory) poisons it for the life of the backend.
struct DeviceConfigCache {
  std::mutex mutex;
  bool poisoned = false;  // guarded by `mutex`
  std::shared_ptr<const DeviceConfig> config;
};

struct BackendRecord {
  std::string name;          // the device code: the device name of every later request
  std::string display_name;  // the entry's name when it has one (the empty one too), else the code
  DeviceType device_type = DeviceType::Superconducting;
  DeviceStatus status;
  DeviceToll toll;
  std::shared_ptr<PlatformClient> client;
  std::unique_ptr<DeviceConfigCache> cached_config;  // never null
};

// The record of one entry, or none when its code names no platform device.
std::optional<BackendRecord> map_raw_device(RawDevice entry, const std::shared_ptr<PlatformClient>& client);

// The platform devices of the platform's list, in its order; entries of other codes are left out.
// One malformed entry fails the whole listing.
Result<std::vector<BackendRecord>> list_devices(const std::shared_ptr<PlatformClient>& client);

}  // namespace norvi::client
