#pragma once
// Where a credentials path leads. The writer and the reader both resolve the path here, one component at
// a time, so that they follow the same symbolic links and refuse the same ones, whatever the kernel's
// own setting: a link that another user planted in a sticky, world-writable directory such as /tmp is
// never followed, wherever it stands on the path (the rule of fs.protected_symlinks), since it could aim
// the write, or the read of a key, at any file.
//
// The kernel's descriptor links (/proc/<pid>/fd/N, and /dev/fd/N or /dev/stdin, which lead there) are
// followed to the open file, not by their text, which only describes it ("/memfd:x (deleted)",
// "pipe:[4711]"). Such a link is walked along its text only where that text names the very file the
// link leads to; otherwise only the kernel can follow it.

#include <sys/stat.h>

#include <expected>
#include <string>

namespace norvi::client {

enum class PathUse {
  // Everything on the path must exist.
  read,
  // Looks only, makes nothing: the directories of the path as given may be missing (taken as empty
  // ones, so that ".." over them goes back up) and so may the last component. A path whose last
  // component is a directory by its form (a final '/', "." or "..") is refused, and so is a name too
  // long for a directory, wherever it stands.
  write,
  // As write, and the missing directories of the path as given are made on the way (never those a link
  // names). Meant to follow a write walk that found the path writable.
  create,
};

// What the path names once every link on it has been followed.
struct ResolvedPath {
  std::string dir;   // the directory holding it, with its final '/' ("" for the working directory)
  std::string name;  // the last component, not a link
  bool exists = false;
  struct stat st {};  // its lstat when it exists
  // Some directories of the path as given are missing (write) or were made (create).
  bool dirs_missing = false;
  // Set to the link met on the walk when the path leads through a descriptor link whose text names no
  // path to its file (a deleted file, a memfd, a pipe, a socket). `dir` is then empty and `name` holds
  // the path from that link on, for the kernel to open; for read, `st` is its stat, links followed.
  std::string descriptor_link;

  std::string path() const { return dir + name; }
};

// A resolved directory as a path to hand to the system: "" is the working directory.
inline const char* as_directory(const std::string& dir) { return dir.empty() ? "." : dir.c_str(); }

// The path resolved as the kernel would (relative link targets against the directory holding the link,
// absolute ones from "/", at most 40 links in all), or the errno of the failure: EACCES for a refused
// link. `path` holds no NUL byte.
std::expected<ResolvedPath, int> resolve_credentials_path(const std::string& path, PathUse use);

}  // namespace norvi::client
