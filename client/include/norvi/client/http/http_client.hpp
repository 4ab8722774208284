#pragma once
// The client's HTTP layer: blocking HTTP/1.1 requests over TLS with connection reuse, redirects,
// proxies from the environment and two time limits. The only code that talks to libcurl lives
// behind this interface.

#include <chrono>
#include <cstdint>
#include <expected>
#include <memory>

#include "norvi/client/http/http_error.hpp"
#include "norvi/client/http/message.hpp"

namespace norvi::client::http {

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
