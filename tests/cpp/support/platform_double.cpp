#include "support/platform_double.hpp"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include <fmt/format.h>
#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

namespace norvi::testing {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kStartTimeout = std::chrono::seconds(30);
constexpr auto kStopTimeout = std::chrono::seconds(5);
constexpr int kControlTimeoutSeconds = 30;
constexpr std::size_t kMaxControlAnswer = std::size_t{1} << 30;

std::string errno_text(std::string_view what) {
  return fmt::format("{}: {}", what, std::strerror(errno));
}

bool equal_ignoring_case(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

std::string json_text(std::string_view text) {
  rapidjson::StringBuffer out;
  rapidjson::Writer<rapidjson::StringBuffer> writer(out);
  writer.String(text.data(), static_cast<rapidjson::SizeType>(text.size()));
  return out.GetString();
}

// Reads one line from fd until the deadline; the double prints nothing else, so no byte is lost.
DoubleResult<std::string> read_line(int fd, Clock::time_point deadline) {
  std::string line;
  while (true) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return std::unexpected("no ready line in time");
    pollfd p{fd, POLLIN, 0};
    int ready = ::poll(&p, 1, static_cast<int>(left.count()));
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) return std::unexpected(errno_text("poll"));
    if (ready == 0) continue;
    char c;
    ssize_t n = ::read(fd, &c, 1);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return std::unexpected(errno_text("read"));
    if (n == 0) return std::unexpected(fmt::format("the double exited before it was ready (output: {})", line));
    if (c == '\n') return line;
    line += c;
  }
}

bool send_all(int fd, std::string_view data) {
  while (!data.empty()) {
    ssize_t n = ::send(fd, data.data(), data.size(), MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

struct HttpAnswer {
  int status = 0;
  std::string body;
};

// One HTTP/1.1 exchange with a plain server on 127.0.0.1 over a fresh connection.
DoubleResult<HttpAnswer> http_exchange(std::uint16_t port, std::string_view method,
                                       std::string_view target, std::string_view body) {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return std::unexpected(errno_text("socket"));
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  timeval timeout{kControlTimeoutSeconds, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    return std::unexpected(errno_text("connect to the control port"));
  }
  std::string request = fmt::format(
      "{} {} HTTP/1.1\r\nHost: 127.0.0.1:{}\r\nContent-Type: application/json\r\n"
      "Content-Length: {}\r\nConnection: close\r\n\r\n{}",
      method, target, port, body.size(), body);
  if (!send_all(fd, request)) return std::unexpected(errno_text("send to the control port"));

  std::string raw;
  std::size_t head_end = std::string::npos;
  std::size_t expected = kMaxControlAnswer;
  while (head_end == std::string::npos || raw.size() < head_end + 4 + expected) {
    char buffer[65536];
    ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return std::unexpected(errno_text("read from the control port"));
    if (n == 0) break;
    raw.append(buffer, static_cast<std::size_t>(n));
    if (raw.size() > kMaxControlAnswer) return std::unexpected("control answer too large");
    if (head_end == std::string::npos && (head_end = raw.find("\r\n\r\n")) != std::string::npos) {
      std::string_view head(raw.data(), head_end);
      for (std::size_t at = head.find("\r\n"); at != std::string_view::npos; at = head.find("\r\n", at + 2)) {
        std::string_view line = head.substr(at + 2, head.find("\r\n", at + 2) - (at + 2));
        constexpr std::string_view kLength = "content-length:";
        if (line.size() > kLength.size() && equal_ignoring_case(line.substr(0, kLength.size()), kLength)) {
          expected = std::strtoull(std::string(line.substr(kLength.size())).c_str(), nullptr, 10);
        }
      }
    }
  }
  if (head_end == std::string::npos || raw.compare(0, 9, "HTTP/1.1 ") != 0) {
    return std::unexpected(fmt::format("malformed control answer: {}", raw.substr(0, 200)));
  }
  HttpAnswer answer;
  answer.status = std::atoi(raw.c_str() + 9);
  answer.body = raw.substr(head_end + 4, expected);
  return answer;
}

// The control answers that carry nothing but success.
DoubleResult<void> done(DoubleResult<std::string> answer) {
  if (!answer) return std::unexpected(std::move(answer.error()));
  return {};
}

// The log carries a body as latin-1 text, one character per byte sent, which its JSON holds as UTF-8:
// each character (U+0000 to U+00FF, so one or two UTF-8 bytes) becomes its byte again.
std::string latin1_bytes(std::string_view utf8) {
  std::string bytes;
  bytes.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    if (lead < 0x80 || i + 1 == utf8.size()) {
      bytes.push_back(static_cast<char>(lead));
      continue;
    }
    const auto next = static_cast<unsigned char>(utf8[++i]);
    bytes.push_back(static_cast<char>(((lead & 0x1F) << 6) | (next & 0x3F)));
  }
  return bytes;
}

DoubleResult<LoggedRequest> logged_request(const rapidjson::Value& v) {
  auto text = [&](const char* key) -> std::optional<std::string> {
    auto it = v.FindMember(key);
    if (it == v.MemberEnd() || !it->value.IsString()) return std::nullopt;
    return std::string(it->value.GetString(), it->value.GetStringLength());
  };
  if (!v.IsObject()) return std::unexpected("log entry is not an object");
  LoggedRequest r;
  auto method = text("method"), path = text("path"), body = text("body"), endpoint = text("endpoint");
  if (!method || !path || !body || !endpoint) return std::unexpected("log entry lacks a text field");
  r.method = *method;
  r.path = *path;
  r.body = latin1_bytes(*body);
  r.endpoint = *endpoint;
  r.listener = text("listener").value_or("");
  if (auto it = v.FindMember("time"); it != v.MemberEnd() && it->value.IsNumber()) r.time = it->value.GetDouble();
  if (auto it = v.FindMember("connection"); it != v.MemberEnd() && it->value.IsInt64()) {
    r.connection = it->value.GetInt64();
  }
  if (auto it = v.FindMember("answer_status"); it != v.MemberEnd() && it->value.IsInt()) {
    r.answer_status = it->value.GetInt();
  }
  if (auto it = v.FindMember("headers"); it != v.MemberEnd() && it->value.IsArray()) {
    for (const auto& h : it->value.GetArray()) {
      if (!h.IsArray() || h.Size() != 2 || !h[0].IsString() || !h[1].IsString()) {
        return std::unexpected("log entry has a malformed header");
      }
      r.headers.emplace_back(std::string(h[0].GetString(), h[0].GetStringLength()),
                             std::string(h[1].GetString(), h[1].GetStringLength()));
    }
  }
  if (auto it = v.FindMember("violations"); it != v.MemberEnd() && it->value.IsArray()) {
    for (const auto& text_value : it->value.GetArray()) {
      if (text_value.IsString()) r.violations.emplace_back(text_value.GetString(), text_value.GetStringLength());
    }
  }
  return r;
}

}  // namespace

std::optional<std::string> LoggedRequest::header(std::string_view name) const {
  for (const auto& [n, value] : headers) {
    if (equal_ignoring_case(n, name)) return value;
  }
  return std::nullopt;
}

PlatformDouble::PlatformDouble() { start(); }

PlatformDouble::PlatformDouble(const std::string& shared_dir) : lock_file_(shared_dir + "/lock") {
  std::ifstream in(shared_dir + "/ready.json");
  std::string line;
  if (!std::getline(in, line)) {
    error_ = "no ready line in " + shared_dir + "/ready.json";
    return;
  }
  adopt_ready_line(line);
  attached_ = error_.empty();
}

PlatformDouble::~PlatformDouble() { stop(); }

PlatformDouble& PlatformDouble::shared() {
  // Under CTest one double serves the whole run (a fixture starts it); run alone, the process starts
  // its own.
  static PlatformDouble instance = [] {
    const char* dir = std::getenv("NORVI_SHARED_DOUBLE");
    return dir != nullptr && *dir != '\0' ? PlatformDouble(std::string(dir)) : PlatformDouble();
  }();
  return instance;
}

PlatformDouble::Turn::Turn(const std::string& lock_file) {
  if (lock_file.empty()) return;
  fd_ = ::open(lock_file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd_ < 0) return;
  while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
  }
}

PlatformDouble::Turn::~Turn() {
  if (fd_ >= 0) ::close(fd_);  // releases the lock
}

std::unique_ptr<PlatformDouble::Turn> PlatformDouble::take_turn() const {
  return std::make_unique<Turn>(lock_file_);
}

void PlatformDouble::adopt_ready_line(const std::string& line) {
  rapidjson::Document ready;
  auto port = [&](const char* key) -> std::uint16_t {
    auto it = ready.FindMember(key);
    return (it != ready.MemberEnd() && it->value.IsUint() && it->value.GetUint() <= 65535)
               ? static_cast<std::uint16_t>(it->value.GetUint())
               : 0;
  };
  if (ready.Parse(line.c_str()).HasParseError() || !ready.IsObject() || !ready.HasMember("ca_file") ||
      !ready["ca_file"].IsString()) {
    error_ = "platform double printed an unexpected ready line: " + line;
    return;
  }
  port_ = port("port");
  control_port_ = port("control_port");
  untrusted_port_ = port("untrusted_port");
  ca_file_ = ready["ca_file"].GetString();
  if (port_ == 0 || control_port_ == 0 || untrusted_port_ == 0) {
    error_ = "platform double printed an unexpected ready line: " + line;
  }
}

void PlatformDouble::start() {
  std::string dir_template = (std::filesystem::temp_directory_path() / "norvi-double-XXXXXX").string();
  if (::mkdtemp(dir_template.data()) == nullptr) {
    error_ = errno_text("mkdtemp");
    return;
  }
  state_dir_ = dir_template;

  int in[2], out[2];
  if (::pipe2(in, O_CLOEXEC) != 0) {
    error_ = errno_text("pipe");
    return;
  }
  if (::pipe2(out, O_CLOEXEC) != 0) {
    error_ = errno_text("pipe");
    ::close(in[0]);
    ::close(in[1]);
    return;
  }
  // Everything the child needs is built before fork: after it only async-signal-safe calls.
  std::string python = NORVI_PYTHON;
  std::string script = NORVI_SOURCE_DIR "/tests/double/platform_double.py";
  std::string flag = "--state-dir";
  char* argv[] = {python.data(), script.data(), flag.data(), state_dir_.data(), nullptr};
  pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(in[0], STDIN_FILENO);
    ::dup2(out[1], STDOUT_FILENO);
    ::execv(argv[0], argv);
    ::_exit(127);
  }
  ::close(in[0]);
  ::close(out[1]);
  stdin_fd_ = in[1];
  stdout_fd_ = out[0];
  if (pid < 0) {
    error_ = errno_text("fork");
    stop();
    return;
  }
  pid_ = pid;

  auto line = read_line(stdout_fd_, Clock::now() + kStartTimeout);
  if (!line) {
    error_ = "platform double did not start: " + line.error();
  } else {
    adopt_ready_line(*line);
  }
  if (!error_.empty()) {
    ::kill(pid_, SIGKILL);
    stop();
  }
}

void PlatformDouble::stop() noexcept {
  if (stdin_fd_ >= 0) ::close(stdin_fd_);  // EOF on its stdin: the double exits
  stdin_fd_ = -1;
  if (pid_ > 0) {
    auto deadline = Clock::now() + kStopTimeout;
    int status = 0;
    while (::waitpid(pid_, &status, WNOHANG) == 0) {
      if (Clock::now() >= deadline) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, &status, 0);
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    pid_ = -1;
  }
  if (stdout_fd_ >= 0) ::close(stdout_fd_);
  stdout_fd_ = -1;
  if (!state_dir_.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(state_dir_, ignored);
    state_dir_.clear();
  }
}

std::string PlatformDouble::domain() const { return fmt::format("127.0.0.1:{}", port_); }
std::string PlatformDouble::localhost_domain() const { return fmt::format("localhost:{}", port_); }
std::string PlatformDouble::untrusted_domain() const { return fmt::format("127.0.0.1:{}", untrusted_port_); }

DoubleResult<std::string> PlatformDouble::control(std::string_view method, std::string_view target,
                                                  std::string_view body) {
  if (!started()) return std::unexpected("platform double not running: " + error_);
  auto answer = http_exchange(control_port_, method, target, body);
  if (!answer) return std::unexpected(answer.error());
  if (answer->status != 200) {
    return std::unexpected(fmt::format("platform double refused {} {} ({}): {}", method, target,
                                       answer->status, answer->body));
  }
  return std::move(answer->body);
}

DoubleResult<void> PlatformDouble::reset() {
  return done(control("POST", "/reset", ""));
}

DoubleResult<void> PlatformDouble::script(std::string_view endpoint, std::string_view answers_json) {
  auto body = fmt::format(R"({{"endpoint":{},"answers":{}}})", json_text(endpoint), answers_json);
  return done(control("POST", "/script", body));
}

DoubleResult<void> PlatformDouble::set_state(std::string_view state_json) {
  return done(control("POST", "/state", state_json));
}

DoubleResult<std::string> PlatformDouble::log_json(std::string_view endpoint) {
  return control("GET", endpoint.empty() ? std::string("/log") : fmt::format("/log?endpoint={}", endpoint), "");
}

DoubleResult<std::vector<LoggedRequest>> PlatformDouble::log(std::string_view endpoint) {
  auto text = log_json(endpoint);
  if (!text) return std::unexpected(text.error());
  rapidjson::Document doc;
  if (doc.Parse(text->c_str()).HasParseError() || !doc.IsArray()) {
    return std::unexpected("the double's log is not a JSON array");
  }
  std::vector<LoggedRequest> entries;
  for (const auto& v : doc.GetArray()) {
    auto entry = logged_request(v);
    if (!entry) return std::unexpected(entry.error());
    entries.push_back(std::move(*entry));
  }
  return entries;
}

void PlatformDouble::apply_environment(ScopedEnv& env) const {
  env.set("SSL_CERT_FILE", ca_file_);
  for (const char* name : {"SSL_CERT_DIR", "CURL_CA_BUNDLE", "HTTPS_PROXY", "https_proxy", "HTTP_PROXY",
                           "http_proxy", "ALL_PROXY", "all_proxy", "NO_PROXY", "no_proxy", "REQUEST_METHOD"}) {
    env.unset(name);
  }
}

}  // namespace norvi::testing
