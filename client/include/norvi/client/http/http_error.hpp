#pragma once
// The failures of the HTTP layer, and how they reach the client's callers.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "norvi/client/error.hpp"

namespace norvi::client::http {

// A failure of the HTTP layer, as text. The text never holds a header value.
class HttpError {
 public:
  enum class Kind : std::uint8_t {
    Builder,   // the request cannot be built (unparsable URL, bad header name, client set-up)
    Send,      // transport: connection, TLS, proxy, time limit before the headers
    Redirect,  // a redirect that is refused or one too many
    Body,      // the body cannot be read (in time) or decoded
  };

  HttpError(Kind kind, std::string text) : kind_(kind), text_(std::move(text)) {}

  // "builder error: {}"
  static HttpError builder(std::string_view why);
  // "error sending request for url ({}): {}"
  static HttpError sending(std::string_view url, std::string_view why);
  // "error following redirect for url ({}): {}"
  static HttpError redirect(std::string_view url, std::string_view why);
  // "error decoding response body: {}": the one wording of every body failure, reading or decoding.
  static HttpError decoding(std::string_view why);

  Kind kind() const noexcept { return kind_; }
  const std::string& text() const noexcept { return text_; }

 private:
  Kind kind_;
  std::string text_;
};

// The client error that carries an HTTP failure ("HTTP request failed: {}").
ClientError to_client_error(const HttpError& error);

}  // namespace norvi::client::http
