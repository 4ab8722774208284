#include <utility>

#include "norvi/client/backend.hpp"
#include "norvi/client/device_config.hpp"

namespace norvi::client {

Result<std::shared_ptr<const DeviceConfig>> DeviceConfigCache::get(const Download& download) {
  using Cached = Result<std::shared_ptr<const DeviceConfig>>;
  return config_.lock(
      [&](std::shared_ptr<const DeviceConfig>& config) -> Cached {
        if (!config) {
          auto downloaded = download();
          if (!downloaded) return fail(std::move(downloaded.error()));
          config = std::make_shared<const DeviceConfig>(std::move(*downloaded));
        }
        return config;
      },
      []() -> Cached { return fail(errors::InvalidInput{"cached_config mutex poisoned"}); });
}

bool DeviceConfigCache::empty() const {
  return config_.lock([](const std::shared_ptr<const DeviceConfig>& config) { return config == nullptr; },
                      [] { return true; });
}

Result<std::shared_ptr<const DeviceConfig>> cached_device_config(const BackendRecord& backend) {
  return backend.cached_config->get([&] { return download_device_config(*backend.client, backend.name); });
}

}  // namespace norvi::client
