#include "http/proxy.hpp"

#include <cstdlib>

namespace norvi::client::http {
namespace {

std::optional<std::string> non_empty(const EnvironmentLookup& env, const char* upper, const char* lower) {
  for (const char* name : {upper, lower}) {
    std::optional<std::string> value = env(name);
    if (value && !value->empty()) return value;
  }
  return std::nullopt;
}

}  // namespace

ProxyChoice choose_proxy(std::string_view scheme, const EnvironmentLookup& env) {
  std::optional<std::string> proxy;
  if (scheme == "https") {
    proxy = non_empty(env, "HTTPS_PROXY", "https_proxy");
  } else if (scheme == "http" && !env("REQUEST_METHOD")) {
    proxy = non_empty(env, "HTTP_PROXY", "http_proxy");
  }
  if (!proxy) proxy = non_empty(env, "ALL_PROXY", "all_proxy");

  ProxyChoice choice;
  if (proxy) choice.proxy = std::move(*proxy);
  if (auto no_proxy = non_empty(env, "NO_PROXY", "no_proxy")) choice.no_proxy = std::move(*no_proxy);
  return choice;
}

ProxyChoice proxy_from_environment(std::string_view scheme) {
  return choose_proxy(scheme, [](const char* name) -> std::optional<std::string> {
    const char* value = std::getenv(name);
    if (value == nullptr) return std::nullopt;
    return std::string(value);
  });
}

}  // namespace norvi::client::http
