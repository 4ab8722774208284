#include "http/transfer.hpp"

#include <openssl/err.h>
#include <openssl/ssl.h>

#include <algorithm>
#include <charconv>
#include <new>

#include "http/body_buffer.hpp"
#include "http/headers.hpp"
#include "http/proxy.hpp"

namespace norvi::client::http {
namespace {

constexpr std::string_view kTimedOut = "operation timed out";
constexpr std::string_view kClosedBeforeAnswer = "connection closed by the server before any answer arrived";

// What the callbacks see of one hop while libcurl runs it.
struct HopState {
  const Url* url = nullptr;
  std::chrono::milliseconds body_limit{0};
  Clock::time_point deadline;
  HopResult* result = nullptr;
  bool headers_complete = false;  // the final (not 1xx) header block has ended
  bool keep_body = false;
  BodyBuffer body;
  bool out_of_memory = false;
  bool request_sent = false;    // the request has gone out in this transfer
  bool resend_refused = false;  // libcurl wanted to send it a second time
};

struct HeaderList {
  curl_slist* list = nullptr;
  HeaderList() = default;
  HeaderList(const HeaderList&) = delete;
  HeaderList& operator=(const HeaderList&) = delete;
  ~HeaderList() { curl_slist_free_all(list); }
  bool add(const std::string& line) {
    curl_slist* grown = curl_slist_append(list, line.c_str());
    if (grown == nullptr) return false;
    list = grown;
    return true;
  }
};

bool is_redirect_status(int status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

std::string_view trim_blanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

std::string lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return out;
}

// "HTTP/1.1 200 OK" -> 200; 0 when the line does not hold a status.
int status_of(std::string_view line) {
  const auto space = line.find(' ');
  if (space == std::string_view::npos || line.size() < space + 4) return 0;
  int status = 0;
  for (std::size_t i = space + 1; i < space + 4; ++i) {
    if (line[i] < '0' || line[i] > '9') return 0;
    status = status * 10 + (line[i] - '0');
  }
  return status;
}

// The Content-Length of an answer whose body is not chunked, or null.
const std::string* announced_length(const std::vector<ResponseHeader>& headers) {
  const std::string* length = nullptr;
  for (const ResponseHeader& h : headers) {
    if (h.name == "transfer-encoding") return nullptr;
    if (h.name == "content-length" && length == nullptr) length = &h.value;
  }
  return length;
}

void end_of_headers(HopState& hop) {
  hop.headers_complete = true;
  HopResult& result = *hop.result;
  if (is_redirect_status(result.status)) {
    for (const ResponseHeader& h : result.headers) {
      if (h.name != "location") continue;
      if (auto target = resolve_url(*hop.url, h.value)) {
        result.redirect = std::move(*target);
        return;  // the body of a redirect is read and dropped within the headers' deadline
      }
      break;
    }
  }
  hop.keep_body = true;
  hop.deadline = deadline_after(Clock::now(), hop.body_limit);
  if (const std::string* length = announced_length(result.headers)) {
    std::size_t n = 0;
    const auto [end, ec] = std::from_chars(length->data(), length->data() + length->size(), n);
    if (ec == std::errc() && end == length->data() + length->size()) hop.body.expect(n);
  }
}

void on_header_line(HopState& hop, std::string_view line) {
  HopResult& result = *hop.result;
  if (hop.headers_complete) return;  // trailers after a chunked body
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  if (line.starts_with("HTTP/")) {
    result.status = status_of(line);
    result.headers.clear();  // an interim 1xx block is forgotten
    return;
  }
  if (line.empty()) {
    if (result.status >= 200) end_of_headers(hop);
    return;
  }
  if ((line.front() == ' ' || line.front() == '\t')) {  // obsolete line folding
    if (!result.headers.empty()) {
      std::string& value = result.headers.back().value;
      value += ' ';
      value += trim_blanks(line);
    }
    return;
  }
  const auto colon = line.find(':');
  if (colon == std::string_view::npos) return;
  result.headers.push_back({lower(trim_blanks(line.substr(0, colon))), std::string(trim_blanks(line.substr(colon + 1)))});
}

std::size_t header_callback(char* data, std::size_t size, std::size_t count, void* user) {
  auto& hop = *static_cast<HopState*>(user);
  try {
    on_header_line(hop, std::string_view(data, size * count));
  } catch (const std::bad_alloc&) {
    hop.out_of_memory = true;
    return 0;
  }
  return size * count;
}

std::size_t write_callback(char* data, std::size_t size, std::size_t count, void* user) {
  auto& hop = *static_cast<HopState*>(user);
  if (!hop.keep_body) return size * count;
  if (!hop.body.append(data, size * count)) {
    hop.out_of_memory = true;
    return 0;
  }
  return size * count;
}

// libcurl sends a request again by itself, on a new connection, when a kept connection dies before
// the answer begins. Within one attempt of the retry loop that is a second request the caller never
// asked for (a submitted batch would run twice), so a transfer sends its request at most once: the
// second send is refused and the transfer ends as a transport failure of that attempt.
int prerequest_callback(void* user, char*, char*, int, int) {
  auto& hop = *static_cast<HopState*>(user);
  if (hop.request_sent) {
    hop.resend_refused = true;
    return CURL_PREREQFUNC_ABORT;
  }
  hop.request_sent = true;
  return CURL_PREREQFUNC_OK;
}

// OpenSSL's own rule: SSL_CERT_FILE and SSL_CERT_DIR when set, else the system's bundle and
// directory. libcurl would only use its compiled-in paths.
CURLcode ssl_context_callback(CURL*, void* context, void*) {
  const int ok = SSL_CTX_set_default_verify_paths(static_cast<SSL_CTX*>(context));
  ERR_clear_error();  // a missing file is not an error here: verification will fail instead
  return ok == 1 ? CURLE_OK : CURLE_SSL_CACERT_BADFILE;
}

struct Setup {
  CURLcode rc = CURLE_OK;
  template <typename T> void operator()(CURL* easy, CURLoption option, T value) {
    if (rc == CURLE_OK) rc = curl_easy_setopt(easy, option, value);
  }
};

// The request's header lines: its own headers in order, then the body's content type. A header
// whose value cannot travel is left out.
bool build_headers(const HopRequest& request, HeaderList& lines) {
  for (const RequestHeader& h : *request.headers) {
    if (!sendable_header_value(h.value)) continue;
    // libcurl drops "name:" with nothing after it; "name;" sends an empty value.
    if (!lines.add(h.value.empty() ? h.name + ";" : h.name + ": " + h.value)) return false;
  }
  if (request.body != nullptr) {
    if (sendable_header_value(request.body->content_type) && !lines.add("content-type: " + request.body->content_type))
      return false;
  } else if (request.method == Method::Post && !lines.add("Content-Type:")) {  // no form type on an empty POST
    return false;
  }
  return lines.add("Expect:");
}

CURLcode configure(TransferHandle& handle, const HopRequest& request, const ProxyChoice& proxy,
                   const HeaderList& lines, HopState& hop) {
  CURL* easy = handle.easy;
  Setup set;
  set(easy, CURLOPT_URL, request.url->text.c_str());
  set(easy, CURLOPT_PROTOCOLS_STR, "http,https");
  set(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  set(easy, CURLOPT_NOSIGNAL, 1L);
  set(easy, CURLOPT_FOLLOWLOCATION, 0L);  // redirects are followed one hop at a time by the client

  set(easy, CURLOPT_SSL_VERIFYPEER, 1L);
  set(easy, CURLOPT_SSL_VERIFYHOST, 2L);
  set(easy, CURLOPT_CAINFO, static_cast<const char*>(nullptr));
  set(easy, CURLOPT_CAPATH, static_cast<const char*>(nullptr));
  set(easy, CURLOPT_CA_CACHE_TIMEOUT, 0L);  // a cached store would outlive a change of SSL_CERT_FILE
  set(easy, CURLOPT_SSL_CTX_FUNCTION, &ssl_context_callback);

  set(easy, CURLOPT_PROXY, proxy.proxy.c_str());
  set(easy, CURLOPT_NOPROXY, proxy.no_proxy.c_str());
  set(easy, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);

  set(easy, CURLOPT_HTTPHEADER, lines.list);
  set(easy, CURLOPT_HEADERFUNCTION, &header_callback);
  set(easy, CURLOPT_HEADERDATA, static_cast<void*>(&hop));
  set(easy, CURLOPT_WRITEFUNCTION, &write_callback);
  set(easy, CURLOPT_WRITEDATA, static_cast<void*>(&hop));
  set(easy, CURLOPT_ERRORBUFFER, handle.error_buffer);
  set(easy, CURLOPT_PREREQFUNCTION, &prerequest_callback);
  set(easy, CURLOPT_PREREQDATA, static_cast<void*>(&hop));

  if (request.fresh_connection) {
    set(easy, CURLOPT_FRESH_CONNECT, 1L);
    set(easy, CURLOPT_FORBID_REUSE, 1L);
  }

  if (request.method == Method::Get && request.body == nullptr) {
    set(easy, CURLOPT_HTTPGET, 1L);
  } else {
    static const char kNoData[] = "";
    const char* data = request.body ? request.body->data.data() : kNoData;
    const auto size = static_cast<curl_off_t>(request.body ? request.body->data.size() : 0);
    set(easy, CURLOPT_POST, 1L);
    set(easy, CURLOPT_POSTFIELDSIZE_LARGE, size);
    set(easy, CURLOPT_POSTFIELDS, data);
    if (request.method == Method::Get) set(easy, CURLOPT_CUSTOMREQUEST, "GET");
  }
  return set.rc;
}

struct DriveEnd {
  bool ok = true;
  bool timed_out = false;
  CURLcode code = CURLE_OK;
  std::string multi_failure;
};

// Runs the transfer until it ends or the current deadline passes (the header callback moves the
// deadline when the body starts).
DriveEnd drive(TransferHandle& handle, HopState& hop) {
  DriveEnd end;
  if (const CURLMcode mc = curl_multi_add_handle(handle.multi, handle.easy); mc != CURLM_OK) {
    end.ok = false;
    end.multi_failure = curl_multi_strerror(mc);
    return end;
  }
  for (;;) {
    int running = 0;
    CURLMcode mc = curl_multi_perform(handle.multi, &running);
    if (mc == CURLM_OK && running == 0) {
      int queued = 0;
      while (CURLMsg* msg = curl_multi_info_read(handle.multi, &queued)) {
        if (msg->msg == CURLMSG_DONE && msg->easy_handle == handle.easy) end.code = msg->data.result;
      }
      end.ok = end.code == CURLE_OK;
      break;
    }
    if (mc == CURLM_OK) {
      const auto now = Clock::now();
      if (now >= hop.deadline) {
        end.ok = false;
        end.timed_out = true;
        break;
      }
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(hop.deadline - now).count();
      mc = curl_multi_poll(handle.multi, nullptr, 0, static_cast<int>(std::clamp<decltype(left)>(left, 1, 1000)), nullptr);
    }
    if (mc != CURLM_OK) {
      end.ok = false;
      end.multi_failure = curl_multi_strerror(mc);
      break;
    }
  }
  // Removing an unfinished transfer closes its connection.
  curl_multi_remove_handle(handle.multi, handle.easy);
  return end;
}

}  // namespace

Clock::time_point deadline_after(Clock::time_point from, std::chrono::milliseconds limit) {
  if (limit <= std::chrono::milliseconds::zero()) return from;
  const auto room = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::time_point::max() - from);
  return limit >= room ? Clock::time_point::max() : from + limit;
}

HopResult run_hop(TransferHandle& handle, const HopRequest& request) {
  HopResult result;
  HopState hop;
  hop.url = request.url;
  hop.body_limit = request.body_limit;
  hop.deadline = request.headers_deadline;
  hop.result = &result;

  handle.error_buffer[0] = '\0';
  HeaderList lines;
  const ProxyChoice proxy = proxy_from_environment(request.url->scheme);
  if (!build_headers(request, lines)) {
    result.end = HopResult::End::TransportFailure;
    result.failure = "out of memory";
    return result;
  }
  if (const CURLcode rc = configure(handle, request, proxy, lines, hop); rc != CURLE_OK) {
    result.end = HopResult::End::TransportFailure;
    result.failure = curl_easy_strerror(rc);
    return result;
  }

  const DriveEnd end = drive(handle, hop);
  curl_easy_getinfo(handle.easy, CURLINFO_NUM_CONNECTS, &result.connections_opened);
  if (end.ok && !hop.out_of_memory) {
    try {
      result.body = hop.body.take();
      return result;
    } catch (const std::bad_alloc&) {
      hop.out_of_memory = true;
    }
  }

  if (hop.out_of_memory) {
    result.failure = "out of memory";
  } else if (hop.resend_refused) {
    result.failure = kClosedBeforeAnswer;
  } else if (end.timed_out) {
    result.failure = kTimedOut;
  } else if (!end.multi_failure.empty()) {
    result.failure = end.multi_failure;
  } else if (handle.error_buffer[0] != '\0') {
    result.failure = handle.error_buffer;
  } else {
    result.failure = curl_easy_strerror(end.code);
  }
  result.end = hop.keep_body ? HopResult::End::BodyFailure : HopResult::End::TransportFailure;
  return result;
}

}  // namespace norvi::client::http
