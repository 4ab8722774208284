#pragma once
// The road of one authenticated API call: a token young enough, the request with both token headers,
// a retry loop over transport failures, rate limits, server errors and a rejected token, then the
// response envelope { code, message, data } decoded with the endpoint's payload type and checked.
//
//   auto devices = call_platform_api<std::vector<RawDevice>>(client, http::Method::Get, kListPath);
//   auto answer = call_platform_api<SubmitAnswer>(client, http::Method::Post, kSubmitPath, body_text);
//
// The payload type is anything the JSON layer decodes (a declared record, a list, json::Value).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "norvi/client/error.hpp"
#include "norvi/client/http/http_client.hpp"
#include "norvi/client/json/api_response.hpp"
#include "norvi/client/json/decode.hpp"
#include "norvi/client/platform_client.hpp"

namespace norvi::client {

// One request: `basictoken` and `authorization: Bearer` carrying the token, in this order (a header
// whose value cannot travel is left out), and the body, compact JSON text, as application/json.
std::expected<http::Response, http::HttpError> send_api_request(const PlatformClient& client, http::Method method,
                                                                const std::string& url, const std::string& token,
                                                                const std::optional<std::string>& body);

namespace detail {

// The token and the retry loop: the body of the answer to decode, or the call's error.
Result<std::string> api_answer_body(PlatformClient& client, http::Method method, std::string_view path,
                                    const std::optional<std::string>& body);

// An answer that does not decode into the envelope: the HTTP layer's decoding failure.
ClientError undecodable_answer(const json::DecodeError& error);

// The envelope rule: a code other than 0 is the platform's error; code 0 must come with data.
Result<void> check_envelope(std::int64_t code, std::optional<std::string>& message, bool has_data);

}  // namespace detail

// The payload of one API call on `path` (after the base URL), `body` sent as given when present.
template <typename Payload>
Result<Payload> call_platform_api(PlatformClient& client, http::Method method, std::string_view path,
                                  const std::optional<std::string>& body = std::nullopt) {
  auto text = detail::api_answer_body(client, method, path, body);
  if (!text) return fail(std::move(text.error()));
  auto envelope = json::decode<ApiResponse<Payload>>(*text);
  if (!envelope) return fail(detail::undecodable_answer(envelope.error()));
  if (auto checked = detail::check_envelope(envelope->code, envelope->message, envelope->data.has_value()); !checked)
    return fail(std::move(checked.error()));
  return std::move(*envelope->data);
}

}  // namespace norvi::client
