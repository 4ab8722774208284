#include "norvi/client/login.hpp"

#include <fmt/format.h>

#include <chrono>

#include "norvi/client/http/percent_encoding.hpp"
#include "norvi/client/http/http_client.hpp"
#include "norvi/client/json/decode.hpp"
#include "norvi/client/json/login_response.hpp"
#include "norvi/symbolic/utf8.hpp"

namespace norvi::client {
namespace {

constexpr std::chrono::seconds kLoginTimeout{30};

}  // namespace

Result<Credentials> login_with_api_key(const std::string& api_key, const BrevoraConfig& config, const Clock& clock) {
  // The form encoding would carry any bytes, but the key is kept in the credentials file as a JSON
  // string, which is UTF-8: a key that is not could be used once and never read back.
  if (!symbolic::valid_utf8(api_key)) return fail(errors::InvalidInput{"API key is not valid UTF-8"});
  // A client per exchange: a login shares no connection with the requests it renews a token for.
  auto http = http::HttpClient::create(kLoginTimeout);
  if (!http) return fail(http::to_client_error(http.error()));

  http::Request request;
  request.method = http::Method::Post;
  request.url = base_url(config) + kLoginPath;
  request.body = http::RequestBody{
      "application/x-www-form-urlencoded",
      http::form_urlencode({{"grant_type", "openId"}, {"openId", api_key}, {"account_type", "member"}})};

  auto response = http->send(request);
  if (!response) return fail(http::to_client_error(response.error()));
  if (!response->body) return fail(http::to_client_error(response->body.error()));

  // The status is not looked at: the platform's verdict is in the document.
  auto answer = json::decode<LoginResponse>(*response->body);
  if (!answer) return fail(http::to_client_error(http::HttpError::decoding(answer.error().text())));

  if (answer->code != 0) {
    if (answer->message) return fail(errors::Auth{std::move(*answer->message)});
    return fail(errors::Auth{fmt::format("login failed with code {}", answer->code)});
  }
  if (!answer->data) return fail(errors::Auth{"login response missing 'data' field"});

  return Credentials{api_key, std::move(answer->data->access_token), clock.wall_seconds()};
}

Result<Credentials> login_and_save(const std::string& api_key, const BrevoraConfig& config, const Clock& clock,
                                   SaveCredentials when) {
  auto credentials = login_with_api_key(api_key, config, clock);
  if (!credentials) return credentials;
  if (when == SaveCredentials::Always || config.save_credentials) {
    if (auto saved = save_credentials_file(*credentials, config.credentials_path); !saved)
      return fail(std::move(saved.error()));
  }
  return credentials;
}

Result<Credentials> credentials_from_file(const BrevoraConfig& config, const Clock& clock) {
  auto credentials = read_credentials_file(config.credentials_path);
  if (!credentials) return credentials;
  if (!token_needs_renewal(clock.wall_seconds(), credentials->token_obtained_at)) return credentials;
  if (!config.auto_refresh)
    return fail(errors::Auth{"access token has expired; set auto_refresh=true or call login() again"});
  // The key from the file, the domain from the configuration.
  return login_and_save(credentials->api_key, config, clock, SaveCredentials::AsConfigured);
}

}  // namespace norvi::client
