#include "norvi/client/config.hpp"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace norvi::client {

std::string home_directory() {
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return home;

  long suggested = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(suggested < 0 ? 512 : static_cast<std::size_t>(suggested));
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
      found->pw_dir != nullptr && *found->pw_dir != '\0') {
    return found->pw_dir;
  }
  return ".";
}

BrevoraConfig default_brevora_config() {
  BrevoraConfig config;
  config.domain = kDefaultDomain;
  std::string home = home_directory();
  if (home.back() != '/') home += '/';
  config.credentials_path = home + ".norvi/brevora/credentials.json";
  return config;
}

BrevoraConfig config_with_overrides(std::optional<std::string> domain, std::optional<bool> save_credentials,
                                    std::optional<bool> auto_refresh, std::optional<std::string> credentials_path) {
  BrevoraConfig config = default_brevora_config();
  if (domain) config.domain = std::move(*domain);
  if (save_credentials) config.save_credentials = *save_credentials;
  if (auto_refresh) config.auto_refresh = *auto_refresh;
  if (credentials_path) config.credentials_path = std::move(*credentials_path);
  return config;
}

std::string base_url(const BrevoraConfig& config) { return config.scheme + "://" + config.domain; }

}  // namespace norvi::client
