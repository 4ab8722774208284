#include "norvi/client/login.hpp"

#include <fmt/format.h>

#include <chrono>

#include "norvi/client/http/percent_encoding.hpp"
#include "norvi/client/http/http_client.hpp"
#include "norvi/client/json/decode.hpp"
#include "norvi/client/json/login_response.hpp"

namespace norvi::client {
namespace {

constexpr std::chrono::seconds kLoginTimeout{30};

}  // namespace

Result<Credentials> login_with_api_key(const std::string& api_key, const BrevoraConfig& config, const Clock& clock) {
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

}  // namespace norvi::client
