#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
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
  // Every node under `root`, links not followed, with its kind and, for a regular file, its bytes.
  static std::map<std::string, std::string> tree(const fs::path& root) {
    std::map<std::string, std::string> nodes;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
      std::string& node = nodes[entry.path().lexically_relative(root)] = file_type(entry.path());
      if (node == "regular") node += ": " + read(entry.path());
    }
    return nodes;
  }

  fs::path dir_;
};

const Credentials kCreds{"key-1", "tok/\"\\\n", 0};

// Saving to `path` fails with Io and this detail.
void expect_io_failure(const std::string& path, const std::string& detail, const Credentials& credentials = kCreds) {
  const auto saved = save_credentials_file(credentials, path);
  ASSERT_FALSE(saved);
  ASSERT_TRUE(saved.error().is<errors::Io>());
  EXPECT_EQ(saved.error().display(), "IO error: " + detail);
}

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
  for (const auto& c : cases) expect_io_failure(c.path, c.detail, {"other", "other", 5});
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
  fs::create_symlink("missing-directory/", dir_ / "link-to-a-missing-directory");
  fs::create_symlink("fifo/", dir_ / "link-to-fifo-as-directory");

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
      // Opening a path with a final '/' to create a file fails so, whatever is there.
      {"link-to-a-missing-directory", "Is a directory (os error 21)"},
      {"link-to-fifo-as-directory", "Is a directory (os error 21)"},
  };
  if (have_socket) cases.push_back({"socket", "not a regular file"});

  const auto before = tree(dir_);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    expect_io_failure((dir_ / c.name).string(), c.detail);
  }
  EXPECT_EQ(tree(dir_), before);
}

// A link that another user planted in a sticky, world-writable directory (such as /tmp) is followed
// neither by the writer nor by the reader, wherever it stands on the path, as the kernel's
// fs.protected_symlinks refuses it: it could aim the write, or the read of the key, at any file. The
// writer makes no directory behind such a link.
TEST_F(CredentialsFile, AStrangersLinkInAStickyFolderIsNotFollowedAnywhereOnThePath) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to give links and folders other owners";
  constexpr uid_t kStranger = 4242;
  constexpr uid_t kFolderOwner = 4243;
  const uid_t me = ::geteuid();
  const std::string abs_elsewhere = (dir_ / "elsewhere").string();
  struct Link {
    std::string at;
    std::string target;
    uid_t owner;
  };
  struct Case {
    const char* name;
    std::string path;    // in dir_
    std::vector<Link> links;
    std::string target;  // the file the path names, in dir_
    bool refused;
  };
  const Case cases[] = {
      {"the last link", "sticky/c.json", {{"sticky/c.json", "../elsewhere/c.json", kStranger}}, "elsewhere/c.json",
       true},
      {"a directory link", "sticky/dlink/c.json", {{"sticky/dlink", "../elsewhere", kStranger}}, "elsewhere/c.json",
       true},
      {"a directory link with a missing directory behind it", "sticky/dlink/new/c.json",
       {{"sticky/dlink", abs_elsewhere, kStranger}}, "elsewhere/new/c.json", true},
      {"a chain of directory links crossing the folder", "start/c.json",
       {{"start", "sticky/hop", me}, {"sticky/hop", "../elsewhere", kStranger}}, "elsewhere/c.json", true},
      {"a chain to the file crossing the folder", "c.json",
       {{"c.json", "sticky/hop", me}, {"sticky/hop", "../elsewhere/c.json", kStranger}}, "elsewhere/c.json", true},
      {"the folder owner's link", "sticky/dlink/c.json", {{"sticky/dlink", abs_elsewhere, kFolderOwner}},
       "elsewhere/c.json", false},
      {"one's own link", "sticky/dlink/c.json", {{"sticky/dlink", "../elsewhere", me}}, "elsewhere/c.json", false},
      {"a folder that is not sticky", "open/dlink/c.json", {{"open/dlink", "../elsewhere", kStranger}},
       "elsewhere/c.json", false},
      {"a sticky folder that not all may write", "closed/dlink/c.json",
       {{"closed/dlink", "../elsewhere", kStranger}}, "elsewhere/c.json", false},
  };
  const Credentials saved{"saved-key", "saved-token", 7};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(dir_);
    for (const auto& [folder, mode] : {std::pair{"sticky", 01777}, {"open", 0777}, {"closed", 01775}}) {
      fs::create_directories(dir_ / folder);
      ASSERT_EQ(::chmod((dir_ / folder).c_str(), mode), 0);
      ASSERT_EQ(::chown((dir_ / folder).c_str(), kFolderOwner, kFolderOwner), 0);
    }
    fs::create_directory(dir_ / "elsewhere");
    for (const Link& link : c.links) {
      fs::create_symlink(link.target, dir_ / link.at);
      ASSERT_EQ(::lchown((dir_ / link.at).c_str(), link.owner, link.owner), 0);
    }
    if (fs::is_directory(fs::path(dir_ / c.target).parent_path()))
      std::ofstream(dir_ / c.target) << credentials_file_text(saved);
    const std::string path = (dir_ / c.path).string();

    const auto loaded = read_credentials_file(path);
    const auto before = tree(dir_);
    const auto written = save_credentials_file(kCreds, path);
    if (c.refused) {
      ASSERT_FALSE(loaded);
      EXPECT_EQ(loaded.error().display(),
                "Authentication failed: could not read credentials from " + path + ": Permission denied (os error 13)");
      ASSERT_FALSE(written);
      EXPECT_EQ(written.error().display(), "IO error: Permission denied (os error 13)");
      EXPECT_EQ(tree(dir_), before);
    } else {
      ASSERT_TRUE(loaded) << loaded.error().display();
      EXPECT_EQ(*loaded, saved);
      ASSERT_TRUE(written) << written.error().display();
      EXPECT_EQ(read(dir_ / c.target), credentials_file_text(kCreds));
    }
  }
}

// The kernel follows at most 40 links in one walk, counted over the whole path: links to directories on
// the way and links to the file alike.
TEST_F(CredentialsFile, FortyLinksInAllAreFollowed) {
  struct Case {
    int directory_links;
    int file_links;
    bool followed;
  };
  const Case cases[] = {{20, 20, true}, {20, 21, false}, {40, 0, true}, {41, 0, false}, {0, 41, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.directory_links << " + " << c.file_links << " links");
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "real");
    const auto chain = [](const fs::path& at, const std::string& prefix, int count, const std::string& end) {
      for (int i = 0; i < count; ++i)
        fs::create_symlink(i + 1 < count ? prefix + std::to_string(i + 1) : end, at / (prefix + std::to_string(i)));
    };
    chain(dir_, "d", c.directory_links, "real");
    chain(dir_ / "real", "f", c.file_links, "c.json");
    std::ofstream(dir_ / "real" / "c.json") << credentials_file_text(kCreds);
    const std::string path =
        (dir_ / (c.directory_links > 0 ? "d0" : "real") / (c.file_links > 0 ? "f0" : "c.json")).string();

    const auto loaded = read_credentials_file(path);
    const auto written = save_credentials_file({"k", "t", 1}, path);
    if (c.followed) {
      ASSERT_TRUE(loaded) << loaded.error().display();
      EXPECT_EQ(*loaded, kCreds);
      ASSERT_TRUE(written) << written.error().display();
      EXPECT_EQ(read(dir_ / "real" / "c.json"), credentials_file_text({"k", "t", 1}));
    } else {
      const std::string loop = "Too many levels of symbolic links (os error 40)";
      ASSERT_FALSE(loaded);
      EXPECT_EQ(loaded.error().display(),
                "Authentication failed: could not read credentials from " + path + ": " + loop);
      ASSERT_FALSE(written);
      EXPECT_EQ(written.error().display(), "IO error: " + loop);
      EXPECT_EQ(read(dir_ / "real" / "c.json"), credentials_file_text(kCreds));
    }
  }
}

// A write that is bound to fail makes no directory first. The walk looks at the whole path with the
// directories it would make taken as empty, so that ".." over them goes back up: a path that names a
// directory by its form (opening it to create a file fails whatever is there), a name too long for any
// directory, and whatever the path leads to over missing directories that cannot receive the file.
TEST_F(CredentialsFile, AWriteBoundToFailMakesNothing) {
  const std::string too_long(NAME_MAX + 1, 'n');
  fs::create_directory(dir_ / "t");
  std::ofstream(dir_ / "file") << "x";
  ASSERT_EQ(::mkfifo((dir_ / "fifo").c_str(), 0600), 0);
  fs::create_symlink("nowhere/c.json", dir_ / "dangling");
  struct Case {
    std::string path;  // in dir_
    std::string detail;
  };
  std::vector<Case> cases = {
      {"area/newdir/", "Is a directory (os error 21)"},
      {"area/newdir//", "Is a directory (os error 21)"},
      {"area/newdir/.", "Is a directory (os error 21)"},
      {"area/newdir/..", "Is a directory (os error 21)"},
      {"area/", "Is a directory (os error 21)"},
      {"area/new/" + too_long, "File name too long (os error 36)"},
      {"area/" + too_long + "/c.json", "File name too long (os error 36)"},
      {"area/n1/../" + too_long + "/c.json", "File name too long (os error 36)"},
      {"n1/n2/../../t", "Is a directory (os error 21)"},
      {"n1/../t/../fifo", "not a regular file"},
      {"n1/../dangling/c.json", "File exists (os error 17)"},
      {"n1/../file/c.json", "File exists (os error 17)"},
      {"n1/../fifo/c.json", "File exists (os error 17)"},
      {"n1/../file/n2/c.json", "Not a directory (os error 20)"},
      {"n1/../dangling", "No such file or directory (os error 2)"},
  };
  if (::geteuid() == 0) {
    // Another user's link in a sticky, world-writable folder, reached over a missing directory.
    fs::create_directory(dir_ / "sticky");
    ASSERT_EQ(::chmod((dir_ / "sticky").c_str(), 01777), 0);
    ASSERT_EQ(::chown((dir_ / "sticky").c_str(), 4243, 4243), 0);
    fs::create_symlink("../t", dir_ / "sticky" / "L");
    ASSERT_EQ(::lchown((dir_ / "sticky" / "L").c_str(), 4242, 4242), 0);
    cases.push_back({"sticky/n1/../L/c.json", "Permission denied (os error 13)"});
  }
  const auto before = tree(dir_);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    expect_io_failure((dir_ / c.path).string(), c.detail);
    EXPECT_EQ(tree(dir_), before);
  }

  // What such paths lead to when it can receive the file: the directories of the path as given are
  // made, and the file is written where ".." led.
  for (const auto& [path, file] : {std::pair{"n1/n2/../../t/c.json", "t/c.json"}, {"n3/../fresh.json", "fresh.json"}}) {
    SCOPED_TRACE(path);
    const auto written = save_credentials_file(kCreds, (dir_ / path).string());
    ASSERT_TRUE(written) << written.error().display();
    EXPECT_EQ(read(dir_ / file), credentials_file_text(kCreds));
  }
  EXPECT_TRUE(fs::is_directory(dir_ / "n1" / "n2"));
  EXPECT_TRUE(fs::is_directory(dir_ / "n3"));

  // The longest name a directory holds is written, through a temporary whose name fits too.
  const fs::path longest = dir_ / "area" / "new" / std::string(NAME_MAX, 'n');
  const auto written = save_credentials_file(kCreds, longest.string());
  ASSERT_TRUE(written) << written.error().display();
  EXPECT_EQ(read(longest), credentials_file_text(kCreds));
  EXPECT_EQ(entries(longest.parent_path()), 1u);
}

// Every path shorter than PATH_MAX that the kernel would open is written and read back, though the
// temporary beside the file has a longer name; from PATH_MAX on, nothing is made.
TEST_F(CredentialsFile, PathsUpToTheSystemsLimitAreWrittenAndReadBack) {
  for (const std::size_t length : {std::size_t{PATH_MAX} - 12, std::size_t{PATH_MAX} - 1, std::size_t{PATH_MAX}}) {
    SCOPED_TRACE(length);
    fs::remove_all(dir_);
    fs::create_directory(dir_);
    // Directories of 200-byte names, then a file name that makes up the length.
    std::string path = dir_.string();
    while (length - path.size() > 1 + 200 + 1 + 20) path += "/" + std::string(200, 'd');
    path += "/" + std::string(length - path.size() - 1, 'f');
    ASSERT_EQ(path.size(), length);

    const auto written = save_credentials_file(kCreds, path);
    if (length < PATH_MAX) {
      ASSERT_TRUE(written) << written.error().display();
      const auto loaded = read_credentials_file(path);
      ASSERT_TRUE(loaded) << loaded.error().display();
      EXPECT_EQ(*loaded, kCreds);
      EXPECT_EQ(entries(fs::path(path).parent_path()), 1u);
    } else {
      ASSERT_FALSE(written);
      EXPECT_EQ(written.error().display(), "IO error: File name too long (os error 36)");
      EXPECT_EQ(entries(dir_), 0u);
    }
  }
}

// A key or token that is not UTF-8 would make a file the reader refuses ever after: it is refused before
// anything is made.
TEST_F(CredentialsFile, AKeyOrTokenThatIsNotUtf8IsRefused) {
  struct Case {
    Credentials credentials;
    std::string detail;
  };
  const Case cases[] = {
      {{"key-\xc3", "token", 0}, "API key is not valid UTF-8"},
      {{"key", "token-\xed\xa0\x80", 0}, "access token is not valid UTF-8"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.detail);
    const auto written = save_credentials_file(c.credentials, (dir_ / "new" / "c.json").string());
    ASSERT_FALSE(written);
    ASSERT_TRUE(written.error().is<errors::InvalidInput>());
    EXPECT_EQ(written.error().display(), "Invalid input: " + c.detail);
    EXPECT_EQ(entries(dir_), 0u);
  }
}

namespace {

// What a descriptor stands for, made in the test's own folder (or in memory).
enum class Node { file, deleted_file, memfd, pipe, socket, directory, deleted_directory };

class DescriptorLinks : public CredentialsFile {
 protected:
  void TearDown() override {
    for (int fd : open_) ::close(fd);
    CredentialsFile::TearDown();
  }

  // A descriptor of `node`; a file holds `record`, a directory a file "c.json" holding it. A deleted
  // file or directory was at dir_/x.json or dir_/x, so that its link's text names a place in dir_.
  int open_node(Node node, const Credentials& record) {
    const std::string text = credentials_file_text(record);
    const fs::path x = dir_ / "x.json";
    int fd = -1;
    switch (node) {
      case Node::file:
      case Node::deleted_file:
        std::ofstream(x) << text;
        fd = ::open(x.c_str(), O_RDONLY | O_CLOEXEC);
        if (node == Node::deleted_file) fs::remove(x);
        break;
      case Node::memfd:
        fd = ::memfd_create("credentials.json", MFD_CLOEXEC);
        EXPECT_EQ(::write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
        break;
      case Node::pipe:
      case Node::socket: {
        int pair[2];
        EXPECT_EQ(node == Node::pipe ? ::pipe2(pair, O_CLOEXEC) : ::socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
        open_.push_back(pair[1]);  // the other end stays open: a read would wait, not end
        fd = pair[0];
        break;
      }
      case Node::directory:
      case Node::deleted_directory:
        fs::create_directory(dir_ / "x");
        if (node == Node::directory) std::ofstream(dir_ / "x" / "c.json") << text;
        fd = ::open((dir_ / "x").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (node == Node::deleted_directory) fs::remove(dir_ / "x");
        break;
    }
    EXPECT_GE(fd, 0);
    open_.push_back(fd);
    return fd;
  }

  std::vector<int> open_;
};

const Credentials kSaved{"saved-key", "saved-token", 7};

}  // namespace

// The kernel follows a descriptor link to the open file, not by its text ("/memfd:x (deleted)",
// "/tmp/x.json (deleted)", "pipe:[4711]"): the reader reads that file, a regular file only, as cat reads
// it.
TEST_F(DescriptorLinks, TheReaderReadsTheOpenFile) {
  struct Case {
    Node node;
    std::string prefix;  // the descriptor's number follows
    std::string suffix;
    std::string why;     // empty: reads the record
  };
  const Case cases[] = {
      {Node::file, "/proc/self/fd/", "", ""},
      {Node::deleted_file, "/proc/self/fd/", "", ""},
      {Node::memfd, "/proc/self/fd/", "", ""},
      {Node::memfd, "/dev/fd/", "", ""},
      {Node::directory, "/proc/self/fd/", "/c.json", ""},
      {Node::pipe, "/proc/self/fd/", "", "not a regular file"},
      {Node::socket, "/dev/fd/", "", "not a regular file"},
      {Node::deleted_directory, "/proc/self/fd/", "/c.json", "No such file or directory (os error 2)"},
  };
  for (const Case& c : cases) {
    const std::string path = c.prefix + std::to_string(open_node(c.node, kSaved)) + c.suffix;
    SCOPED_TRACE(path);
    const auto read = read_credentials_file(path);
    if (c.why.empty()) {
      ASSERT_TRUE(read) << read.error().display();
      EXPECT_EQ(*read, kSaved);
    } else {
      ASSERT_FALSE(read);
      EXPECT_EQ(read.error().display(), "Authentication failed: could not read credentials from " + path + ": " + c.why);
    }
    fs::remove_all(dir_);
    fs::create_directory(dir_);
  }
}

// The writer never makes or replaces a file named by a descriptor link's text: it goes on along the text
// only where the text names the very file the link leads to, and otherwise refuses before anything is
// made. (Every link here has its text in dir_.)
TEST_F(DescriptorLinks, TheWriterReplacesOnlyTheFileTheTextNames) {
  struct Case {
    const char* name;
    Node node;
    std::string suffix;
    std::string written;  // the file in dir_ that receives the record; empty: refused
    bool decoy = false;   // a file named as a deleted file's text stands in dir_
  };
  const Case cases[] = {
      {"an existing file", Node::file, "", "x.json"},
      {"an existing directory", Node::directory, "/c.json", "x/c.json"},
      {"a missing directory in an existing one", Node::directory, "/new/c.json", "x/new/c.json"},
      {"a deleted file", Node::deleted_file, "", ""},
      {"a deleted file, its text naming another file", Node::deleted_file, "", "", true},
      {"a deleted directory", Node::deleted_directory, "/new/c.json", ""},
  };
  const std::string fd_links = "/proc/" + std::to_string(::getpid()) + "/fd/";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(dir_);
    fs::create_directory(dir_);
    const int fd = open_node(c.node, kSaved);
    if (c.decoy) std::ofstream(dir_ / "x.json (deleted)") << "decoy";
    const std::string path = "/proc/self/fd/" + std::to_string(fd) + c.suffix;

    const auto before = tree(dir_);
    const auto written = save_credentials_file(kCreds, path);
    if (c.written.empty()) {
      ASSERT_FALSE(written);
      EXPECT_EQ(written.error().display(), "IO error: " + fd_links + std::to_string(fd) +
                                               " leads to an open file that no path names, which cannot be replaced");
      EXPECT_EQ(tree(dir_), before);
    } else {
      ASSERT_TRUE(written) << written.error().display();
      EXPECT_EQ(read(dir_ / c.written), credentials_file_text(kCreds));
      EXPECT_EQ(mode(dir_ / c.written), 0600u);
    }
  }
}
