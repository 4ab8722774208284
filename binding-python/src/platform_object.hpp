#pragma once
// BrevoraPlatform: the platform object, made by logging in or from saved credentials. Its backends
// and tasks share its platform client.

#include <memory>
#include <string>

#include "norvi/client/platform_client.hpp"
#include "payload_class.hpp"

namespace norvi::binding {

struct PlatformPayload {
  std::string url;  // the base URL when the object was made; shown by __repr__ only
  std::shared_ptr<client::PlatformClient> client;
};

extern PayloadClass<PlatformPayload> platform_class;

}  // namespace norvi::binding
