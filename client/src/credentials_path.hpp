#pragma once
// Where a credentials path leads. The writer and the reader both resolve the path here, one component at
// a time, so that they follow the same symbolic links and refuse the same ones, whatever the kernel's
// own setting: a link that another user planted in a sticky, world-writable directory such as /tmp is
// never followed, wherever it stands on the path (the rule of fs.protected_symlinks), since it could aim
// the write, or the read of a key, at any file.

#include <sys/stat.h>

#include <expected>
#include <string>

namespace norvi::client {

enum class PathUse {
  // Everything on the path must exist.
  read,
  // The directories of the path as given are made where missing (never those a link names), and the
  // last component may be missing. A path whose last component is a directory by its form (a final
  // '/', "." or "..") is refused before anything is made, and so are names too long for a directory.
  write,
};

// What the path names once every link on it has been followed.
struct ResolvedPath {
  std::string dir;   // the directory holding it, with its final '/' ("" for the working directory)
  std::string name;  // the last component, not a link
  bool exists = false;
  struct stat st {};  // its lstat when it exists

  std::string path() const { return dir + name; }
};

// The path resolved as the kernel would (relative link targets against the directory holding the link,
// absolute ones from "/", at most 40 links in all), or the errno of the failure: EACCES for a refused
// link. `path` holds no NUL byte.
std::expected<ResolvedPath, int> resolve_credentials_path(const std::string& path, PathUse use);

}  // namespace norvi::client
