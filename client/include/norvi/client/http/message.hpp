#pragma once
// What an HTTP request and its answer consist of.

#include <cstdint>
#include <expected>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "norvi/client/http/http_error.hpp"

namespace norvi::client::http {

enum class Method : std::uint8_t { Get, Post };

struct RequestHeader {
  std::string name;
  std::string value;
  // Token headers: never sent to another origin than the one the request was made for.
  bool sensitive = false;
};

struct RequestBody {
  std::string content_type;  // sent as `content-type`
  std::string data;
};

struct Request {
  Method method = Method::Get;
  std::string url;
  // Sent in this order, after the layer's own `Host` and `Accept`. A value holding a control
  // character other than tab, or DEL, leaves its header out.
  std::vector<RequestHeader> headers;
  std::optional<RequestBody> body;
};

struct ResponseHeader {
  std::string name;   // lower case
  std::string value;  // as received, without the blanks around it
};

struct Response {
  int status = 0;
  std::vector<ResponseHeader> headers;  // in the order received
  // The whole body, or why it could not be read (e.g. its time limit ran out): a decoding failure.
  std::expected<std::string, HttpError> body;
  std::string url;  // the URL that answered, after redirects (without any password)

  // The first header of this name (any case), or null.
  const std::string* header(std::string_view name) const;
};

}  // namespace norvi::client::http
