// The two ways a platform object comes by its credentials, on the fake wall clock: a login that saves
// them as the configuration says, and the saved file with its token's age and auto_refresh.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "norvi/client/login.hpp"
#include "support/platform_road.hpp"

namespace norvi::testing {
namespace {

using client::Credentials;
using client::SaveCredentials;

std::string read_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class SignIn : public PlatformRoadTest {
 protected:
  client::BrevoraConfig config_with(bool save_credentials, bool auto_refresh) const {
    return client::config_with_overrides(platform().domain(), save_credentials, auto_refresh, credentials_path());
  }
  void write_saved(const Credentials& credentials) {
    auto saved = client::save_credentials_file(credentials, credentials_path());
    ASSERT_TRUE(saved) << saved.error().display();
  }
};

TEST_F(SignIn, ALoginSavesAsConfiguredAndARenewalAlways) {
  struct Case {
    bool save_credentials;
    SaveCredentials when;
    bool written;
  };
  for (const Case c : {Case{true, SaveCredentials::AsConfigured, true}, Case{false, SaveCredentials::AsConfigured, false},
                       Case{false, SaveCredentials::Always, true}}) {
    SCOPED_TRACE(::testing::Message() << c.save_credentials << " " << static_cast<int>(c.when));
    std::filesystem::remove(credentials_path());
    auto credentials = client::login_and_save("key", config_with(c.save_credentials, true), clock_.clock(), c.when);
    ASSERT_TRUE(credentials) << credentials.error().display();
    EXPECT_EQ(credentials->token_obtained_at, clock_.now());
    EXPECT_EQ(std::filesystem::exists(credentials_path()), c.written);
    if (c.written) {
      EXPECT_EQ(read_file(credentials_path()), client::credentials_file_text(*credentials));
    }
  }
}

TEST_F(SignIn, AFailedWriteFailsTheLoginAfterThePlatformAcceptedTheKey) {
  std::ofstream(dir_ / "file") << "x";
  auto config = config_with(true, true);
  config.credentials_path = (dir_ / "file" / "credentials.json").string();
  auto credentials = client::login_and_save("key", config, clock_.clock(), SaveCredentials::AsConfigured);
  ASSERT_FALSE(credentials);
  EXPECT_TRUE(credentials.error().display().starts_with("IO error: ")) << credentials.error().display();
  EXPECT_EQ(requests("login").size(), 1u);
}

// The key is kept in the credentials file as a JSON string, which is UTF-8: one that is not would be
// used once and never read back. A key of several bytes a character is sent form-encoded and kept.
TEST_F(SignIn, AKeyThatIsNotUtf8IsRefusedBeforeAnythingIsSent) {
  for (const char* key : {"key\xff", "\xc0\xaf", "k\xed\xa0\x80", "\x80", "key\xf0\x9f\x99"}) {
    SCOPED_TRACE(::testing::PrintToString(key));
    auto credentials = client::login_and_save(key, config_with(true, true), clock_.clock(), SaveCredentials::Always);
    ASSERT_FALSE(credentials);
    EXPECT_TRUE(credentials.error().is<client::errors::InvalidInput>());
    EXPECT_EQ(credentials.error().display(), "Invalid input: API key is not valid UTF-8");
    EXPECT_TRUE(requests("login").empty());
    EXPECT_FALSE(std::filesystem::exists(credentials_path()));
  }
  const std::string key = "k\xc3\xa9y\xe2\x82\xac\xf0\x9f\x99\x82";
  auto credentials = client::login_and_save(key, config_with(true, true), clock_.clock(), SaveCredentials::Always);
  ASSERT_TRUE(credentials) << credentials.error().display();
  const auto logins = requests("login");
  ASSERT_EQ(logins.size(), 1u);
  EXPECT_NE(logins[0].body.find("openId=k%C3%A9y%E2%82%AC%F0%9F%99%82&"), std::string::npos) << logins[0].body;
  auto read_back = client::credentials_from_file(config_with(true, true), clock_.clock());
  ASSERT_TRUE(read_back) << read_back.error().display();
  EXPECT_EQ(read_back->api_key, key);
}

struct FileCase {
  const char* name;
  std::int64_t age;  // of the saved token, on the fake clock
  bool save_credentials, auto_refresh;
  bool renewed;
  const char* error;  // empty: credentials come back
};

class SavedFile : public SignIn, public ::testing::WithParamInterface<FileCase> {};

TEST_P(SavedFile, TheTokensAgeAndTheFlagsDecide) {
  const FileCase& c = GetParam();
  const Credentials saved{"saved-key", "saved-token", clock_.now() - c.age};
  write_saved(saved);
  const std::string before = read_file(credentials_path());

  auto credentials = client::credentials_from_file(config_with(c.save_credentials, c.auto_refresh), clock_.clock());
  const auto logins = requests("login");
  EXPECT_EQ(logins.size(), c.renewed ? 1u : 0u);
  if (*c.error != '\0') {
    ASSERT_FALSE(credentials);
    EXPECT_EQ(credentials.error().display(), c.error);
    return;
  }
  ASSERT_TRUE(credentials) << credentials.error().display();
  if (!c.renewed) {
    EXPECT_EQ(*credentials, saved);
    EXPECT_EQ(read_file(credentials_path()), before);
    return;
  }
  EXPECT_NE(logins[0].body.find("openId=saved-key"), std::string::npos) << logins[0].body;
  EXPECT_EQ(credentials->api_key, "saved-key");
  EXPECT_EQ(credentials->token_obtained_at, clock_.now());
  EXPECT_EQ(read_file(credentials_path()),
            c.save_credentials ? client::credentials_file_text(*credentials) : before);
}

INSTANTIATE_TEST_SUITE_P(
    Ages, SavedFile,
    ::testing::Values(FileCase{"OldestKept", 10'799, true, true, false, ""},
                      FileCase{"FromTheFutureKept", -86'400, true, false, false, ""},
                      FileCase{"ExpiredWithoutAutoRefreshSendsNothing", 10'800, true, false, false,
                               "Authentication failed: access token has expired; set auto_refresh=true or call "
                               "login() again"},
                      FileCase{"ExpiredRenewedAndSaved", 10'800, true, true, true, ""},
                      FileCase{"ExpiredRenewedWithoutSaving", 10'800, false, true, true, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SignIn, AMissingFileIsAnAuthenticationFailure) {
  auto credentials = client::credentials_from_file(config_with(true, true), clock_.clock());
  ASSERT_FALSE(credentials);
  EXPECT_TRUE(credentials.error().display().starts_with("Authentication failed: could not read credentials from " +
                                                        credentials_path() + ": "))
      << credentials.error().display();
  EXPECT_TRUE(requests("login").empty());
}

}  // namespace
}  // namespace norvi::testing
