#pragma once
// The proxy a request goes through, chosen from the environment when the request is made.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace norvi::client::http {

struct ProxyChoice {
  std::string proxy;     // proxy URL, or "" for a direct connection
  std::string no_proxy;  // hosts reached directly, as NO_PROXY lists them ("" for none)

  bool operator==(const ProxyChoice&) const = default;
};

// Reads one environment variable: its value, or nothing when unset.
using EnvironmentLookup = std::function<std::optional<std::string>(const char* name)>;

// Each variable is read upper case first, then lower case; an empty value counts as unset.
// https URLs: HTTPS_PROXY, else ALL_PROXY. http URLs: HTTP_PROXY unless REQUEST_METHOD is set
// (a CGI request could set it from a `Proxy:` header), else ALL_PROXY. NO_PROXY for both.
ProxyChoice choose_proxy(std::string_view scheme, const EnvironmentLookup& env);

// The same over the process environment.
ProxyChoice proxy_from_environment(std::string_view scheme);

}  // namespace norvi::client::http
