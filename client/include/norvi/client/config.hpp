#pragma once
// The client configuration, its defaults and the merge of caller-given values.

#include <optional>
#include <string>

namespace norvi::client {

// The production service's host name.
inline constexpr const char* kDefaultDomain = "quantum.brevora.com";

struct BrevoraConfig {
  std::string scheme = "https";
  std::string domain;
  std::string credentials_path;  // bytes as given: no "~" expansion, may be relative
  bool save_credentials = true;
  bool auto_refresh = true;

  bool operator==(const BrevoraConfig&) const = default;
};

// HOME when set and not empty, else the password database entry of the real user, else ".".
std::string home_directory();

BrevoraConfig default_brevora_config();

BrevoraConfig config_with_overrides(std::optional<std::string> domain, std::optional<bool> save_credentials,
                                    std::optional<bool> auto_refresh, std::optional<std::string> credentials_path);

// "{}://{}" of scheme and domain, no trailing slash.
std::string base_url(const BrevoraConfig& config);

}  // namespace norvi::client
