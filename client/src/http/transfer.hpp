#pragma once
// One exchange with one server (one hop of a request that may be redirected), driven on the
// calling thread with our own deadlines.

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "http/handle_pool.hpp"
#include "http/url.hpp"
#include "norvi/client/http/message.hpp"

namespace norvi::client::http {

using Clock = std::chrono::steady_clock;

// `from` + `limit`, saturating: a huge limit means no limit rather than a deadline in the past.
Clock::time_point deadline_after(Clock::time_point from, std::chrono::milliseconds limit);

struct HopRequest {
  const Url* url = nullptr;
  Method method = Method::Get;
  const RequestBody* body = nullptr;             // none: no body
  const std::vector<RequestHeader>* headers = nullptr;  // names checked; values checked here
  Clock::time_point headers_deadline;            // the answer's headers must be complete by then
  std::chrono::milliseconds body_limit{0};       // then the body must be read within this
  bool fresh_connection = false;
};

struct HopResult {
  enum class End { Complete, TransportFailure, BodyFailure };
  End end = End::Complete;
  std::string failure;  // why, for the two failures

  int status = 0;
  std::vector<ResponseHeader> headers;
  std::string body;
  std::optional<Url> redirect;  // a redirect status with a usable Location: its target; no body kept
  long connections_opened = 0;
};

HopResult run_hop(TransferHandle& handle, const HopRequest& request);

}  // namespace norvi::client::http
