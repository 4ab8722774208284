#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>
#include <vector>

#include "norvi/client/credentials.hpp"
#include "support/file_nodes.hpp"

using namespace norvi::client;
namespace fs = std::filesystem;

namespace {

class CredentialsRead : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/norvi-cred-read-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string file_with(const std::string& content, const std::string& name = "credentials.json") {
    const fs::path path = dir_ / name;
    std::ofstream(path, std::ios::binary) << content;
    return path.string();
  }

  fs::path dir_;
};

}  // namespace

TEST_F(CredentialsRead, ReadsWhatTheWriterWrote) {
  const Credentials creds{"key \"1\"/\\", std::string("tok\n\0\x1f\xc3\xa9", 8), -42};
  const std::string path = (dir_ / "c.json").string();
  ASSERT_TRUE(save_credentials_file(creds, path));
  const auto back = read_credentials_file(path);
  ASSERT_TRUE(back) << back.error().display();
  EXPECT_EQ(*back, creds);
}

TEST_F(CredentialsRead, DecodingRules) {
  struct Case {
    std::string content;
    std::string error;  // empty: decodes to {k, t, timestamp}
    std::int64_t timestamp = 0;
  };
  const Case cases[] = {
      {R"({"api_key": "k", "access_token": "t", "token_obtained_at": 17})", "", 17},
      {R"( {"comment": {"any": [1, null]}, "token_obtained_at": -5, "access_token": "t", "api_key": "k"} )", "", -5},
      {R"(["k", "t", 9])", "", 9},
      {"{\n  \"api_key\": \"k\",\n  \"access_token\": \"t\",\n  \"token_obtained_at\": -9223372036854775808\n}\n", "",
       INT64_MIN},
      {"", "EOF while parsing a value at line 1 column 0"},
      {"\n\n", "EOF while parsing a value at line 3 column 0"},
      {R"({"api_key": "k", "access_token": "t", "token_obtained_at": "17"})",
       R"(invalid type: string "17", expected i64 at line 1 column 63)"},
      {R"({"api_key": "k", "access_token": "t", "token_obtained_at": 1.5})",
       "invalid type: floating point `1.5`, expected i64 at line 1 column 62"},
      {R"({"api_key": "k", "access_token": "t", "token_obtained_at": 9223372036854775808})",
       "invalid value: integer `9223372036854775808`, expected i64 at line 1 column 78"},
      {R"({"api_key": null, "access_token": "t", "token_obtained_at": 0})",
       "invalid type: null, expected a string at line 1 column 16"},
      {"{\n  \"api_key\": \"k\",\n  \"access_token\": 5,\n  \"token_obtained_at\": 0\n}",
       "invalid type: integer `5`, expected a string at line 3 column 19"},
      {R"({"api_key": "k", "api_key": "k", "access_token": "t", "token_obtained_at": 0})",
       "duplicate field `api_key` at line 1 column 26"},
      {R"({"api_key": "k", "token_obtained_at": 0})", "missing field `access_token` at line 1 column 40"},
      {R"(["k", "t"])", "invalid length 2, expected struct Credentials with 3 elements at line 1 column 10"},
      {R"(["k", "t", 0, 0])", "trailing characters at line 1 column 15"},
      {"1", "invalid type: integer `1`, expected struct Credentials at line 1 column 1"},
      {R"("k")", R"(invalid type: string "k", expected struct Credentials at line 1 column 3)"},
      {R"({"api_key": "k", "access_token": "t", "token_obtained_at": 0} {})", "trailing characters at line 1 column 63"},
      {R"({"api_key": "k", "access_token": "t", "token_obtained_at": 0)", "EOF while parsing an object at line 1 column 60"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.content);
    const auto read = read_credentials_file(file_with(c.content));
    if (c.error.empty()) {
      ASSERT_TRUE(read) << read.error().display();
      EXPECT_EQ(*read, (Credentials{"k", "t", c.timestamp}));
    } else {
      ASSERT_FALSE(read);
      ASSERT_TRUE(read.error().is<errors::Json>());
      EXPECT_EQ(read.error().display(), "JSON error: " + c.error);
    }
  }
}

TEST_F(CredentialsRead, FilesThatCannotBeRead) {
  const std::string missing = (dir_ / "missing.json").string();
  const std::string bad_text = file_with("{\"api_key\": \"\xff\"}", "latin1.json");
  struct Case {
    std::string path;
    std::string shown;  // the path as the text shows it
    std::string why;
  };
  const Case cases[] = {
      {missing, missing, "No such file or directory (os error 2)"},
      {"", "", "No such file or directory (os error 2)"},
      {dir_.string(), dir_.string(), "Is a directory (os error 21)"},
      {bad_text, bad_text, "stream did not contain valid UTF-8"},
      {missing + std::string("\0x", 2), missing + std::string("\0x", 2), "file name contained an unexpected NUL byte"},
      {(dir_ / "a\xff\xfe\xc3.json").string(), (dir_ / "a\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd.json").string(),
       "No such file or directory (os error 2)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    const auto read = read_credentials_file(c.path);
    ASSERT_FALSE(read);
    ASSERT_TRUE(read.error().is<errors::Auth>());
    EXPECT_EQ(read.error().display(), "Authentication failed: could not read credentials from " + c.shown + ": " + c.why);
  }
  if (::geteuid() != 0) {
    const std::string locked = file_with("{}", "locked.json");
    ::chmod(locked.c_str(), 0);
    EXPECT_EQ(read_credentials_file(locked).error().display(),
              "Authentication failed: could not read credentials from " + locked + ": Permission denied (os error 13)");
  }
}

namespace {

// Reads `path` on another thread. Should the read block (as reading a FIFO whose other end nobody opens
// would), the FIFO's writing end is opened and closed after a deadline, so the reader comes back and the
// test fails instead of hanging.
Result<Credentials> read_with_deadline(const std::string& path) {
  auto reading = std::async(std::launch::async, [&] { return read_credentials_file(path); });
  if (reading.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
    ADD_FAILURE() << "reading " << path << " blocked";
    const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) ::close(fd);
  }
  return reading.get();
}

std::string cannot_read(const std::string& path, const std::string& why) {
  return "Authentication failed: could not read credentials from " + path + ": " + why;
}

}  // namespace

// Only a regular file of at most 1 MiB is read: a FIFO would block, a device could never end, and a
// credentials record is a key and a token. Links to a regular file read as the file.
TEST_F(CredentialsRead, OnlyARegularFileOfBoundedSizeIsRead) {
  const std::string record = R"({"api_key": "k", "access_token": "t", "token_obtained_at": 3})";
  const std::string fifo = (dir_ / "fifo").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string sparse = (dir_ / "sparse.json").string();
  file_with("", "sparse.json");
  ASSERT_EQ(::truncate(sparse.c_str(), 2 << 20), 0);
  const std::string socket_path = (dir_ / "socket").string();
  ASSERT_TRUE(norvi::testing::make_socket_node(socket_path));
  // Padded with blanks to the limit and one byte beyond it.
  const std::string at_limit = file_with(record + std::string(kCredentialsFileLimit - record.size(), ' '), "at.json");
  const std::string beyond = file_with(record + std::string(kCredentialsFileLimit + 1 - record.size(), ' '), "over.json");
  const std::string plain = file_with(record, "plain.json");
  fs::create_symlink("plain.json", dir_ / "link");
  fs::create_symlink("link", dir_ / "link-to-link");
  fs::create_symlink("fifo", dir_ / "link-to-fifo");

  struct Case {
    std::string path;
    std::string why;  // empty: reads the record
  };
  const Case cases[] = {
      {fifo, "not a regular file"},
      {(dir_ / "link-to-fifo").string(), "not a regular file"},
      {socket_path, "not a regular file"},
      {sparse, "larger than 1 MiB"},
      {beyond, "larger than 1 MiB"},
      {at_limit, ""},
      {(dir_ / "link").string(), ""},
      {(dir_ / "link-to-link").string(), ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    const auto read = read_with_deadline(c.path);
    if (c.why.empty()) {
      ASSERT_TRUE(read) << read.error().display();
      EXPECT_EQ(*read, (Credentials{"k", "t", 3}));
    } else {
      ASSERT_FALSE(read);
      ASSERT_TRUE(read.error().is<errors::Auth>());
      EXPECT_EQ(read.error().display(), cannot_read(c.path, c.why));
    }
  }
}

