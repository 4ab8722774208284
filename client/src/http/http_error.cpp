#include <fmt/format.h>

#include "norvi/client/http/http_error.hpp"

namespace norvi::client::http {

HttpError HttpError::builder(std::string_view why) {
  return HttpError(Kind::Builder, fmt::format("builder error: {}", why));
}

HttpError HttpError::sending(std::string_view url, std::string_view why) {
  return HttpError(Kind::Send, fmt::format("error sending request for url ({}): {}", url, why));
}

HttpError HttpError::redirect(std::string_view url, std::string_view why) {
  return HttpError(Kind::Redirect, fmt::format("error following redirect for url ({}): {}", url, why));
}

HttpError HttpError::decoding(std::string_view why) {
  return HttpError(Kind::Body, fmt::format("error decoding response body: {}", why));
}

ClientError to_client_error(const HttpError& error) { return errors::Http{error.text()}; }

}  // namespace norvi::client::http
