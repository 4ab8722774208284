#include "norvi/client/http/http_client.hpp"

#include <algorithm>
#include <atomic>

#include "http/handle_pool.hpp"
#include "http/headers.hpp"
#include "http/transfer.hpp"
#include "http/url.hpp"

namespace norvi::client::http {
namespace {

constexpr int kMaxRedirects = 10;


}  // namespace

struct HttpClient::State {
  std::chrono::milliseconds timeout{0};
  ConnectionReuse reuse = ConnectionReuse::Reuse;
  std::unique_ptr<HandlePool> pool;
  std::atomic<std::uint64_t> connections{0};
};

HttpClient::HttpClient(std::unique_ptr<State> state) : state_(std::move(state)) {}
HttpClient::HttpClient(HttpClient&&) noexcept = default;
HttpClient& HttpClient::operator=(HttpClient&&) noexcept = default;
HttpClient::~HttpClient() = default;

std::expected<HttpClient, HttpError> HttpClient::create(std::chrono::milliseconds timeout, ConnectionReuse reuse) {
  auto pool = HandlePool::create();
  if (!pool) return std::unexpected(pool.error());
  auto state = std::make_unique<State>();
  state->timeout = std::max(timeout, std::chrono::milliseconds::zero());
  state->reuse = reuse;
  state->pool = std::move(*pool);
  return HttpClient(std::move(state));
}

std::chrono::milliseconds HttpClient::timeout() const noexcept { return state_->timeout; }

std::uint64_t HttpClient::connections_opened() const noexcept {
  return state_->connections.load(std::memory_order_relaxed);
}

std::expected<Response, HttpError> HttpClient::send(const Request& request) const {
  auto url = parse_url(request.url);
  if (!url) return std::unexpected(url.error());
  for (const RequestHeader& h : request.headers)
    if (!valid_header_name(h.name)) return std::unexpected(HttpError::builder("invalid HTTP header name"));

  const Clock::time_point headers_deadline = deadline_after(Clock::now(), state_->timeout);
  Method method = request.method;
  const RequestBody* body = request.body ? &*request.body : nullptr;
  std::vector<RequestHeader> headers = request.headers;

  auto handle = state_->pool->acquire();
  if (!handle) return std::unexpected(handle.error());

  for (int followed = 0;; ++followed) {
    HopRequest hop;
    hop.url = &*url;
    hop.method = method;
    hop.body = body;
    hop.headers = &headers;
    hop.headers_deadline = headers_deadline;
    hop.body_limit = state_->timeout;
    hop.fresh_connection = state_->reuse == ConnectionReuse::FreshEachRequest;

    HopResult result = run_hop(**handle, hop);
    state_->connections.fetch_add(static_cast<std::uint64_t>(std::max(result.connections_opened, 0L)),
                                  std::memory_order_relaxed);
    if (result.end == HopResult::End::TransportFailure)
      return std::unexpected(HttpError::sending(url->display, result.failure));

    if (result.redirect) {
      Url next = std::move(*result.redirect);
      if (followed == kMaxRedirects) return std::unexpected(HttpError::redirect(next.display, "too many redirects"));
      if (url->scheme == "https" && next.scheme == "http")
        return std::unexpected(HttpError::redirect(next.display, "redirect from https to http refused"));
      // Token headers belong to the origin the request was made for.
      if (!same_origin(*url, next)) std::erase_if(headers, [](const RequestHeader& h) { return h.sensitive; });
      if (result.status == 303 || ((result.status == 301 || result.status == 302) && method == Method::Post)) {
        method = Method::Get;
        body = nullptr;
      }
      *url = std::move(next);
      continue;
    }

    Response response;
    response.status = result.status;
    response.headers = std::move(result.headers);
    response.url = url->display;
    if (result.end == HopResult::End::BodyFailure) {
      response.body = std::unexpected(HttpError::decoding(result.failure));
    } else {
      response.body = std::move(result.body);
    }
    return response;
  }
}

}  // namespace norvi::client::http
