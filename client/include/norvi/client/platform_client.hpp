#pragma once
// The platform client: a configuration, one HTTP client that keeps its connections, and the current
// credentials behind a mutex. Always held shared (the platform object, its backends and its tasks);
// never copied. Calls may run on several threads at once.

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

#include "norvi/client/clock.hpp"
#include "norvi/client/config.hpp"
#include "norvi/client/credentials.hpp"
#include "norvi/client/error.hpp"
#include "norvi/client/http/http_client.hpp"
#include "norvi/symbolic/poisonable_lock.hpp"

namespace norvi::client {

// The credentials of one client. The mutex is held only to copy or replace them. A failure while it
// is held (a copy running out of memory) poisons it for the life of the client: every later use
// fails with Auth "credential mutex poisoned".
class CredentialStore {
 public:
  explicit CredentialStore(Credentials credentials) noexcept : credentials_(std::move(credentials)) {}
  CredentialStore(const CredentialStore&) = delete;
  CredentialStore& operator=(const CredentialStore&) = delete;

  Result<Credentials> copy() const;
  Result<std::string> api_key() const;
  // The token when it is fresh at `now`, none when it needs renewal.
  Result<std::optional<std::string>> token_if_fresh(std::int64_t now) const;
  Result<void> replace(Credentials credentials);

 private:
  template <typename Read>
  auto read(Read&& reader) const -> Result<decltype(reader(std::declval<const Credentials&>()))>;

  mutable symbolic::PoisonableLock<Credentials> credentials_;
};

// What a client is made with besides its configuration and credentials.
struct PlatformClientOptions {
  Clock clock = system_clock();
  // Fresh connections per request only serve as a benchmark baseline.
  http::ConnectionReuse reuse = http::ConnectionReuse::Reuse;
};

class PlatformClient {
 public:
  PlatformClient(BrevoraConfig config, http::HttpClient http, Credentials credentials, Clock clock) noexcept
      : config_(std::move(config)), http_(std::move(http)), credentials_(std::move(credentials)), clock_(std::move(clock)) {}
  PlatformClient(const PlatformClient&) = delete;
  PlatformClient& operator=(const PlatformClient&) = delete;

  const BrevoraConfig& config() const noexcept { return config_; }
  const http::HttpClient& http() const noexcept { return http_; }
  const Clock& clock() const noexcept { return clock_; }
  CredentialStore& credentials() noexcept { return credentials_; }
  const CredentialStore& credentials() const noexcept { return credentials_; }

 private:
  BrevoraConfig config_;
  http::HttpClient http_;
  CredentialStore credentials_;
  Clock clock_;
};

// The request time limit of a platform client: for the answer, and again for reading its body.
inline constexpr std::chrono::seconds kPlatformTimeout{60};

// Builds the HTTP client (a failure is Http) and puts the credentials behind a new mutex.
Result<std::shared_ptr<PlatformClient>> new_platform_client(BrevoraConfig config, Credentials credentials,
                                                            PlatformClientOptions options = {});

// A copy of an access token that is young enough, renewing it first when it is not.
Result<std::string> get_access_token(PlatformClient& client);

// Logs in again with the stored API key, writes the new credentials to the configured path (whatever
// the configuration's flags say), then stores them; returns the new token. A failed login or write
// leaves the stored credentials as they were. The mutex is not held during the login or the write.
Result<std::string> refresh_access_token(PlatformClient& client);

}  // namespace norvi::client
