// Sanity of the C++ side of the platform double: start, control, log parsing, environment.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <fmt/format.h>

#include "support/platform_double.hpp"
#include "support/scoped_env.hpp"

namespace {

using norvi::testing::PlatformDoubleTest;
using norvi::testing::ScopedEnv;

// Two logins over one kept-alive connection, sent by Python's http.client; prints both statuses.
constexpr const char* kTwoLogins = R"(
import http.client, ssl, sys
conn = http.client.HTTPSConnection("127.0.0.1", int(sys.argv[1]),
                                   context=ssl.create_default_context(cafile=sys.argv[2]))
for _ in range(2):
    conn.request("POST", "/zelm-auth/oauth2/sdk/opnId", body="grant_type=openId&openId=k&account_type=member",
                 headers={"content-type": "application/x-www-form-urlencoded"})
    response = conn.getresponse()
    response.read()
    print(response.status, end=" ")
)";

std::string run(const std::string& command) {
  std::string output;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return output;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
  ::pclose(pipe);
  return output;
}

TEST_F(PlatformDoubleTest, ScriptedAnswerThenDefaultAreLogged) {
  ASSERT_TRUE(std::filesystem::exists(platform().ca_file()));
  EXPECT_EQ(platform().domain(), fmt::format("127.0.0.1:{}", platform().port()));
  auto scripted = platform().script("login", R"([{"status":503,"json":{"code":1}}])");
  ASSERT_TRUE(scripted) << scripted.error();

  std::string code_file = ::testing::TempDir() + "/two_logins.py";
  std::FILE* f = std::fopen(code_file.c_str(), "w");
  ASSERT_NE(f, nullptr);
  std::fputs(kTwoLogins, f);
  std::fclose(f);
  EXPECT_EQ(run(fmt::format("{} {} {} {}", NORVI_PYTHON, code_file, platform().port(), platform().ca_file())),
            "503 200 ");

  auto log = platform().log("login");
  ASSERT_TRUE(log) << log.error();
  ASSERT_EQ(log->size(), 2u);
  const auto& first = (*log)[0];
  EXPECT_EQ(first.method, "POST");
  EXPECT_EQ(first.path, "/zelm-auth/oauth2/sdk/opnId");
  EXPECT_EQ(first.body, "grant_type=openId&openId=k&account_type=member");
  EXPECT_EQ(first.header("Content-Type"), "application/x-www-form-urlencoded");
  EXPECT_EQ(first.headers.front().first, "Host");
  EXPECT_TRUE(first.violations.empty());
  EXPECT_EQ(first.answer_status, 503);
  EXPECT_EQ((*log)[1].answer_status, 200);
  EXPECT_EQ(first.connection, (*log)[1].connection);
  EXPECT_LE(first.time, (*log)[1].time);

  ASSERT_TRUE(platform().reset());
  auto after_reset = platform().log();
  ASSERT_TRUE(after_reset) << after_reset.error();
  EXPECT_TRUE(after_reset->empty());
}

TEST_F(PlatformDoubleTest, ControlRefusesWhatItCannotFollow) {
  auto bad_fault = platform().script("list", R"([{"fault":"explode"}])");
  ASSERT_FALSE(bad_fault);
  EXPECT_NE(bad_fault.error().find("fault must be one of"), std::string::npos) << bad_fault.error();
  auto bad_state = platform().set_state(R"({"no_such_key":1})");
  ASSERT_FALSE(bad_state);
  EXPECT_NE(bad_state.error().find("unknown state keys"), std::string::npos) << bad_state.error();
  EXPECT_TRUE(platform().set_state(R"({"reject_keys":["bad key"]})"));
}

TEST_F(PlatformDoubleTest, EnvironmentPointsAtTheDouble) {
  EXPECT_EQ(std::getenv("SSL_CERT_FILE"), platform().ca_file());
  EXPECT_EQ(std::getenv("SSL_CERT_DIR"), nullptr);
  EXPECT_EQ(std::getenv("https_proxy"), nullptr);
}

TEST(ScopedEnv, RestoresEveryVariableToItsFirstValue) {
  ::setenv("NORVI_TEST_SET", "before", 1);
  ::setenv("NORVI_TEST_CLEARED", "before", 1);
  ::unsetenv("NORVI_TEST_NEW");
  {
    ScopedEnv env;
    env.set("NORVI_TEST_SET", "one");
    env.set("NORVI_TEST_SET", "two");
    env.unset("NORVI_TEST_CLEARED");
    env.set("NORVI_TEST_NEW", "x");
    env.unset("NORVI_TEST_NEW");
    env.set("NORVI_TEST_NEW", "y");
    EXPECT_STREQ(std::getenv("NORVI_TEST_SET"), "two");
    EXPECT_EQ(std::getenv("NORVI_TEST_CLEARED"), nullptr);
  }
  EXPECT_STREQ(std::getenv("NORVI_TEST_SET"), "before");
  EXPECT_STREQ(std::getenv("NORVI_TEST_CLEARED"), "before");
  EXPECT_EQ(std::getenv("NORVI_TEST_NEW"), nullptr);
  ::unsetenv("NORVI_TEST_SET");
  ::unsetenv("NORVI_TEST_CLEARED");
}

}  // namespace
