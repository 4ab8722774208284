#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "norvi/client/credentials.hpp"

using namespace norvi::client;
namespace fs = std::filesystem;

namespace {

class CredentialsFile : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/norvi-cred-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override { fs::remove_all(dir_); }

  static std::string read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  static unsigned mode(const fs::path& p) {
    struct stat st {};
    EXPECT_EQ(::stat(p.c_str(), &st), 0);
    return st.st_mode & 07777;
  }
  // Nothing but the file itself is left in its directory (no stray temporary).
  static std::size_t entries(const fs::path& d) {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(d), fs::directory_iterator()));
  }

  fs::path dir_;
};

const Credentials kCreds{"key-1", "tok/\"\\\n", 0};

}  // namespace

TEST_F(CredentialsFile, ExactBytes) {
  const fs::path path = dir_ / "credentials.json";
  ASSERT_TRUE(save_credentials_file(kCreds, path.string()));
  EXPECT_EQ(read(path),
            "{\n"
            "  \"api_key\": \"key-1\",\n"
            "  \"access_token\": \"tok/\\\"\\\\\\n\",\n"
            "  \"token_obtained_at\": 0\n"
            "}");
  ASSERT_TRUE(save_credentials_file({"k", "t", -1700000000}, path.string()));
  EXPECT_EQ(read(path), "{\n  \"api_key\": \"k\",\n  \"access_token\": \"t\",\n  \"token_obtained_at\": -1700000000\n}");
  EXPECT_EQ(entries(dir_), 1u);
}

TEST_F(CredentialsFile, Mode0600WhateverTheUmask) {
  for (mode_t mask : {0000, 0077, 0022}) {
    const mode_t old = ::umask(mask);
    const fs::path path = dir_ / ("c" + std::to_string(mask) + ".json");
    ASSERT_TRUE(save_credentials_file(kCreds, path.string()));
    // An existing file with wider permissions is replaced by a 0600 one too.
    fs::permissions(path, fs::perms::all);
    ASSERT_TRUE(save_credentials_file(kCreds, path.string()));
    ::umask(old);
    EXPECT_EQ(mode(path), 0600u) << "umask " << mask;
  }
}

TEST_F(CredentialsFile, CreatesMissingParents) {
  const fs::path path = dir_ / "a" / "b" / "c" / "credentials.json";
  ASSERT_TRUE(save_credentials_file(kCreds, path.string()));
  EXPECT_TRUE(fs::is_regular_file(path));
}

TEST_F(CredentialsFile, NoDirectoryPartWritesInWorkingDirectory) {
  const fs::path old = fs::current_path();
  fs::current_path(dir_);
  const auto saved = save_credentials_file(kCreds, "credentials.json");
  fs::current_path(old);
  ASSERT_TRUE(saved);
  EXPECT_TRUE(fs::is_regular_file(dir_ / "credentials.json"));
  EXPECT_EQ(entries(dir_), 1u);
}

TEST_F(CredentialsFile, FailuresAreIoAndLeaveEarlierFileIntact) {
  const fs::path good = dir_ / "credentials.json";
  ASSERT_TRUE(save_credentials_file(kCreds, good.string()));
  const std::string before = read(good);

  const fs::path blocker = dir_ / "plain-file";
  std::ofstream(blocker) << "x";
  struct Case {
    std::string path;
    std::string detail;
  };
  const Case cases[] = {
      {(blocker / "credentials.json").string(), "File exists (os error 17)"},
      {(blocker / "sub" / "credentials.json").string(), "Not a directory (os error 20)"},
      {good.string() + std::string("\0x", 2), "file name contained an unexpected NUL byte"},
      {(dir_ / std::string("cre\0dentials.json", 17)).string(), "file name contained an unexpected NUL byte"},
      {dir_.string(), "Is a directory (os error 21)"},
  };
  for (const auto& c : cases) {
    const auto saved = save_credentials_file({"other", "other", 5}, c.path);
    ASSERT_FALSE(saved);
    ASSERT_TRUE(saved.error().is<errors::Io>());
    EXPECT_EQ(saved.error().display(), "IO error: " + c.detail);
  }
  EXPECT_EQ(read(good), before);
  EXPECT_EQ(entries(dir_), 2u);  // the good file and the blocker, no temporaries

  // A directory the process cannot write into: the earlier file stays as it was.
  if (::geteuid() != 0) {
    fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_FALSE(save_credentials_file({"other", "other", 5}, good.string()));
    fs::permissions(dir_, fs::perms::owner_all);
    EXPECT_EQ(read(good), before);
  }
}
