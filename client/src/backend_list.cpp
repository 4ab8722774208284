#include "norvi/client/backend.hpp"

#include "norvi/client/api_call.hpp"
#include "norvi/client/json/record.hpp"

namespace norvi::client {

const json::Record& json_record(json::TypeTag<RawDevice>) {
  static const json::Record record = json::record<RawDevice>(
      "RawDevice", json::field<&RawDevice::code>("code"), json::field<&RawDevice::name>("name"),
      json::field<&RawDevice::status>("status"), json::field<&RawDevice::is_toll>("isToll"));
  return record;
}

namespace {
constexpr std::string_view kListPath = "/zelm-quantum/sdk/quantumComputer/list";
}  // namespace

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

Result<std::vector<BackendRecord>> list_devices(const std::shared_ptr<PlatformClient>& client) {
  auto entries = call_platform_api<std::vector<RawDevice>>(*client, http::Method::Get, kListPath);
  if (!entries) return fail(std::move(entries.error()));
  std::vector<BackendRecord> records;
  records.reserve(entries->size());
  for (RawDevice& entry : *entries) {
    if (auto record = map_raw_device(std::move(entry), client)) records.push_back(std::move(*record));
  }
  return records;
}

Result<BackendRecord> find_device(const std::shared_ptr<PlatformClient>& client, std::string name) {
  auto records = list_devices(client);
  if (!records) return fail(std::move(records.error()));
  for (BackendRecord& record : *records) {
    if (record.name == name) return std::move(record);
  }
  return fail(errors::DeviceNotFound{std::move(name)});
}

}  // namespace norvi::client
