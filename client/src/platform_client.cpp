#include "norvi/client/platform_client.hpp"

#include "norvi/client/login.hpp"

namespace norvi::client {
namespace {

ClientError poisoned_error() { return errors::Auth{"credential mutex poisoned"}; }

}  // namespace

template <typename Read>
auto CredentialStore::read(Read&& reader) const -> Result<decltype(reader(std::declval<const Credentials&>()))> {
  using ReadResult = Result<decltype(reader(std::declval<const Credentials&>()))>;
  try {
    return credentials_.lock([&](const Credentials& c) -> ReadResult { return reader(c); },
                             []() -> ReadResult { return fail(poisoned_error()); });
  } catch (...) {
    return fail(poisoned_error());  // the lock is poisoned by now
  }
}

Result<Credentials> CredentialStore::copy() const {
  return read([](const Credentials& c) { return c; });
}

Result<std::string> CredentialStore::api_key() const {
  return read([](const Credentials& c) { return c.api_key; });
}

Result<std::optional<std::string>> CredentialStore::token_if_fresh(std::int64_t now) const {
  return read([now](const Credentials& c) -> std::optional<std::string> {
    if (token_needs_renewal(now, c.token_obtained_at)) return std::nullopt;
    return c.access_token;
  });
}

Result<void> CredentialStore::replace(Credentials credentials) {
  return credentials_.lock(
      [&](Credentials& stored) -> Result<void> {
        stored = std::move(credentials);  // moves only: cannot fail half-way
        return {};
      },
      []() -> Result<void> { return fail(poisoned_error()); });
}

Result<std::shared_ptr<PlatformClient>> new_platform_client(BrevoraConfig config, Credentials credentials,
                                                            PlatformClientOptions options) {
  auto http = http::HttpClient::create(kPlatformTimeout, options.reuse);
  if (!http) return fail(http::to_client_error(http.error()));
  return std::make_shared<PlatformClient>(std::move(config), std::move(*http), std::move(credentials),
                                          std::move(options.clock));
}

Result<std::string> get_access_token(PlatformClient& client) {
  auto token = client.credentials().token_if_fresh(client.clock().wall_seconds());
  if (!token) return fail(token.error());
  if (*token) return std::move(**token);
  return refresh_access_token(client);
}

Result<std::string> refresh_access_token(PlatformClient& client) {
  auto api_key = client.credentials().api_key();
  if (!api_key) return fail(api_key.error());
  auto renewed = login_and_save(*api_key, client.config(), client.clock(), SaveCredentials::Always);
  if (!renewed) return fail(renewed.error());
  std::string token = renewed->access_token;
  if (auto stored = client.credentials().replace(std::move(*renewed)); !stored) return fail(stored.error());
  return token;
}

}  // namespace norvi::client
