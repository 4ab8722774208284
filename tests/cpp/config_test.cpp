#include <gtest/gtest.h>

#include <optional>

#include "norvi/client/config.hpp"
#include "support/scoped_env.hpp"

using namespace norvi::client;

TEST(Config, DefaultsAndOverrides) {
  norvi::testing::ScopedEnv env;
  env.set("HOME", "/home/ada");
  const BrevoraConfig defaults = default_brevora_config();
  EXPECT_EQ(defaults.scheme, "https");
  EXPECT_EQ(defaults.domain, kDefaultDomain);
  EXPECT_EQ(defaults.credentials_path, "/home/ada/.norvi/brevora/credentials.json");
  EXPECT_TRUE(defaults.save_credentials);
  EXPECT_TRUE(defaults.auto_refresh);
  EXPECT_EQ(config_with_overrides(std::nullopt, std::nullopt, std::nullopt, std::nullopt), defaults);

  const BrevoraConfig given = config_with_overrides("", false, false, "~/creds.json");
  EXPECT_EQ(given.domain, "");
  EXPECT_EQ(base_url(given), "https://");
  EXPECT_EQ(given.credentials_path, "~/creds.json");
  EXPECT_FALSE(given.save_credentials);
  EXPECT_FALSE(given.auto_refresh);
  EXPECT_EQ(base_url(config_with_overrides("127.0.0.1:8443", {}, {}, {})), "https://127.0.0.1:8443");
}

TEST(Config, HomeDirectoryRule) {
  norvi::testing::ScopedEnv env;
  env.set("HOME", "/srv/x/");
  EXPECT_EQ(default_brevora_config().credentials_path, "/srv/x/.norvi/brevora/credentials.json");
  // An empty HOME counts as unset: the password database answers (root's entry here, or ".").
  env.set("HOME", "");
  const std::string home = home_directory();
  EXPECT_FALSE(home.empty());
  EXPECT_EQ(default_brevora_config().credentials_path, home + (home.back() == '/' ? "" : "/") +
                                                           ".norvi/brevora/credentials.json");
}
