// Connection reuse: 1,000 sequential authenticated GETs of the backend list against the local
// platform double, on one client that keeps its connection, beside the same calls with a fresh
// TLS connection each.

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "norvi/client/http/percent_encoding.hpp"
#include "norvi/client/http/http_client.hpp"

using namespace norvi::client::http;
using namespace std::chrono_literals;

namespace {

constexpr int kCalls = 1000;

// The double as a child process: its stdin is our pipe, so it goes when we do.
struct Double {
  pid_t pid = -1;
  int stdin_fd = -1;
  std::string ready_line;
  std::string state_dir;

  bool start() {
    char dir[] = "/tmp/norvi-bench-XXXXXX";
    if (mkdtemp(dir) == nullptr) return false;
    state_dir = dir;
    int in[2], out[2];
    if (pipe(in) != 0 || pipe(out) != 0) return false;
    pid = fork();
    if (pid == 0) {
      dup2(in[0], 0);
      dup2(out[1], 1);
      close(in[1]);
      close(out[0]);
      const std::string script = std::string(NORVI_SOURCE_DIR) + "/tests/double/platform_double.py";
      execl("/usr/bin/python3", "python3", script.c_str(), "--state-dir", dir, static_cast<char*>(nullptr));
      _exit(127);
    }
    close(in[0]);
    close(out[1]);
    stdin_fd = in[1];
    char c;
    while (read(out[0], &c, 1) == 1 && c != '\n') ready_line += c;
    close(out[0]);
    return !ready_line.empty();
  }

  // The value of a number or text field of the ready line.
  std::string field(const std::string& name) const {
    const std::string key = "\"" + name + "\": ";
    auto at = ready_line.find(key);
    if (at == std::string::npos) return {};
    at += key.size();
    if (ready_line[at] == '"') return ready_line.substr(at + 1, ready_line.find('"', at + 1) - at - 1);
    return ready_line.substr(at, ready_line.find_first_of(",}", at) - at);
  }

  ~Double() {
    if (pid > 0) {
      close(stdin_fd);
      kill(pid, SIGTERM);
      waitpid(pid, nullptr, 0);
    }
    if (!state_dir.empty()) std::system(("rm -rf " + state_dir).c_str());
  }
};

struct Run {
  double calls_per_second = 0;
  std::uint64_t connections = 0;
  int failures = 0;
};

Run run(const HttpClient& client, const Request& request) {
  Run r;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < kCalls; ++i) {
    auto response = client.send(request);
    if (!response || response->status != 200 || !response->body) ++r.failures;
  }
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  r.calls_per_second = kCalls / took.count();
  r.connections = client.connections_opened();
  return r;
}

}  // namespace

int main() {
  Double platform;
  if (!platform.start()) {
    std::fprintf(stderr, "the platform double did not start\n");
    return 1;
  }
  setenv("SSL_CERT_FILE", platform.field("ca_file").c_str(), 1);
  for (const char* name : {"SSL_CERT_DIR", "CURL_CA_BUNDLE", "HTTPS_PROXY", "https_proxy", "HTTP_PROXY", "http_proxy",
                           "ALL_PROXY", "all_proxy", "NO_PROXY", "no_proxy", "REQUEST_METHOD"})
    unsetenv(name);
  const std::string base = "https://127.0.0.1:" + platform.field("port");

  auto login_client = HttpClient::create(30s);
  if (!login_client) return 1;
  Request login{Method::Post, base + "/zelm-auth/oauth2/sdk/opnId", {},
                RequestBody{"application/x-www-form-urlencoded",
                            form_urlencode({{"grant_type", "openId"}, {"openId", "bench-key"}, {"account_type", "member"}})}};
  auto answer = login_client->send(login);
  if (!answer || !answer->body) {
    std::fprintf(stderr, "login failed: %s\n", answer ? answer->body.error().text().c_str() : answer.error().text().c_str());
    return 1;
  }
  // Crude, but enough for a benchmark: "access_token":"<token>".
  const std::string key = "\"access_token\":\"";
  const auto at = answer->body->find(key);
  if (at == std::string::npos) return 1;
  const std::string token = answer->body->substr(at + key.size(), answer->body->find('"', at + key.size()) - at - key.size());

  const Request list{Method::Get, base + "/zelm-quantum/sdk/quantumComputer/list",
                     {{"basictoken", token, true}, {"authorization", "Bearer " + token, true}}, std::nullopt};

  auto reused = HttpClient::create(60s, ConnectionReuse::Reuse);
  auto fresh = HttpClient::create(60s, ConnectionReuse::FreshEachRequest);
  if (!reused || !fresh) return 1;
  const Run a = run(*reused, list);
  const Run b = run(*fresh, list);

  std::printf("%d sequential GET %s\n", kCalls, "/zelm-quantum/sdk/quantumComputer/list");
  std::printf("%-28s %10s %16s %9s\n", "client", "calls/s", "TLS connections", "failures");
  std::printf("%-28s %10.0f %16llu %9d\n", "shared connection cache", a.calls_per_second,
              static_cast<unsigned long long>(a.connections), a.failures);
  std::printf("%-28s %10.0f %16llu %9d\n", "fresh connection each call", b.calls_per_second,
              static_cast<unsigned long long>(b.connections), b.failures);
  std::printf("speed-up %.1fx\n", a.calls_per_second / b.calls_per_second);
  return a.failures == 0 && b.failures == 0 ? 0 : 1;
}
