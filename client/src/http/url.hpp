#pragma once
// Request URLs, checked before anything is sent: http or https, a host that is a valid domain
// (international names converted to ASCII), an IPv4 or an IPv6 literal.

#include <cstdint>
#include <expected>
#include <string>
#include <string_view>

#include "norvi/client/http/http_error.hpp"

namespace norvi::client::http {

struct Url {
  std::string text;     // normalised absolute URL, host in ASCII: what is handed to libcurl
  std::string display;  // the same without any password: what error texts show
  std::string scheme;   // "http" or "https"
  std::string host;     // ASCII, lower case; an IPv6 literal keeps its brackets
  std::uint16_t port = 0;  // explicit or the scheme's default
};

// A failure is a builder error naming the reason (no part of the URL is repeated).
std::expected<Url, HttpError> parse_url(std::string_view text);

// `location` (absolute or relative) resolved against `base`.
std::expected<Url, HttpError> resolve_url(const Url& base, std::string_view location);

// Same scheme, host and port.
bool same_origin(const Url& a, const Url& b);

// The host of a URL as it is sent: percent-decoded, international names converted to ASCII with
// IDNA (non-transitional), lower case; fails on a forbidden domain code point.
std::expected<std::string, std::string> domain_to_ascii(std::string_view host);

}  // namespace norvi::client::http
