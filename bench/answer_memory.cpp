// The extra peak memory of one result pass over a large answer, against the answer's size: the body
// served over loopback by a small in-process HTTP server, with Content-Length and chunked (no length
// announced), read and decoded by the client's own road (fetch_results). Beside it, in the same run,
// the baseline of the same bytes appended to one string that grows by doubling and then decoded. Each
// size comes with a handful of repeating outcomes and with uniform ones (every qubit a fair coin: about
// a million distinct outcomes of 20 qubits at these sizes).
//
//   bench_answer_memory [megabytes...]     (default: 139 210)

#include <arpa/inet.h>
#include <malloc.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include <fmt/format.h>

#include "norvi/client/config.hpp"
#include "norvi/client/credentials.hpp"
#include "norvi/client/platform_client.hpp"
#include "norvi/client/results/result_query.hpp"
#include "norvi/client/results/result_records.hpp"
#include "result_answer_body.hpp"

namespace client = norvi::client;

namespace {

constexpr int kQubits = 20;

// One result item of shot rows on 20 qubits, about `bytes` long; a handful of outcomes repeat.
std::string answer_body(std::size_t bytes) {
  std::string body = R"({"code":0,"message":"success","data":{"experimentResultModelList":[{"experimentTaskId":"task-1","status":0,"resultStatus":[[)";
  for (int q = 0; q < kQubits; ++q) body += fmt::format("{}{}", q ? "," : "", q);
  body += ']';
  const std::string_view rows[] = {",[0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0]", ",[1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1]",
                                   ",[1,0,1,0,1,0,1,0,1,0,1,0,1,0,1,0,1,0,1,0]", ",[0,0,0,0,0,0,0,0,0,0,1,1,1,1,1,1,1,1,1,1]",
                                   ",[1,1,0,0,1,1,0,0,1,1,0,0,1,1,0,0,1,1,0,0]"};
  constexpr std::string_view kEnd = "]}]}}";
  body.reserve(bytes + rows[0].size() + kEnd.size());
  for (std::size_t i = 0; body.size() + rows[0].size() + kEnd.size() <= bytes; ++i) body += rows[i % 7 % 5];
  body += kEnd;
  return body;
}

bool send_all(int fd, const char* data, std::size_t size) {
  while (size != 0) {
    const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

// Answers every request on 127.0.0.1 with the same body, announcing its length or sending it in
// chunks. One connection at a time, kept open between requests.
class AnswerServer {
 public:
  explicit AnswerServer(const std::string& body) : body_(body) {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd_, 4) != 0 ||
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
      std::perror("answer server");
      std::exit(1);
    }
    port_ = ntohs(addr.sin_port);
    thread_ = std::thread([this] { serve(); });
  }
  ~AnswerServer() {
    ::shutdown(fd_, SHUT_RDWR);
    thread_.join();
    ::close(fd_);
  }
  AnswerServer(const AnswerServer&) = delete;
  AnswerServer& operator=(const AnswerServer&) = delete;

  std::uint16_t port() const { return port_; }
  void set_chunked(bool chunked) { chunked_ = chunked; }

 private:
  void serve() {
    for (;;) {
      const int c = ::accept(fd_, nullptr, nullptr);
      if (c < 0) return;
      while (answer_one(c)) {
      }
      ::close(c);
    }
  }

  // Reads one request (headers, then a body by its Content-Length) and answers it.
  bool answer_one(int c) {
    std::string in;
    char buf[4096];
    std::size_t head_end;
    while ((head_end = in.find("\r\n\r\n")) == std::string::npos) {
      const ssize_t n = ::recv(c, buf, sizeof buf, 0);
      if (n <= 0) return false;
      in.append(buf, static_cast<std::size_t>(n));
    }
    std::size_t length = 0;
    if (const auto at = in.find("\r\ncontent-length:"); at != std::string::npos && at < head_end)
      length = std::strtoull(in.c_str() + at + 17, nullptr, 10);
    while (in.size() < head_end + 4 + length) {
      const ssize_t n = ::recv(c, buf, sizeof buf, 0);
      if (n <= 0) return false;
      in.append(buf, static_cast<std::size_t>(n));
    }
    const bool chunked = chunked_;
    const std::string head =
        chunked ? std::string("HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nTransfer-Encoding: chunked\r\n\r\n")
                 : fmt::format("HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: {}\r\n\r\n",
                               body_.size());
    if (!send_all(c, head.data(), head.size())) return false;
    if (!chunked) return send_all(c, body_.data(), body_.size());
    constexpr std::size_t kChunk = 256 * 1024;
    for (std::size_t at = 0; at < body_.size(); at += kChunk) {
      const std::size_t n = std::min(kChunk, body_.size() - at);
      const std::string size_line = fmt::format("{:x}\r\n", n);
      if (!send_all(c, size_line.data(), size_line.size()) || !send_all(c, body_.data() + at, n) || !send_all(c, "\r\n", 2))
        return false;
    }
    return send_all(c, "0\r\n\r\n", 5);
  }

  const std::string& body_;
  int fd_ = -1;
  std::uint16_t port_ = 0;
  std::thread thread_;
  std::atomic<bool> chunked_{false};  // set between requests
};

// Resident memory now and at its high-water mark, in kB, from /proc/self/status.
struct Resident {
  long now_kb = -1;
  long peak_kb = -1;
};

Resident resident() {
  Resident r;
  std::ifstream in("/proc/self/status");
  for (std::string line; std::getline(in, line);) {
    std::sscanf(line.c_str(), "VmRSS: %ld", &r.now_kb);
    std::sscanf(line.c_str(), "VmHWM: %ld", &r.peak_kb);
  }
  return r;
}

// The resident memory `run` adds at its peak, in bytes: the high-water mark is reset to the current
// resident size first.
double extra_peak_bytes(const std::function<void()>& run) {
  ::malloc_trim(0);
  const long before = resident().now_kb;
  std::ofstream("/proc/self/clear_refs") << "5";
  run();
  return static_cast<double>(resident().peak_kb - before) * 1024.0;
}

void decode_or_die(const std::string& body) {
  auto envelope = client::decode_results_answer(body);
  if (!envelope || !client::check_results_envelope(std::move(*envelope))) std::abort();
}

void report(std::string_view what, double extra, std::size_t body) {
  std::printf("  %-44s extra peak %8.1f MB  %5.2fx the body\n", std::string(what).c_str(), extra / 1e6,
              extra / static_cast<double>(body));
}

void measure(std::size_t megabytes, bool uniform) {
  const std::string body =
      uniform ? norvi::bench::result_answer_body(norvi::bench::shots_for_bytes(megabytes * 1'000'000, kQubits), kQubits,
                                                 nullptr, norvi::bench::Outcomes::uniform)
              : answer_body(megabytes * 1'000'000);
  AnswerServer server(body);
  client::BrevoraConfig config;
  config.scheme = "http";
  config.domain = fmt::format("127.0.0.1:{}", server.port());
  config.credentials_path = "/dev/null";
  auto made = client::new_platform_client(config, client::Credentials{"key", "token", client::system_clock().wall_seconds()});
  if (!made) {
    std::fprintf(stderr, "%s\n", made.error().display().c_str());
    std::exit(1);
  }
  const std::vector<std::string> ids{"task-1"};
  std::printf("result answer of %.1f MB (%.1f MiB), %s outcomes\n", static_cast<double>(body.size()) / 1e6,
              static_cast<double>(body.size()) / (1 << 20), uniform ? "uniform" : "five repeating");

  // Baseline: the same bytes appended in libcurl's 16 KiB pieces to one string, then decoded.
  report("baseline: one string grown by doubling", extra_peak_bytes([&] {
           std::string copy;
           for (std::size_t at = 0; at < body.size(); at += 16384) copy.append(body, at, 16384);
           decode_or_die(copy);
         }),
         body.size());
  for (bool chunked : {false, true}) {
    server.set_chunked(chunked);
    report(chunked ? "fetch_results, chunked (no length)" : "fetch_results, with Content-Length", extra_peak_bytes([&] {
             auto records = client::fetch_results(**made, ids, 1000);
             if (!records || records->size() != 1) {
               std::fprintf(stderr, "%s\n", records ? "no record" : records.error().display().c_str());
               std::exit(1);
             }
           }),
           body.size());
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::size_t> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::strtoull(argv[i], nullptr, 10));
  if (sizes.empty()) sizes = {139, 210};
  for (std::size_t mb : sizes) {
    for (bool uniform : {false, true}) measure(mb, uniform);
  }
}
