// One authenticated API call against the local double: token headers, the envelope rule, the retry
// loop with its pauses (recorded by a fake clock), the renewal after a 401, and the token's age.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include <fmt/format.h>

#include "norvi/client/api_call.hpp"
#include "norvi/client/json/value.hpp"
#include "support/platform_road.hpp"

namespace {

using norvi::client::ClientError;
using norvi::client::Credentials;
using norvi::client::PlatformClient;
using norvi::client::Result;
using norvi::client::http::Method;
namespace json = norvi::client::json;
using norvi::testing::kListPath;

// The position of a header among those sent, or none.
std::optional<std::size_t> header_index(const norvi::testing::LoggedRequest& request, std::string_view name) {
  for (std::size_t i = 0; i < request.headers.size(); ++i) {
    std::string lower = request.headers[i].first;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower == name) return i;
  }
  return std::nullopt;
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class ApiCall : public norvi::testing::PlatformRoadTest {
 protected:
  static Result<json::Value> list(PlatformClient& client) {
    return norvi::client::call_platform_api<json::Value>(client, Method::Get, kListPath);
  }

  // The display text of a failed call, or "ok".
  static std::string outcome(const Result<json::Value>& result) { return result ? "ok" : result.error().display(); }

  std::string list_url() const { return fmt::format("https://{}{}", platform().domain(), kListPath); }
};

TEST_F(ApiCall, BothTokenHeadersCarryTheTokenInOrder) {
  auto client = make_client(accepted_credentials());
  ASSERT_TRUE(client);
  auto devices = list(*client);
  ASSERT_TRUE(devices) << devices.error().display();
  EXPECT_TRUE(devices->is_array());

  auto sent = requests("list");
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_TRUE(sent[0].violations.empty());
  EXPECT_EQ(sent[0].header("basictoken"), "road-token");
  EXPECT_EQ(sent[0].header("authorization"), "Bearer road-token");
  const auto basic = header_index(sent[0], "basictoken");
  const auto bearer = header_index(sent[0], "authorization");
  ASSERT_TRUE(basic && bearer);
  EXPECT_LT(*basic, *bearer);
  EXPECT_FALSE(sent[0].header("content-type"));
  EXPECT_TRUE(sent[0].body.empty());
  EXPECT_TRUE(requests("login").empty());
}

TEST_F(ApiCall, PostSendsTheBodyAsJsonAndA404EnvelopeIsTheApiError) {
  auto client = make_client(accepted_credentials());
  ASSERT_TRUE(client);
  const std::string body = R"({"query_ids":["a b","\u00e9"]})";
  auto answer = norvi::client::call_platform_api<json::Value>(*client, Method::Post, "/zelm-quantum/sdk/elsewhere", body);
  ASSERT_FALSE(answer);
  EXPECT_EQ(answer.error().display(), "API error (code=404): not found");

  auto sent = requests("other");
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].method, "POST");
  EXPECT_EQ(sent[0].body, body);
  EXPECT_EQ(sent[0].header("content-type"), "application/json");
  EXPECT_EQ(sent[0].header("basictoken"), "road-token");
}

// ---------------------------------------------------------------------------------------------------
// The envelope: one answer, decoded, no further attempt.

struct EnvelopeCase {
  const char* name;
  const char* answer;   // one scripted answer of the list endpoint
  const char* outcome;  // "ok" or the display text's beginning
  const char* payload;  // on success, the payload as JSON text
};

class Envelope : public ApiCall, public ::testing::WithParamInterface<EnvelopeCase> {};

TEST_P(Envelope, DecidesTheOutcome) {
  const EnvelopeCase& c = GetParam();
  auto client = make_client(accepted_credentials());
  ASSERT_TRUE(client);
  script("list", fmt::format("[{}]", c.answer));

  auto result = list(*client);
  EXPECT_TRUE(outcome(result).starts_with(c.outcome)) << outcome(result);
  if (result) {
    auto expected = json::parse(c.payload);
    ASSERT_TRUE(expected);
    EXPECT_TRUE(*result == *expected);
  }
  EXPECT_EQ(requests("list").size(), 1u);
  EXPECT_TRUE(clock_.sleeps().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Answers, Envelope,
    ::testing::Values(
        EnvelopeCase{"DataGiven", R"({"json":{"code":0,"message":"dropped","data":[1,{"a":null}]}})", "ok",
                     R"([1,{"a":null}])"},
        EnvelopeCase{"DataNull", R"({"json":{"code":0,"message":"success","data":null}})",
                     "API error (code=0): response 'data' field is null", ""},
        EnvelopeCase{"DataAbsent", R"({"json":{"code":0}})", "API error (code=0): response 'data' field is null", ""},
        EnvelopeCase{"CodeWithoutMessage", R"({"json":{"code":5,"data":[]}})", "API error (code=5): API error code 5", ""},
        EnvelopeCase{"CodeWithMessage", R"({"json":{"code":-3,"message":"busy","data":[]}})", "API error (code=-3): busy", ""},
        EnvelopeCase{"EmptyMessage", R"({"json":{"code":9,"message":""}})", "API error (code=9): ", ""},
        EnvelopeCase{"NotFoundEnvelope", R"({"status":404,"json":{"code":404,"message":"no such list"}})",
                     "API error (code=404): no such list", ""},
        EnvelopeCase{"NotFoundHtml", R"({"status":404,"body":"<html>gone</html>"})",
                     "HTTP request failed: error decoding response body: expected value at line 1 column 1", ""},
        EnvelopeCase{"ArrayForm", R"({"json":[0,null,[7]]})", "ok", "[7]"},
        EnvelopeCase{"CodeAsFloat", R"({"json":{"code":0.0,"data":[]}})",
                     "HTTP request failed: error decoding response body: invalid type: floating point `0", ""},
        EnvelopeCase{"CodeAsText", R"({"json":{"code":"0","data":[]}})",
                     "HTTP request failed: error decoding response body: invalid type: string \"0\", expected i64", ""},
        EnvelopeCase{"CodeMissing", R"({"json":{"data":[]}})",
                     "HTTP request failed: error decoding response body: missing field `code`", ""},
        EnvelopeCase{"Forbidden", R"({"status":403,"json":{"code":0,"data":[]}})", "ok", "[]"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------------------
// The retry loop: what is tried again, after which pauses, and what the last attempt leaves.

struct RetryCase {
  const char* name;
  const char* answers;  // scripted answers of the list endpoint; the double's default follows
  const char* outcome;  // "ok" or the display text's beginning
  std::vector<std::int64_t> sleeps;
  std::size_t requests;
};

class Retry : public ApiCall, public ::testing::WithParamInterface<RetryCase> {};

TEST_P(Retry, PausesAndEnds) {
  const RetryCase& c = GetParam();
  auto client = make_client(accepted_credentials());
  ASSERT_TRUE(client);
  script("list", c.answers);

  auto result = list(*client);
  const std::string expected = fmt::format(fmt::runtime(c.outcome), fmt::arg("url", list_url()));
  EXPECT_TRUE(outcome(result).starts_with(expected)) << outcome(result);
  EXPECT_EQ(clock_.sleeps(), c.sleeps);
  EXPECT_EQ(requests("list").size(), c.requests);
  EXPECT_TRUE(requests("login").empty());
}

const char* const kRateLimited = "API error (code=429): rate limited";

std::string three_429(const char* retry_after) {
  const std::string headers = retry_after ? fmt::format(R"(,"headers":[["Retry-After","{}"]])", retry_after) : "";
  const std::string one = fmt::format(R"({{"status":429,"json":{{"code":429}}{}}})", headers);
  return fmt::format("[{0},{0},{0}]", one);
}

// The scripts must outlive the parameter table.
const std::string kNoRetryAfter = three_429(nullptr);
const std::string kRetryAfterZero = three_429("0");
const std::string kRetryAfterPlusTwo = three_429("+2");
const std::string kRetryAfterFraction = three_429("2.5");
const std::string kRetryAfterNegative = three_429("-2");
const std::string kRetryAfterDate = three_429("Wed, 21 Oct 2015 07:28:00 GMT");
const std::string kRetryAfterHour = three_429("3600");

INSTANTIATE_TEST_SUITE_P(
    Answers, Retry,
    ::testing::Values(
        RetryCase{"UnavailableTwiceThenOk", R"([{"status":503},{"status":503}])", "ok", {1, 2}, 3},
        RetryCase{"UnavailableThrice", R"([{"status":503},{"status":503},{"status":503}])",
                  "API error (code=503): server error 503 Service Unavailable", {1, 2}, 3},
        RetryCase{"MixedFailuresEndWithTheLast", R"([{"fault":"close"},{"status":500},{"status":599}])",
                  "API error (code=599): server error 599 <unknown status code>", {1, 2}, 3},
        RetryCase{"ServerErrorThenRateLimitThenServerError",
                  R"([{"status":502},{"status":429,"headers":[["Retry-After","7"]]},{"status":504}])",
                  "API error (code=504): server error 504 Gateway Timeout", {1, 7}, 3},
        RetryCase{"TransportFailureThrice", R"([{"fault":"close"},{"fault":"close"},{"fault":"close"}])",
                  "HTTP request failed: error sending request for url ({url}): ", {1, 2}, 3},
        RetryCase{"TransportFailureThenOk", R"([{"fault":"close"}])", "ok", {1}, 2},
        // The 503 keeps its connection; closed as the next request arrives, it is not re-sent within
        // the attempt.
        RetryCase{"UnavailableThenClosedTwiceOnAKeptConnection",
                  R"([{"status":503},{"fault":"close"},{"fault":"close"}])",
                  "HTTP request failed: error sending request for url ({url}): ", {1, 2}, 3},
        RetryCase{"UnavailableTwiceThenClosedOnAKeptConnection",
                  R"([{"status":503},{"status":503},{"fault":"close"}])",
                  "HTTP request failed: error sending request for url ({url}): connection closed by the server before "
                  "any answer arrived",
                  {1, 2}, 3},
        RetryCase{"RateLimitedThenOk", R"([{"status":429}])", "ok", {5}, 2},
        RetryCase{"RetryAfterAbsent", kNoRetryAfter.c_str(), kRateLimited, {5, 5, 5}, 3},
        RetryCase{"RetryAfterZero", kRetryAfterZero.c_str(), kRateLimited, {}, 3},
        RetryCase{"RetryAfterPlusTwo", kRetryAfterPlusTwo.c_str(), kRateLimited, {2, 2, 2}, 3},
        RetryCase{"RetryAfterFraction", kRetryAfterFraction.c_str(), kRateLimited, {5, 5, 5}, 3},
        RetryCase{"RetryAfterNegative", kRetryAfterNegative.c_str(), kRateLimited, {5, 5, 5}, 3},
        RetryCase{"RetryAfterDate", kRetryAfterDate.c_str(), kRateLimited, {5, 5, 5}, 3},
        RetryCase{"RetryAfterCapped", kRetryAfterHour.c_str(), kRateLimited, {60, 60, 60}, 3},
        RetryCase{"ClientErrorIsNotRetried", R"([{"status":400,"json":{"code":400,"message":"bad"}}])",
                  "API error (code=400): bad", {}, 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ApiCall, PausesAreReallySleptOnTheMonotonicClock) {
  auto made = norvi::client::new_platform_client(config(), accepted_credentials());
  ASSERT_TRUE(made) << made.error().display();
  script("list", R"([{"status":503},{"status":503}])");
  ASSERT_TRUE(list(**made));

  auto sent = requests("list");
  ASSERT_EQ(sent.size(), 3u);
  EXPECT_GE(sent[1].time - sent[0].time, 1.0);
  EXPECT_GE(sent[2].time - sent[1].time, 2.0);
  EXPECT_LT(sent[2].time - sent[0].time, 5.0);
}

// ---------------------------------------------------------------------------------------------------
// A 401: one renewal, the file rewritten whatever the flags, one resend whose answer is decoded.

struct RenewalCase {
  const char* name;
  const char* resend_answer;  // the answer to the request sent with the new token; "" for the default
  const char* outcome;
};

class RenewalAfter401 : public ApiCall, public ::testing::WithParamInterface<RenewalCase> {};

TEST_P(RenewalAfter401, ResendsOnceWithTheNewToken) {
  const RenewalCase& c = GetParam();
  clock_.set(1'800'000'000);
  auto client = make_client(accepted_credentials(), /*save_credentials=*/false);
  ASSERT_TRUE(client);
  // The 401 closes its connection, so the resend goes over a new one whatever its answer.
  const std::string rejected =
      R"({"status":401,"json":{"code":401,"message":"token invalid"},"headers":[["Content-Length","38"]]})";
  script("list", *c.resend_answer ? fmt::format("[{},{}]", rejected, c.resend_answer) : fmt::format("[{}]", rejected));

  auto result = list(*client);
  const std::string expected = fmt::format(fmt::runtime(c.outcome), fmt::arg("url", list_url()));
  EXPECT_TRUE(outcome(result).starts_with(expected)) << outcome(result);

  EXPECT_EQ(requests("login").size(), 1u);
  auto sent = requests("list");
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].header("basictoken"), "road-token");
  EXPECT_EQ(sent[1].header("basictoken"), "tok-1");
  EXPECT_EQ(sent[1].header("authorization"), "Bearer tok-1");
  EXPECT_TRUE(clock_.sleeps().empty());

  const Credentials renewed{"road-key", "tok-1", 1'800'000'000};
  EXPECT_EQ(read_file(credentials_path()), norvi::client::credentials_file_text(renewed));
  auto stored = client->credentials().copy();
  ASSERT_TRUE(stored);
  EXPECT_EQ(*stored, renewed);  // the renewal stays, whatever the resend brought
}

INSTANTIATE_TEST_SUITE_P(
    Resend, RenewalAfter401,
    ::testing::Values(RenewalCase{"Accepted", "", "ok"},
                      RenewalCase{"ServerErrorWithHtml",
                                  R"({"status":500,"body":"<html>down</html>","headers":[["Content-Type","text/html"]]})",
                                  "HTTP request failed: error decoding response body: expected value at line 1 column 1"},
                      RenewalCase{"RejectedAgain", R"({"status":401,"json":{"code":401,"message":"token invalid"}})",
                                  "API error (code=401): token invalid"},
                      RenewalCase{"TransportFailure", R"({"fault":"close"})",
                                  "HTTP request failed: error sending request for url ({url}): "}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ApiCall, A401WhoseRenewalFailsEndsWithTheLoginError) {
  const Credentials original = accepted_credentials();
  auto client = make_client(original);
  ASSERT_TRUE(client);
  script("list", R"([{"status":401}])");
  script("login", R"([{"json":{"code":7,"message":"invalid api key"}}])");

  auto result = list(*client);
  ASSERT_FALSE(result);
  EXPECT_EQ(result.error().display(), "Authentication failed: invalid api key");
  EXPECT_EQ(requests("list").size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(credentials_path()));
  EXPECT_EQ(client->credentials().copy(), original);
}

// ---------------------------------------------------------------------------------------------------
// The token's age, read from the client's wall clock.

TEST(TokenAge, RenewalBoundaryAndExtremeTimeStamps) {
  constexpr auto min = std::numeric_limits<std::int64_t>::min();
  constexpr auto max = std::numeric_limits<std::int64_t>::max();
  struct Case {
    std::int64_t now, obtained_at;
    bool renew;
  };
  for (const Case& c : {Case{20'000, 20'000, false}, Case{20'000, 20'000 - 10'799, false},
                        Case{20'000, 20'000 - 10'800, true}, Case{20'000, 30'000, false}, Case{0, max, false},
                        Case{0, 0, false}, Case{10'800, 0, true}, Case{1'700'000'000, min, true}, Case{0, min, true},
                        Case{0, min + 1, true}, Case{max, -1, true}}) {
    EXPECT_EQ(norvi::client::token_needs_renewal(c.now, c.obtained_at), c.renew) << c.now << " " << c.obtained_at;
  }
}

struct AgeCase {
  const char* name;
  std::int64_t age;  // seconds before the fake clock's now; the oldest time stamp when min
  bool renewed;
};

class TokenAgeOnCall : public ApiCall, public ::testing::WithParamInterface<AgeCase> {};

TEST_P(TokenAgeOnCall, DecidesWhetherToRenewBeforeTheFirstAttempt) {
  const AgeCase& c = GetParam();
  Credentials credentials = accepted_credentials();
  credentials.token_obtained_at =
      c.age == std::numeric_limits<std::int64_t>::min() ? c.age : clock_.now() - c.age;
  auto client = make_client(credentials, /*save_credentials=*/false);
  ASSERT_TRUE(client);

  auto result = list(*client);
  ASSERT_TRUE(result) << result.error().display();
  auto sent = requests("list");
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].header("basictoken"), c.renewed ? "tok-1" : "road-token");
  EXPECT_EQ(requests("login").size(), c.renewed ? 1u : 0u);
  EXPECT_EQ(std::filesystem::exists(credentials_path()), c.renewed);
  if (c.renewed) {
    auto login = requests("login");
    ASSERT_EQ(login.size(), 1u);
    EXPECT_LT(login[0].time, sent[0].time);
  }
}

INSTANTIATE_TEST_SUITE_P(Ages, TokenAgeOnCall,
                         ::testing::Values(AgeCase{"YoungestRenewed", 10'800, true},
                                           AgeCase{"OldestKept", 10'799, false},
                                           AgeCase{"FromTheFuture", -86'400, false},
                                           AgeCase{"OldestTimeStamp", std::numeric_limits<std::int64_t>::min(), true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ApiCall, RenewalWhoseFileWriteFailsSendsNothingAndKeepsTheOldToken) {
  std::ofstream(dir_ / "not-a-directory") << "x";
  auto config = this->config();
  config.credentials_path = (dir_ / "not-a-directory" / "credentials.json").string();
  const Credentials original = accepted_credentials(10'800);
  auto made = norvi::client::new_platform_client(config, original, {clock_.clock()});
  ASSERT_TRUE(made);
  PlatformClient& client = **made;

  for (std::size_t call = 1; call <= 2; ++call) {
    auto result = list(client);
    ASSERT_FALSE(result);
    EXPECT_TRUE(result.error().display().starts_with("IO error: ")) << result.error().display();
    EXPECT_EQ(requests("login").size(), call);  // every call tries again
  }
  EXPECT_TRUE(requests("list").empty());
  EXPECT_EQ(client.credentials().copy(), original);
}

// ---------------------------------------------------------------------------------------------------
// Redirects.

TEST_F(ApiCall, ACrossOriginRedirectArrivesWithoutTokenHeaders) {
  auto client = make_client(accepted_credentials());
  ASSERT_TRUE(client);
  script("list", fmt::format(R"([{{"fault":"redirect","status":307,"location":"https://{}/zelm-quantum/elsewhere"}}])",
                             platform().localhost_domain()));

  auto result = list(*client);
  ASSERT_FALSE(result);
  EXPECT_EQ(result.error().display(), "API error (code=404): not found");
  auto redirected = requests("other");
  ASSERT_EQ(redirected.size(), 1u);
  EXPECT_EQ(redirected[0].header("host"), platform().localhost_domain());
  EXPECT_FALSE(redirected[0].header("basictoken"));
  EXPECT_FALSE(redirected[0].header("authorization"));
  EXPECT_EQ(requests("list")[0].header("basictoken"), "road-token");
}

}  // namespace
