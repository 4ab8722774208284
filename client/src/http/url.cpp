#include "http/url.hpp"

#include <curl/curl.h>
#include <idn2.h>

#include <charconv>
#include <memory>

#include "ascii.hpp"

namespace norvi::client::http {
namespace {

struct UrlHandleDeleter {
  void operator()(CURLU* h) const { curl_url_cleanup(h); }
};
using UrlHandle = std::unique_ptr<CURLU, UrlHandleDeleter>;

struct CurlText {
  char* p = nullptr;
  CurlText() = default;
  CurlText(const CurlText&) = delete;
  CurlText& operator=(const CurlText&) = delete;
  ~CurlText() { curl_free(p); }
  std::string str() const { return p ? std::string(p) : std::string(); }
};

// Spaces in paths and queries are percent-encoded like a browser would; libcurl rejects them otherwise.
constexpr unsigned kParseFlags = CURLU_ALLOW_SPACE | CURLU_URLENCODE;

std::string parse_failure(CURLUcode rc) {
  switch (rc) {
    case CURLUE_BAD_SCHEME:
    case CURLUE_NO_SCHEME:
      return "relative URL without a base";
    case CURLUE_UNSUPPORTED_SCHEME:
      return "URL scheme is not allowed";
    case CURLUE_BAD_PORT_NUMBER:
      return "invalid port number";
    case CURLUE_NO_HOST:
      return "empty host";
    case CURLUE_BAD_HOSTNAME:
      return "invalid domain character";
    case CURLUE_BAD_IPV6:
      return "invalid IPv6 address";
    default:
      return curl_url_strerror(rc);
  }
}

// WHATWG forbidden domain code points that are ASCII: C0 controls, space, # % / : < > ? @ [ \ ] ^ |, DEL.
bool forbidden_in_domain(unsigned char c) {
  if (c <= 0x20 || c == 0x7F) return true;
  switch (c) {
    case '#': case '%': case '/': case ':': case '<': case '>': case '?':
    case '@': case '[': case '\\': case ']': case '^': case '|':
      return true;
    default:
      return false;
  }
}

bool has_forbidden(std::string_view s) {
  for (char c : s)
    if (forbidden_in_domain(static_cast<unsigned char>(c))) return true;
  return false;
}

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string percent_decode(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size() && hex_value(s[i + 1]) >= 0 && hex_value(s[i + 2]) >= 0) {
      out += static_cast<char>(hex_value(s[i + 1]) * 16 + hex_value(s[i + 2]));
      i += 2;
    } else {
      out += s[i];
    }
  }
  return out;
}

std::expected<Url, HttpError> from_handle(CURLU* h) {
  Url url;
  {
    CurlText scheme;
    if (curl_url_get(h, CURLUPART_SCHEME, &scheme.p, 0) != CURLUE_OK) return std::unexpected(HttpError::builder("relative URL without a base"));
    url.scheme = scheme.str();
  }
  if (url.scheme != "http" && url.scheme != "https") return std::unexpected(HttpError::builder("URL scheme is not allowed"));

  CurlText host;
  if (curl_url_get(h, CURLUPART_HOST, &host.p, 0) != CURLUE_OK) return std::unexpected(HttpError::builder("empty host"));
  std::string raw_host = host.str();
  if (raw_host.starts_with('[')) {
    url.host = ascii_lowercase(raw_host);
  } else {
    auto ascii = domain_to_ascii(raw_host);
    if (!ascii) return std::unexpected(HttpError::builder(ascii.error()));
    url.host = std::move(*ascii);
  }
  if (url.host != raw_host) {
    const CURLUcode rc = curl_url_set(h, CURLUPART_HOST, url.host.c_str(), 0);
    if (rc != CURLUE_OK) return std::unexpected(HttpError::builder(parse_failure(rc)));
  }

  {
    CurlText port;
    if (curl_url_get(h, CURLUPART_PORT, &port.p, CURLU_DEFAULT_PORT) != CURLUE_OK || port.p == nullptr)
      return std::unexpected(HttpError::builder("invalid port number"));
    const std::string p = port.str();
    unsigned value = 0;
    auto [end, ec] = std::from_chars(p.data(), p.data() + p.size(), value);
    if (ec != std::errc() || end != p.data() + p.size() || value > 65535)
      return std::unexpected(HttpError::builder("invalid port number"));
    url.port = static_cast<std::uint16_t>(value);
  }

  {
    CurlText text;
    const CURLUcode rc = curl_url_get(h, CURLUPART_URL, &text.p, CURLU_NO_DEFAULT_PORT);
    if (rc != CURLUE_OK) return std::unexpected(HttpError::builder(parse_failure(rc)));
    url.text = text.str();
  }
  {
    UrlHandle shown(curl_url_dup(h));
    CurlText text;
    if (!shown || curl_url_set(shown.get(), CURLUPART_PASSWORD, nullptr, 0) != CURLUE_OK ||
        curl_url_get(shown.get(), CURLUPART_URL, &text.p, CURLU_NO_DEFAULT_PORT) != CURLUE_OK)
      return std::unexpected(HttpError::builder("out of memory"));
    url.display = text.str();
  }
  return url;
}

bool holds_nul(std::string_view s) { return s.find('\0') != std::string_view::npos; }

}  // namespace

std::expected<std::string, std::string> domain_to_ascii(std::string_view host) {
  const std::string decoded = percent_decode(host);
  if (decoded.empty()) return std::unexpected(std::string("empty host"));
  if (has_forbidden(decoded)) return std::unexpected(std::string("invalid domain character"));

  bool ascii = true;
  for (char c : decoded)
    if (static_cast<unsigned char>(c) >= 0x80) ascii = false;

  std::string out;
  if (ascii) {
    out = decoded;
  } else {
    char* converted = nullptr;
    const int rc = idn2_to_ascii_8z(decoded.c_str(), &converted, IDN2_NONTRANSITIONAL);
    if (rc != IDN2_OK || converted == nullptr) {
      idn2_free(converted);
      return std::unexpected(std::string("invalid international domain name"));
    }
    out = converted;
    idn2_free(converted);
    if (out.empty()) return std::unexpected(std::string("empty host"));
    if (has_forbidden(out)) return std::unexpected(std::string("invalid domain character"));
  }
  return ascii_lowercase(out);
}

std::expected<Url, HttpError> parse_url(std::string_view text) {
  // libcurl takes C strings: a NUL would silently cut the URL short.
  if (holds_nul(text)) return std::unexpected(HttpError::builder("URL contains a NUL byte"));
  UrlHandle h(curl_url());
  if (!h) return std::unexpected(HttpError::builder("out of memory"));
  const std::string owned(text);
  const CURLUcode rc = curl_url_set(h.get(), CURLUPART_URL, owned.c_str(), kParseFlags);
  if (rc != CURLUE_OK) return std::unexpected(HttpError::builder(parse_failure(rc)));
  return from_handle(h.get());
}

std::expected<Url, HttpError> resolve_url(const Url& base, std::string_view location) {
  if (holds_nul(location)) return std::unexpected(HttpError::builder("URL contains a NUL byte"));
  UrlHandle h(curl_url());
  if (!h) return std::unexpected(HttpError::builder("out of memory"));
  CURLUcode rc = curl_url_set(h.get(), CURLUPART_URL, base.text.c_str(), kParseFlags);
  if (rc == CURLUE_OK) {
    const std::string owned(location);
    rc = curl_url_set(h.get(), CURLUPART_URL, owned.c_str(), kParseFlags);
  }
  if (rc != CURLUE_OK) return std::unexpected(HttpError::builder(parse_failure(rc)));
  return from_handle(h.get());
}

bool same_origin(const Url& a, const Url& b) {
  return a.scheme == b.scheme && a.host == b.host && a.port == b.port;
}

}  // namespace norvi::client::http
