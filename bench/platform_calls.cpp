// The authenticated road: 1,000 sequential calls of the backend list through call_platform_api
// against the local platform double (token check, headers, envelope decoding), on a platform client
// that keeps its connection, beside the same calls with a fresh TLS connection each.

#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <utility>

#include "norvi/client/api_call.hpp"
#include "norvi/client/json/value.hpp"
#include "norvi/client/login.hpp"
#include "support/platform_double.hpp"
#include "support/scoped_env.hpp"

namespace client = norvi::client;

namespace {

constexpr int kCalls = 1000;
constexpr const char* kListPath = "/zelm-quantum/sdk/quantumComputer/list";

struct Run {
  double calls_per_second = 0;
  std::uint64_t connections = 0;
  int failures = 0;
};

Run run(client::PlatformClient& platform) {
  Run r;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < kCalls; ++i) {
    auto devices = client::call_platform_api<client::json::Value>(platform, client::http::Method::Get, kListPath);
    if (!devices || !devices->is_array()) ++r.failures;
  }
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  r.calls_per_second = kCalls / took.count();
  r.connections = platform.http().connections_opened();
  return r;
}

}  // namespace

int main() {
  norvi::testing::PlatformDouble platform;
  if (!platform.started()) {
    std::fprintf(stderr, "the platform double did not start: %s\n", platform.start_error().c_str());
    return 1;
  }
  norvi::testing::ScopedEnv env;
  platform.apply_environment(env);

  char dir[] = "/tmp/norvi-bench-calls-XXXXXX";
  if (::mkdtemp(dir) == nullptr) return 1;
  const std::string path = std::string(dir) + "/credentials.json";
  const auto config = client::config_with_overrides(platform.domain(), false, true, path);
  auto credentials = client::login_with_api_key("bench-key", config);
  if (!credentials) {
    std::fprintf(stderr, "login failed: %s\n", credentials.error().display().c_str());
    return 1;
  }

  auto reused = client::new_platform_client(config, *credentials);
  auto fresh = client::new_platform_client(config, *credentials,
                                           {client::system_clock(), client::http::ConnectionReuse::FreshEachRequest});
  if (!reused || !fresh) return 1;
  const Run a = run(**reused);
  const Run b = run(**fresh);
  ::unlink(path.c_str());
  ::rmdir(dir);

  std::printf("%d sequential call_platform_api GET %s\n", kCalls, kListPath);
  std::printf("%-28s %10s %16s %9s\n", "platform client", "calls/s", "TLS connections", "failures");
  const std::pair<const char*, const Run*> rows[] = {{"kept connection", &a}, {"fresh connection each call", &b}};
  for (const auto& [label, r] : rows) {
    std::printf("%-28s %10.0f %16llu %9d\n", label, r->calls_per_second,
                static_cast<unsigned long long>(r->connections), r->failures);
  }
  std::printf("speed-up %.1fx\n", a.calls_per_second / b.calls_per_second);
  return a.failures == 0 && b.failures == 0 ? 0 : 1;
}
