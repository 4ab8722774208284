#pragma once
// The client's HTTP layer: blocking HTTP/1.1 requests over TLS with connection reuse, redirects,
// proxies from the environment and two time limits. The only code that talks to libcurl lives
// behind this interface.

#include <chrono>
#include <cstdint>
#include <expected>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

enum class ConnectionReuse : std::uint8_t {
  Reuse,             // keep connections open and share them among requests and threads
  FreshEachRequest,  // a new connection for every request, closed after it (benchmark baseline)
};

// One HTTP client: a time limit and a cache of open connections. `send` may be called from
// several threads at once; creating, moving and destroying a client may not overlap a `send`.
class HttpClient {
 public:
  // A request waits at most `timeout` for its answer's headers (redirects included); reading the
  // body then waits at most `timeout` again, counted from the end of the headers.
  static std::expected<HttpClient, HttpError> create(std::chrono::milliseconds timeout,
                                                     ConnectionReuse reuse = ConnectionReuse::Reuse);

  HttpClient(HttpClient&&) noexcept;
  HttpClient& operator=(HttpClient&&) noexcept;
  ~HttpClient();

  // Sends the request and reads the whole answer. A transport failure is the error; a failure
  // while reading the body is the response's `body` error.
  std::expected<Response, HttpError> send(const Request& request) const;

  std::chrono::milliseconds timeout() const noexcept;

  // Connections opened by this client so far (TLS connections for https URLs).
  std::uint64_t connections_opened() const noexcept;

  struct State;

 private:
  explicit HttpClient(std::unique_ptr<State> state);
  std::unique_ptr<State> state_;
};

}  // namespace norvi::client::http
