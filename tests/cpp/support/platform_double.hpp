#pragma once
// The local platform double (tests/double/platform_double.py) as a child process of a C++ test,
// with a small client of its control interface. tests/double/README.md describes the double.

#include <gtest/gtest.h>

#include <sys/types.h>

#include <cstdint>
#include <expected>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "support/scoped_env.hpp"

namespace norvi::testing {

// One request as the double logged it.
struct LoggedRequest {
  std::string method;
  std::string path;  // raw, query included
  std::vector<std::pair<std::string, std::string>> headers;  // in the order received
  std::string body;  // latin-1 bytes as sent
  double time = 0;   // the double's monotonic clock at arrival, in seconds
  std::string endpoint;  // "login", "list", "submit", "result", "config" or "other"
  std::vector<std::string> violations;
  std::string listener;  // "trusted" or "untrusted"
  std::int64_t connection = 0;  // same number: same TCP connection
  std::optional<int> answer_status;  // none when the connection was closed without an answer

  // The first value of a header, the name compared without regard to case.
  std::optional<std::string> header(std::string_view name) const;
};

template <typename T> using DoubleResult = std::expected<T, std::string>;

class PlatformDouble {
 public:
  // Starts the process and waits for its ready line; on failure started() is false and the
  // process is gone. Never throws.
  PlatformDouble();
  // Attaches to a double that another process started (tests/double/shared_double.py) in `shared_dir`.
  explicit PlatformDouble(const std::string& shared_dir);
  ~PlatformDouble();
  PlatformDouble(const PlatformDouble&) = delete;
  PlatformDouble& operator=(const PlatformDouble&) = delete;

  // One double per test process, started on first use and stopped at exit; under CTest, the run's
  // double named by NORVI_SHARED_DOUBLE.
  static PlatformDouble& shared();

  // One test's exclusive use of a double that several test processes share: held from before the
  // reset to the end of the test. A double of this process alone needs no turn.
  class Turn {
   public:
    explicit Turn(const std::string& lock_file);
    ~Turn();
    Turn(const Turn&) = delete;
    Turn& operator=(const Turn&) = delete;

   private:
    int fd_ = -1;
  };
  std::unique_ptr<Turn> take_turn() const;

  bool started() const noexcept { return pid_ > 0 || attached_; }
  const std::string& start_error() const noexcept { return error_; }

  std::uint16_t port() const noexcept { return port_; }
  std::uint16_t untrusted_port() const noexcept { return untrusted_port_; }
  std::uint16_t control_port() const noexcept { return control_port_; }
  std::string domain() const;            // "127.0.0.1:P"
  std::string localhost_domain() const;  // "localhost:P": the same server, another origin
  std::string untrusted_domain() const;  // "127.0.0.1:U": a certificate the client must refuse
  const std::string& ca_file() const noexcept { return ca_file_; }

  DoubleResult<void> reset();
  // answers_json: a JSON array of answers, e.g. R"([{"status":503},{"fault":"close"}])".
  DoubleResult<void> script(std::string_view endpoint, std::string_view answers_json);
  // state_json: a JSON object merged into the state, e.g. R"({"reject_keys":["bad"]})".
  DoubleResult<void> set_state(std::string_view state_json);
  // The log as JSON text; only one endpoint's requests when given.
  DoubleResult<std::string> log_json(std::string_view endpoint = {});
  DoubleResult<std::vector<LoggedRequest>> log(std::string_view endpoint = {});

  // SSL_CERT_FILE names the double's CA; SSL_CERT_DIR, CURL_CA_BUNDLE, every proxy variable and
  // REQUEST_METHOD are cleared; all for the lifetime of env.
  void apply_environment(ScopedEnv& env) const;

 private:
  DoubleResult<std::string> control(std::string_view method, std::string_view target,
                                    std::string_view body);
  void start();
  void stop() noexcept;
  void adopt_ready_line(const std::string& line);

  pid_t pid_ = -1;
  int stdin_fd_ = -1;  // closing it ends the double
  int stdout_fd_ = -1;
  bool attached_ = false;  // to a double of another process, which this one does not stop
  std::string state_dir_;
  std::string lock_file_;  // empty unless attached
  std::string ca_file_;
  std::string error_;
  std::uint16_t port_ = 0;
  std::uint16_t untrusted_port_ = 0;
  std::uint16_t control_port_ = 0;
};

// Fixture for tests against the shared double: reset before each test, environment applied.
class PlatformDoubleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(platform().started()) << platform().start_error();
    turn_ = platform().take_turn();
    auto reset = platform().reset();
    ASSERT_TRUE(reset) << reset.error();
    platform().apply_environment(env_);
  }

  static PlatformDouble& platform() { return PlatformDouble::shared(); }

  ScopedEnv env_;
  std::unique_ptr<PlatformDouble::Turn> turn_;  // released after TearDown, with the fixture
};

}  // namespace norvi::testing
