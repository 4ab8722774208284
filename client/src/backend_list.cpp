#include "norvi/client/backend.hpp"

namespace norvi::client {

std::optional<BackendRecord> map_raw_device(RawDevice entry, const std::shared_ptr<PlatformClient>& client) {
  const auto type = classify_device_code(entry.code);
  if (!type) return std::nullopt;
  BackendRecord record;
  record.display_name = entry.name ? std::move(*entry.name) : entry.code;
  record.name = std::move(entry.code);
  record.device_type = *type;
  record.status = DeviceStatus::from_code(entry.status);
  record.toll = DeviceToll::from_code(entry.is_toll);
  record.client = client;
  record.cached_config = std::make_unique<DeviceConfigCache>();
  return record;
}

}  // namespace norvi::client
