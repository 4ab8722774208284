#include "norvi/client/api_call.hpp"

#include <fmt/format.h>

#include <array>

#include "retry_rules.hpp"

namespace norvi::client {
namespace {

constexpr int kAttempts = 3;
// The pause after a failed attempt, by attempt number; none after the last.
constexpr std::array<std::chrono::seconds, kAttempts> kPauseAfter{std::chrono::seconds(1), std::chrono::seconds(2),
                                                                  std::chrono::seconds(0)};

void pause(const PlatformClient& client, std::chrono::seconds duration) {
  if (duration > std::chrono::seconds::zero()) client.clock().sleep(duration);
}

ClientError rate_limited() { return errors::Api{429, "rate limited"}; }

// The body of an answer that goes on to decoding; one that could not be read is a decoding failure.
Result<std::string> body_of(http::Response& response) {
  if (!response.body) return fail(http::to_client_error(response.body.error()));
  return std::move(*response.body);
}

}  // namespace

std::expected<http::Response, http::HttpError> send_api_request(const PlatformClient& client, http::Method method,
                                                                const std::string& url, const std::string& token,
                                                                const std::optional<std::string>& body) {
  http::Request request;
  request.method = method;
  request.url = url;
  request.headers = {{"basictoken", token, true}, {"authorization", "Bearer " + token, true}};
  if (body) request.body = http::RequestBody{"application/json", *body};
  return client.http().send(request);
}

namespace detail {

Result<std::string> api_answer_body(PlatformClient& client, http::Method method, std::string_view path,
                                    const std::optional<std::string>& body) {
  const std::string url = base_url(client.config()) + std::string(path);
  auto token = get_access_token(client);
  if (!token) return fail(std::move(token.error()));

  std::optional<ClientError> last_error;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    auto response = send_api_request(client, method, url, *token, body);
    if (!response) {
      last_error = http::to_client_error(response.error());
      pause(client, kPauseAfter[attempt]);
      continue;
    }
    const int status = response->status;
    if (status == 429) {
      // The platform's wait is honoured after the last attempt too.
      pause(client, retry_after_wait(response->header("retry-after")));
      last_error = rate_limited();
      continue;
    }
    if (status == 401) {
      // One renewal and one resend; whatever answers the resend is decoded.
      auto renewed = refresh_access_token(client);
      if (!renewed) return fail(std::move(renewed.error()));
      auto resent = send_api_request(client, method, url, *renewed, body);
      if (!resent) return fail(http::to_client_error(resent.error()));
      return body_of(*resent);
    }
    if (status >= 500 && status <= 599) {
      last_error = errors::Api{status, server_error_message(status)};
      pause(client, kPauseAfter[attempt]);
      continue;
    }
    return body_of(*response);
  }
  return fail(std::move(*last_error));
}

ClientError undecodable_answer(const json::DecodeError& error) {
  return http::to_client_error(http::HttpError::decoding(error.text()));
}

Result<void> check_envelope(std::int64_t code, std::optional<std::string>& message, bool has_data) {
  if (code != 0) {
    if (message) return fail(errors::Api{code, std::move(*message)});
    return fail(errors::Api{code, fmt::format("API error code {}", code)});
  }
  if (!has_data) return fail(errors::Api{0, "response 'data' field is null"});
  return {};
}

}  // namespace detail
}  // namespace norvi::client
