#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "norvi/client/credentials.hpp"
#include "support/file_nodes.hpp"

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

namespace {

std::string file_type(const fs::path& p) {
  switch (fs::symlink_status(p).type()) {
    case fs::file_type::regular: return "regular";
    case fs::file_type::directory: return "directory";
    case fs::file_type::symlink: return "symlink";
    case fs::file_type::fifo: return "fifo";
    case fs::file_type::socket: return "socket";
    case fs::file_type::not_found: return "missing";
    default: return "other";
  }
}

}  // namespace

// A link at the path is followed to its final target, which is replaced in its own directory: the links
// stay links, the target holds the new record with mode 0600, and no temporary is left anywhere.
TEST_F(CredentialsFile, LinksAreFollowedToTheFileTheyName) {
  struct Case {
    const char* name;
    std::vector<std::pair<std::string, std::string>> links;  // link (in dir_) -> target, as written
    std::string target;                                      // the file that must receive the record
    bool target_exists;
  };
  const std::string abs_target = (dir_ / "elsewhere" / "real.json").string();
  const Case cases[] = {
      {"relative", {{"c.json", "real.json"}}, "real.json", true},
      {"absolute", {{"c.json", abs_target}}, "elsewhere/real.json", true},
      {"into another directory", {{"c.json", "elsewhere/../elsewhere/real.json"}}, "elsewhere/real.json", true},
      {"chain", {{"c.json", "l2"}, {"l2", "elsewhere/l3"}, {"elsewhere/l3", "real.json"}}, "elsewhere/real.json",
       true},
      {"dangling", {{"c.json", "elsewhere/new.json"}}, "elsewhere/new.json", false},
      {"dangling chain", {{"c.json", "l2"}, {"l2", "new.json"}}, "new.json", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "elsewhere");
    if (c.target_exists) {
      std::ofstream(dir_ / c.target) << "old token";
      fs::permissions(dir_ / c.target, fs::perms::all);
    }
    for (const auto& [link, target] : c.links) fs::create_symlink(target, dir_ / link);

    const auto saved = save_credentials_file(kCreds, (dir_ / "c.json").string());
    ASSERT_TRUE(saved) << saved.error().display();
    for (const auto& [link, target] : c.links) {
      ASSERT_EQ(file_type(dir_ / link), "symlink") << link;
      EXPECT_EQ(fs::read_symlink(dir_ / link).string(), target);
    }
    EXPECT_EQ(file_type(dir_ / c.target), "regular");
    EXPECT_EQ(read(dir_ / "c.json"), credentials_file_text(kCreds));
    EXPECT_EQ(mode(dir_ / c.target), 0600u);
    for (const auto& entry : fs::recursive_directory_iterator(dir_))
      EXPECT_EQ(entry.path().filename().string().find(".tmp-"), std::string::npos) << entry.path();
  }
}

// Whatever is at the path and is not a regular file (or a link to one) is left as it is, and nothing is
// written anywhere: a token written into a pipe, a socket or a device is never what the caller meant.
TEST_F(CredentialsFile, APathThatIsNotARegularFileIsRefused) {
  ASSERT_EQ(::mkfifo((dir_ / "fifo").c_str(), 0600), 0);
  fs::create_directory(dir_ / "directory");
  std::ofstream(dir_ / "directory" / "inside") << "x";
  fs::create_directory(dir_ / "empty-directory");
  const bool have_socket = norvi::testing::make_socket_node(dir_ / "socket");
  fs::create_symlink("fifo", dir_ / "link-to-fifo");
  fs::create_symlink("directory", dir_ / "link-to-directory");
  fs::create_symlink("loop-b", dir_ / "loop-a");
  fs::create_symlink("loop-a", dir_ / "loop-b");
  fs::create_symlink("missing-directory/c.json", dir_ / "dangling-into-nothing");

  struct Case {
    std::string name;
    std::string detail;
  };
  std::vector<Case> cases = {
      {"fifo", "not a regular file"},
      {"directory", "Is a directory (os error 21)"},
      {"empty-directory", "Is a directory (os error 21)"},
      {"link-to-fifo", "not a regular file"},
      {"link-to-directory", "Is a directory (os error 21)"},
      {"loop-a", "Too many levels of symbolic links (os error 40)"},
      // A link's target directory is not created: only the directories of the path as given are.
      {"dangling-into-nothing", "No such file or directory (os error 2)"},
  };
  if (have_socket) cases.push_back({"socket", "not a regular file"});

  std::map<std::string, std::string> before;
  for (const auto& entry : fs::recursive_directory_iterator(dir_)) before[entry.path()] = file_type(entry.path());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto saved = save_credentials_file(kCreds, (dir_ / c.name).string());
    ASSERT_FALSE(saved);
    ASSERT_TRUE(saved.error().is<errors::Io>());
    EXPECT_EQ(saved.error().display(), "IO error: " + c.detail);
  }
  std::map<std::string, std::string> after;
  for (const auto& entry : fs::recursive_directory_iterator(dir_)) after[entry.path()] = file_type(entry.path());
  EXPECT_EQ(after, before);
}

// A link that another user planted in a sticky, world-writable directory (such as /tmp) is not followed,
// as the kernel refuses to open through one: it could point at any file the caller may write.
TEST_F(CredentialsFile, ALinkOfAnotherUserInAStickyDirectoryIsNotFollowed) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to give a link another owner";
  const fs::path shared = dir_ / "shared";
  fs::create_directory(shared);
  ASSERT_EQ(::chmod(shared.c_str(), 01777), 0);
  std::ofstream(dir_ / "victim") << "keep";
  fs::create_symlink(dir_ / "victim", shared / "c.json");
  ASSERT_EQ(::lchown((shared / "c.json").c_str(), 4242, 4242), 0);

  const auto saved = save_credentials_file(kCreds, (shared / "c.json").string());
  ASSERT_FALSE(saved);
  EXPECT_EQ(saved.error().display(), "IO error: Permission denied (os error 13)");
  EXPECT_EQ(read(dir_ / "victim"), "keep");

  // The same link owned by the directory's owner is followed.
  ASSERT_EQ(::lchown((shared / "c.json").c_str(), 0, 0), 0);
  ASSERT_TRUE(save_credentials_file(kCreds, (shared / "c.json").string()));
  EXPECT_EQ(read(dir_ / "victim"), credentials_file_text(kCreds));
}
