// The HTTP client over real HTTPS against the local platform double.

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <rapidjson/document.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

#include <fmt/format.h>

#include "norvi/client/http/percent_encoding.hpp"
#include "norvi/client/http/http_client.hpp"
#include "support/platform_double.hpp"

using namespace norvi::client::http;
using namespace std::chrono_literals;
using norvi::testing::LoggedRequest;
using norvi::testing::PlatformDoubleTest;

namespace {

constexpr std::string_view kLogin = "/zelm-auth/oauth2/sdk/opnId";
constexpr std::string_view kList = "/zelm-quantum/sdk/quantumComputer/list";
constexpr std::string_view kSubmit = "/zelm-quantum/sdk/experiment/submit";
constexpr std::string_view kEcho = "/echo";  // not an endpoint: 404, logged without checks

using Clock = std::chrono::steady_clock;

std::vector<RequestHeader> token_headers(const std::string& token) {
  return {{"basictoken", token, true}, {"authorization", "Bearer " + token, true}};
}

// The header names of a logged request after the two that libcurl sends first (Host, Accept).
std::vector<std::string> own_header_names(const LoggedRequest& r) {
  std::vector<std::string> names;
  for (std::size_t i = 2; i < r.headers.size(); ++i) names.push_back(r.headers[i].first);
  return names;
}

class HttpClientTest : public PlatformDoubleTest {
 protected:
  static std::string url(std::string_view path, const std::string& domain) { return fmt::format("https://{}{}", domain, path); }
  std::string url(std::string_view path) const { return url(path, platform().domain()); }

  static HttpClient make_client(std::chrono::milliseconds limit = 10s, ConnectionReuse reuse = ConnectionReuse::Reuse) {
    auto client = HttpClient::create(limit, reuse);
    EXPECT_TRUE(client) << client.error().text();
    return std::move(*client);
  }

  void script(std::string_view endpoint, const std::string& answers) {
    auto done = platform().script(endpoint, answers);
    ASSERT_TRUE(done) << done.error();
  }

  std::vector<LoggedRequest> log(std::string_view endpoint = {}) {
    auto entries = platform().log(endpoint);
    EXPECT_TRUE(entries) << entries.error();
    return entries ? *entries : std::vector<LoggedRequest>{};
  }

  // Logs in over `client` and returns the token the double issued.
  std::string login(const HttpClient& client) {
    Request request{Method::Post, url(kLogin), {},
                    RequestBody{"application/x-www-form-urlencoded",
                                form_urlencode({{"grant_type", "openId"}, {"openId", "key &=+ 1"}, {"account_type", "member"}})}};
    auto response = client.send(request);
    EXPECT_TRUE(response) << response.error().text();
    if (!response || !response->body) return {};
    rapidjson::Document doc;
    doc.Parse(response->body->c_str());
    EXPECT_TRUE(doc.IsObject() && doc.HasMember("data")) << *response->body;
    if (!doc.IsObject() || !doc.HasMember("data")) return {};
    return doc["data"]["access_token"].GetString();
  }
};

TEST_F(HttpClientTest, LoginThenAuthenticatedGetOverOneConnection) {
  const HttpClient client = make_client();
  const std::string token = login(client);
  ASSERT_FALSE(token.empty());

  Request list{Method::Get, url(kList), token_headers(token), std::nullopt};
  list.headers.push_back({"x-trace", "a\tb", false});
  auto response = client.send(list);
  ASSERT_TRUE(response) << response.error().text();
  EXPECT_EQ(response->status, 200);
  ASSERT_TRUE(response->body) << response->body.error().text();
  EXPECT_TRUE(response->body->starts_with(R"({"code":0,"message":"success","data":[)")) << *response->body;
  EXPECT_EQ(response->url, url(kList));

  const auto entries = log();
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].body, "grant_type=openId&openId=key+%26%3D%2B+1&account_type=member");
  EXPECT_EQ(own_header_names(entries[0]), (std::vector<std::string>{"content-type", "Content-Length"}));
  EXPECT_EQ(entries[1].method, "GET");
  EXPECT_EQ(own_header_names(entries[1]), (std::vector<std::string>{"basictoken", "authorization", "x-trace"}));
  EXPECT_EQ(entries[1].header("authorization"), "Bearer " + token);
  EXPECT_EQ(entries[1].header("x-trace"), "a\tb");
  EXPECT_FALSE(entries[1].header("accept-encoding"));  // no compression asked for
  for (const auto& e : entries) EXPECT_TRUE(e.violations.empty()) << e.path << ": " << e.violations.front();
  EXPECT_EQ(entries[0].connection, entries[1].connection);
  EXPECT_EQ(client.connections_opened(), 1u);
}

TEST_F(HttpClientTest, BodiesAndResponseHeadersArriveIntact) {
  const HttpClient client = make_client();
  std::string bytes;  // every ASCII byte, NUL and controls included
  for (int c = 0; c < 128; ++c) bytes += static_cast<char>(c);
  auto posted = client.send({Method::Post, url(kEcho), {}, RequestBody{"application/octet-stream", bytes}});
  ASSERT_TRUE(posted) << posted.error().text();
  EXPECT_EQ(posted->status, 404);

  script("list", R"([{"check":false,"body":"caf\u00e9 \u0000 end","headers":[["X-Second","2"],["X-First","  1  "]]}])");
  auto got = client.send({Method::Get, url(kList), {}, std::nullopt});
  ASSERT_TRUE(got) << got.error().text();
  ASSERT_TRUE(got->body);
  EXPECT_EQ(*got->body, std::string("caf\xc3\xa9 \0 end", 11));
  std::vector<std::string> names;
  for (const auto& h : got->headers) names.push_back(h.name);
  EXPECT_EQ(names, (std::vector<std::string>{"date", "content-type", "content-length", "x-second", "x-first"}));
  ASSERT_NE(got->header("X-FIRST"), nullptr);
  EXPECT_EQ(*got->header("X-FIRST"), "1");

  const auto entries = log();
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].body, bytes);
  EXPECT_EQ(entries[0].header("content-type"), "application/octet-stream");
  EXPECT_FALSE(entries[0].header("expect"));
}

// A large body is held in one string of exactly its size, whether its length was announced or it came
// in chunks: growing by doubling would leave up to twice the body allocated.
TEST_F(HttpClientTest, LargeBodiesArriveIntactInAStringOfTheirSize) {
  const HttpClient client = make_client();
  std::string large;
  for (std::size_t i = 0; large.size() < 3'500'000; ++i) large += fmt::format("{},", i);
  for (bool chunked : {false, true}) {
    for (const std::string& body : {std::string("small body"), large}) {
      SCOPED_TRACE(::testing::Message() << "chunked " << chunked << ", " << body.size() << " bytes");
      script("list", fmt::format(R"([{{"check":false,"chunked":{},"body":"{}"}}])", chunked, body));
      auto got = client.send({Method::Get, url(kList), {}, std::nullopt});
      ASSERT_TRUE(got) << got.error().text();
      ASSERT_TRUE(got->body) << got->body.error().text();
      EXPECT_EQ(got->header("content-length") == nullptr, chunked);
      EXPECT_TRUE(*got->body == body);
      if (body.size() > 15) {
        EXPECT_EQ(got->body->capacity(), body.size());
      }
    }
  }
}

TEST_F(HttpClientTest, HeaderWithControlCharacterIsLeftOut) {
  const HttpClient client = make_client();
  Request request{Method::Get, url(kEcho),
                  {{"x-a", "1"}, {"x-lf", "a\nb"}, {"x-cr", "a\rb"}, {"x-nul", std::string("a\0b", 3)},
                   {"x-del", "a\x7f"}, {"x-empty", ""}, {"x-b", "2"}},
                  std::nullopt};
  auto response = client.send(request);
  ASSERT_TRUE(response) << response.error().text();
  const auto entries = log();
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(own_header_names(entries[0]), (std::vector<std::string>{"x-a", "x-empty", "x-b"}));
  EXPECT_EQ(entries[0].header("x-empty"), "");
}

TEST_F(HttpClientTest, UnusableUrlFailsWithNothingSent) {
  const HttpClient client = make_client();
  const std::string port = std::to_string(platform().port());
  for (const std::string& bad : {"https://127.0.0 .1:" + port + "/echo", "https://local host:" + port + "/echo",
                                 "https://127.0.0.1:" + port + std::string("\0/echo", 6), "https://a|b:" + port + "/"}) {
    auto response = client.send({Method::Get, bad, token_headers("tok-secret"), std::nullopt});
    ASSERT_FALSE(response) << bad;
    EXPECT_EQ(response.error().kind(), HttpError::Kind::Builder);
    EXPECT_TRUE(response.error().text().starts_with("builder error: ")) << response.error().text();
  }
  auto bad_name = client.send({Method::Get, url(kEcho), {{"bad name", "v"}}, std::nullopt});
  ASSERT_FALSE(bad_name);
  EXPECT_EQ(bad_name.error().text(), "builder error: invalid HTTP header name");
  EXPECT_EQ(client.connections_opened(), 0u);
  EXPECT_TRUE(log().empty());
}

TEST_F(HttpClientTest, UntrustedCertificateIsRefused) {
  const HttpClient client = make_client();
  const std::string target = url(kList, platform().untrusted_domain());
  auto response = client.send({Method::Get, target, token_headers("tok-secret"), std::nullopt});
  ASSERT_FALSE(response);
  EXPECT_EQ(response.error().kind(), HttpError::Kind::Send);
  EXPECT_TRUE(response.error().text().starts_with(fmt::format("error sending request for url ({}): SSL certificate problem", target)))
      << response.error().text();
  EXPECT_EQ(response.error().text().find("tok-secret"), std::string::npos);
  EXPECT_TRUE(log().empty());
}

// Which CA file and directory OpenSSL is pointed at, and whether the double's certificate passes.
struct TrustCase {
  const char* name;
  enum class File { DoubleCa, DevNull, Unset } file;
  enum class Dir { Empty, HashedDoubleCa, Unset } dir;
  bool trusted;
};

class HttpTrustStore : public HttpClientTest, public testing::WithParamInterface<TrustCase> {};

TEST_P(HttpTrustStore, FollowsSslCertFileAndDir) {
  const TrustCase& c = GetParam();
  const auto base = std::filesystem::path(testing::TempDir()) / fmt::format("trust-{}-{}", c.name, ::getpid());
  std::filesystem::remove_all(base);
  std::filesystem::create_directories(base / "empty");
  std::filesystem::create_directories(base / "hashed");
  std::filesystem::copy_file(platform().ca_file(), base / "hashed" / "double-ca.pem");
  ASSERT_EQ(std::system(fmt::format("openssl rehash {} >/dev/null 2>&1", (base / "hashed").string()).c_str()), 0);

  switch (c.file) {
    case TrustCase::File::DoubleCa: env_.set("SSL_CERT_FILE", platform().ca_file()); break;
    case TrustCase::File::DevNull: env_.set("SSL_CERT_FILE", "/dev/null"); break;
    case TrustCase::File::Unset: env_.unset("SSL_CERT_FILE"); break;
  }
  switch (c.dir) {
    case TrustCase::Dir::Empty: env_.set("SSL_CERT_DIR", (base / "empty").string()); break;
    case TrustCase::Dir::HashedDoubleCa: env_.set("SSL_CERT_DIR", (base / "hashed").string()); break;
    case TrustCase::Dir::Unset: env_.unset("SSL_CERT_DIR"); break;
  }
  const HttpClient client = make_client();
  auto response = client.send({Method::Get, url(kEcho), {}, std::nullopt});
  if (c.trusted) {
    ASSERT_TRUE(response) << response.error().text();
    EXPECT_EQ(response->status, 404);
  } else {
    ASSERT_FALSE(response);
    EXPECT_NE(response.error().text().find("SSL certificate problem"), std::string::npos) << response.error().text();
  }
  std::filesystem::remove_all(base);
}

INSTANTIATE_TEST_SUITE_P(
    Table, HttpTrustStore,
    testing::Values(TrustCase{"file", TrustCase::File::DoubleCa, TrustCase::Dir::Empty, true},
                    TrustCase{"empty_file", TrustCase::File::DevNull, TrustCase::Dir::Empty, false},
                    TrustCase{"dir", TrustCase::File::DevNull, TrustCase::Dir::HashedDoubleCa, true},
                    TrustCase{"system_store", TrustCase::File::Unset, TrustCase::Dir::Unset, false}),
    [](const testing::TestParamInfo<TrustCase>& info) { return std::string(info.param.name); });

TEST_F(HttpClientTest, StallBeforeHeadersIsATransportFailure) {
  script("list", R"([{"check":false,"fault":"stall","seconds":5}])");
  const HttpClient client = make_client(500ms);
  const auto start = Clock::now();
  auto response = client.send({Method::Get, url(kList), {}, std::nullopt});
  const auto took = Clock::now() - start;
  ASSERT_FALSE(response);
  EXPECT_EQ(response.error().kind(), HttpError::Kind::Send);
  EXPECT_EQ(response.error().text(), fmt::format("error sending request for url ({}): operation timed out", url(kList)));
  EXPECT_GE(took, 450ms);
  EXPECT_LT(took, 2s);
}

TEST_F(HttpClientTest, BodyTrickledPastTheLimitIsADecodingFailure) {
  script("list", R"([{"check":false,"fault":"trickle","interval":0.25,"body":"0123456789abcdef"}])");
  const HttpClient client = make_client(1s);
  const auto start = Clock::now();
  auto response = client.send({Method::Get, url(kList), {}, std::nullopt});
  const auto took = Clock::now() - start;
  ASSERT_TRUE(response) << response.error().text();
  EXPECT_EQ(response->status, 200);
  ASSERT_FALSE(response->body);
  EXPECT_EQ(response->body.error().kind(), HttpError::Kind::Body);
  EXPECT_EQ(response->body.error().text(), "error decoding response body: operation timed out");
  EXPECT_GE(took, 950ms);
  EXPECT_LT(took, 3s);
}

TEST_F(HttpClientTest, TrickledBodyWithinTheLimitIsRead) {
  script("list", R"([{"check":false,"fault":"trickle","interval":0.05,"body":"0123456789"}])");
  const HttpClient client = make_client(2s);
  auto response = client.send({Method::Get, url(kList), {}, std::nullopt});
  ASSERT_TRUE(response) << response.error().text();
  ASSERT_TRUE(response->body) << response->body.error().text();
  EXPECT_EQ(*response->body, "0123456789");
}

TEST_F(HttpClientTest, ConnectionClosedWithoutAnswerIsATransportFailure) {
  script("list", R"([{"check":false,"fault":"close"}])");
  const HttpClient client = make_client();
  auto response = client.send({Method::Get, url(kList), {}, std::nullopt});
  ASSERT_FALSE(response);
  EXPECT_EQ(response.error().kind(), HttpError::Kind::Send);
  EXPECT_EQ(response.error().text(), fmt::format("error sending request for url ({}): Empty reply from server", url(kList)));
}

TEST_F(HttpClientTest, ServerThatSpeaksNoTlsIsATransportFailure) {
  const HttpClient client = make_client();
  // The control port speaks plain HTTP: a TLS client gets no usable answer from it.
  const std::string target = fmt::format("https://127.0.0.1:{}/", platform().control_port());
  auto response = client.send({Method::Get, target, {}, std::nullopt});
  ASSERT_FALSE(response);
  EXPECT_TRUE(response.error().text().starts_with(fmt::format("error sending request for url ({}): ", target)));
}

struct OriginCase {
  const char* name;
  bool cross_origin;
};

class HttpRedirectOrigin : public HttpClientTest, public testing::WithParamInterface<OriginCase> {};

TEST_P(HttpRedirectOrigin, SensitiveHeadersStayWithTheirOrigin) {
  const std::string target = url(kEcho, GetParam().cross_origin ? platform().localhost_domain() : platform().domain());
  script("list", fmt::format(R"([{{"fault":"redirect","location":"{}"}}])", target));
  const HttpClient client = make_client();
  Request request{Method::Get, url(kList), token_headers("tok-secret"), std::nullopt};
  request.headers.push_back({"x-trace", "7"});
  auto response = client.send(request);
  ASSERT_TRUE(response) << response.error().text();
  EXPECT_EQ(response->status, 404);
  EXPECT_EQ(response->url, target);

  const auto entries = log();
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_TRUE(entries[0].violations.empty());
  const auto expected = GetParam().cross_origin ? std::vector<std::string>{"x-trace"}
                                                : std::vector<std::string>{"basictoken", "authorization", "x-trace"};
  EXPECT_EQ(own_header_names(entries[1]), expected);
  EXPECT_EQ(entries[1].header("host"), GetParam().cross_origin ? platform().localhost_domain() : platform().domain());
}

INSTANTIATE_TEST_SUITE_P(Table, HttpRedirectOrigin,
                         testing::Values(OriginCase{"same_origin", false}, OriginCase{"cross_origin", true}),
                         [](const testing::TestParamInfo<OriginCase>& info) { return std::string(info.param.name); });

struct RedirectCase {
  int status;
  const char* method_after;
  bool body_after;
};

class HttpRedirectStatus : public HttpClientTest, public testing::WithParamInterface<RedirectCase> {};

TEST_P(HttpRedirectStatus, DecidesMethodAndBody) {
  script("submit", fmt::format(R"([{{"check":false,"fault":"redirect","status":{},"location":"{}"}}])", GetParam().status,
                               kEcho));
  const HttpClient client = make_client();
  auto response = client.send({Method::Post, url(kSubmit), {}, RequestBody{"application/json", R"({"a":1})"}});
  ASSERT_TRUE(response) << response.error().text();
  const auto entries = log();
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[1].path, kEcho);
  EXPECT_EQ(entries[1].method, GetParam().method_after);
  EXPECT_EQ(entries[1].body, GetParam().body_after ? R"({"a":1})" : "");
  EXPECT_EQ(entries[1].header("content-type").has_value(), GetParam().body_after);
}

INSTANTIATE_TEST_SUITE_P(Table, HttpRedirectStatus,
                         testing::Values(RedirectCase{301, "GET", false}, RedirectCase{302, "GET", false},
                                         RedirectCase{303, "GET", false}, RedirectCase{307, "POST", true},
                                         RedirectCase{308, "POST", true}),
                         [](const testing::TestParamInfo<RedirectCase>& info) { return fmt::format("status_{}", info.param.status); });

TEST_F(HttpClientTest, RedirectFromHttpsToHttpIsRefused) {
  const std::string target = fmt::format("http://127.0.0.1:{}/echo", platform().control_port());
  script("list", fmt::format(R"([{{"fault":"redirect","location":"{}"}}])", target));
  const HttpClient client = make_client();
  auto response = client.send({Method::Get, url(kList), token_headers("tok-secret"), std::nullopt});
  ASSERT_FALSE(response);
  EXPECT_EQ(response.error().kind(), HttpError::Kind::Redirect);
  EXPECT_EQ(response.error().text(),
            fmt::format("error following redirect for url ({}): redirect from https to http refused", target));
  EXPECT_EQ(log().size(), 1u);
}

TEST_F(HttpClientTest, AtMostTenRedirectsAreFollowed) {
  const std::string hop = fmt::format(R"({{"check":false,"fault":"redirect","location":"{}"}})", kList);
  std::string ten = hop;
  for (int i = 1; i < 10; ++i) ten += "," + hop;
  const HttpClient client = make_client();

  script("list", fmt::format(R"([{},{{"check":false,"json":{{"ok":true}}}}])", ten));
  auto followed = client.send({Method::Get, url(kList), {}, std::nullopt});
  ASSERT_TRUE(followed) << followed.error().text();
  EXPECT_EQ(followed->body.value_or(""), R"({"ok":true})");
  EXPECT_EQ(log().size(), 11u);

  ASSERT_TRUE(platform().reset());
  script("list", fmt::format("[{},{}]", ten, hop));
  auto refused = client.send({Method::Get, url(kList), {}, std::nullopt});
  ASSERT_FALSE(refused);
  EXPECT_EQ(refused.error().text(), fmt::format("error following redirect for url ({}): too many redirects", url(kList)));
  EXPECT_EQ(log().size(), 11u);
}

// tests/double/connect_proxy.py as a child process; its stdin is our pipe, so it ends with us.
class ConnectProxy {
 public:
  ConnectProxy() {
    log_file_ = fmt::format("{}/connect-proxy-{}.log", testing::TempDir(), ::getpid());
    std::filesystem::remove(log_file_);
    int in[2], out[2];
    if (::pipe(in) != 0 || ::pipe(out) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(in[0], 0);
      ::dup2(out[1], 1);
      ::close(in[1]);
      ::close(out[0]);
      const std::string script = std::string(NORVI_SOURCE_DIR) + "/tests/double/connect_proxy.py";
      ::execl(NORVI_PYTHON, NORVI_PYTHON, script.c_str(), "--log", log_file_.c_str(), static_cast<char*>(nullptr));
      ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    stdin_fd_ = in[1];
    std::string line;
    char c;
    while (::read(out[0], &c, 1) == 1 && c != '\n') line += c;
    ::close(out[0]);
    if (auto at = line.find(':'); at != std::string::npos) port_ = std::atoi(line.c_str() + at + 1);
  }
  ~ConnectProxy() {
    if (pid_ > 0) {
      ::close(stdin_fd_);
      ::kill(pid_, SIGTERM);
      ::waitpid(pid_, nullptr, 0);
    }
    std::filesystem::remove(log_file_);
  }
  ConnectProxy(const ConnectProxy&) = delete;
  ConnectProxy& operator=(const ConnectProxy&) = delete;

  int port() const { return port_; }
  std::string url() const { return fmt::format("http://127.0.0.1:{}", port_); }
  std::vector<std::string> targets() const {
    std::vector<std::string> lines;
    std::ifstream in(log_file_);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

 private:
  pid_t pid_ = -1;
  int stdin_fd_ = -1;
  int port_ = 0;
  std::string log_file_;
};

struct ProxyEnvCase {
  const char* name;
  std::vector<std::pair<const char*, const char*>> env;  // "PROXY" stands for the proxy's URL
  bool through_proxy;
};

class HttpProxy : public HttpClientTest, public testing::WithParamInterface<ProxyEnvCase> {};

TEST_P(HttpProxy, ChosenFromTheEnvironmentAtRequestTime) {
  ConnectProxy proxy;
  ASSERT_GT(proxy.port(), 0);
  const HttpClient client = make_client();
  for (const auto& [name, value] : GetParam().env)
    env_.set(name, std::string_view(value) == "PROXY" ? proxy.url() : std::string(value));

  auto response = client.send({Method::Get, url(kEcho), {}, std::nullopt});
  ASSERT_TRUE(response) << response.error().text();
  EXPECT_EQ(response->status, 404);
  EXPECT_EQ(proxy.targets(), GetParam().through_proxy ? std::vector<std::string>{platform().domain()}
                                                      : std::vector<std::string>{});
  EXPECT_EQ(log().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Table, HttpProxy,
    testing::Values(ProxyEnvCase{"https_proxy_upper", {{"HTTPS_PROXY", "PROXY"}}, true},
                    ProxyEnvCase{"https_proxy_lower", {{"https_proxy", "PROXY"}}, true},
                    ProxyEnvCase{"all_proxy", {{"ALL_PROXY", "PROXY"}}, true},
                    ProxyEnvCase{"no_proxy_matches", {{"HTTPS_PROXY", "PROXY"}, {"NO_PROXY", "127.0.0.1"}}, false},
                    ProxyEnvCase{"no_proxy_lower_matches", {{"https_proxy", "PROXY"}, {"no_proxy", "localhost,127.0.0.1"}}, false},
                    ProxyEnvCase{"no_proxy_other_host", {{"HTTPS_PROXY", "PROXY"}, {"NO_PROXY", "example.com"}}, true},
                    ProxyEnvCase{"http_proxy_not_for_https", {{"HTTP_PROXY", "PROXY"}, {"http_proxy", "PROXY"}}, false},
                    ProxyEnvCase{"empty_upper_then_lower", {{"HTTPS_PROXY", ""}, {"https_proxy", "PROXY"}}, true}),
    [](const testing::TestParamInfo<ProxyEnvCase>& info) { return std::string(info.param.name); });

TEST_F(HttpClientTest, ThreadsShareOneClientAndItsConnections) {
  constexpr int kThreads = 8;
  constexpr int kEach = 25;
  const HttpClient client = make_client();
  const std::string token = login(client);
  ASSERT_FALSE(token.empty());
  const Request list{Method::Get, url(kList), token_headers(token), std::nullopt};

  std::atomic<int> answered{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < kEach; ++i) {
        auto response = client.send(list);
        if (response && response->status == 200 && response->body && response->body->starts_with(R"({"code":0,)"))
          ++answered;
      }
    });
  }
  for (auto& t : threads) t.join();

  EXPECT_EQ(answered.load(), kThreads * kEach);
  EXPECT_LE(client.connections_opened(), static_cast<std::uint64_t>(kThreads));
  const auto entries = log("list");
  ASSERT_EQ(entries.size(), static_cast<std::size_t>(kThreads * kEach));
  std::set<std::int64_t> connections;
  for (const auto& e : entries) connections.insert(e.connection);
  EXPECT_LE(connections.size(), static_cast<std::size_t>(kThreads));
}

}  // namespace
