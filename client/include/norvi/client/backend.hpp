#pragma once
// The platform's list of devices, and the backend record made from each platform device in it.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "norvi/client/devices.hpp"
#include "norvi/client/error.hpp"
#include "norvi/symbolic/poisonable_lock.hpp"

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

// A backend's configuration, empty until first needed and then kept for the life of the backend. The
// mutex is held for the whole download (so that one download fills it) and only to read or fill it
// otherwise, never while the caller works with the configuration. A failure while it is held (the
// download running out of memory) poisons it for the life of the backend.
class DeviceConfigCache {
 public:
  using Download = std::function<Result<DeviceConfig>()>;

  // The cached configuration, after `download` when the cache is empty. A failed download leaves the
  // cache empty for the next call; a poisoned mutex is InvalidInput "cached_config mutex poisoned".
  Result<std::shared_ptr<const DeviceConfig>> get(const Download& download);

  bool empty() const;

 private:
  mutable symbolic::PoisonableLock<std::shared_ptr<const DeviceConfig>> config_;
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

// The first backend of a fresh listing whose device code equals `name` byte for byte; DeviceNotFound
// carrying the name when there is none.
Result<BackendRecord> find_device(const std::shared_ptr<PlatformClient>& client, std::string name);

// The backend's configuration from its cache, downloaded on first use.
Result<std::shared_ptr<const DeviceConfig>> cached_device_config(const BackendRecord& backend);

}  // namespace norvi::client
