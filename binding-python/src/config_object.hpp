#pragma once
// BrevoraConfig: shows a client configuration record built by the same rule as login's keyword arguments.

#include "norvi/client/config.hpp"
#include "payload_class.hpp"

namespace norvi::binding {

struct ConfigPayload {
  client::BrevoraConfig config;
};

extern PayloadClass<ConfigPayload> config_class;

}  // namespace norvi::binding
