// Writing the credentials file. The API key and token never sit in a file other users can read, and a
// failed or concurrent write never leaves a truncated file behind: the text goes into a temporary file
// created 0600 in the same directory, is flushed to disk and then renamed over the file. A symbolic link
// at the path is followed first, so that the file it names is the one replaced and the link stays; a
// path that names anything but a regular file is refused before anything is written.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "file_kind.hpp"
#include "norvi/client/credentials.hpp"

namespace norvi::client {
namespace {

ClientError io_error(int err) { return errors::Io{os_error_text(err)}; }

// Creates `dir` and every missing ancestor (mode 0777 before the umask), deepest first so that the error
// reported is the one met at the path itself; directories that already exist are fine.
Result<void> create_parents(const std::string& dir) {
  if (dir.empty()) return {};
  if (::mkdir(dir.c_str(), 0777) == 0) return {};
  int err = errno;
  if (err == ENOENT) {
    const std::size_t slash = dir.find_last_of('/');
    if (slash != std::string::npos && slash != 0) {
      if (auto made = create_parents(dir.substr(0, slash)); !made) return made;
    }
    if (::mkdir(dir.c_str(), 0777) == 0) return {};
    err = errno;
  }
  struct stat st {};
  if (::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return {};
  return fail(io_error(err));
}

Result<void> write_all(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return fail(io_error(errno));
    }
    if (n == 0) return fail(errors::Io{"failed to write whole buffer"});
    done += static_cast<std::size_t>(n);
  }
  return {};
}

// The kernel gives up on a chain of symbolic links this long.
constexpr int kMaxLinks = 40;

// A path's directory part with its final '/' (empty when it has none), and the name after it.
struct PathParts {
  std::string dir;
  std::string name;
};
PathParts split_path(const std::string& path) {
  const std::size_t cut = path.rfind('/') + 1;  // 0 when there is no '/'
  return {path.substr(0, cut), path.substr(cut)};
}

// Whether the link described by `link` may be followed: not when another user planted it in a sticky,
// world-writable directory such as /tmp (unless that user owns the directory). The kernel refuses to open
// through such a link; reading links here must not bypass that, or the link could aim the write at any
// file the caller may change.
bool may_follow(const std::string& path, const struct stat& link) {
  struct stat dir {};
  const std::string holder = split_path(path).dir;
  if (::stat(holder.empty() ? "." : holder.c_str(), &dir) != 0) return false;
  const bool shared = (dir.st_mode & S_ISVTX) != 0 && (dir.st_mode & S_IWOTH) != 0;
  return !shared || link.st_uid == ::geteuid() || link.st_uid == dir.st_uid;
}

Result<std::string> read_link(const std::string& path, std::size_t size_hint) {
  std::vector<char> buffer(size_hint + 1 < 256 ? 256 : size_hint + 1);
  for (;;) {
    const ssize_t n = ::readlink(path.c_str(), buffer.data(), buffer.size());
    if (n < 0) return fail(io_error(errno));
    if (static_cast<std::size_t>(n) < buffer.size()) return std::string(buffer.data(), static_cast<std::size_t>(n));
    buffer.resize(buffer.size() * 2);  // the link changed since it was looked at, or its size was not told
  }
}

// The file a write to `path` replaces: the final target of a chain of symbolic links, each relative one
// read against the directory that holds it. The target need not exist: a dangling link names the file to
// create, as a shell's ">" would (its directory must exist; none is made along a link). Anything at the
// end that is not a regular file is refused.
Result<std::string> file_to_replace(std::string path) {
  for (int links = 0;; ++links) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
      if (errno == ENOENT) return path;
      return fail(io_error(errno));
    }
    if (!S_ISLNK(st.st_mode)) {
      if (std::string why = not_a_regular_file(st.st_mode); !why.empty()) return fail(errors::Io{std::move(why)});
      return path;
    }
    if (links == kMaxLinks) return fail(io_error(ELOOP));
    if (!may_follow(path, st)) return fail(io_error(EACCES));
    auto target = read_link(path, static_cast<std::size_t>(st.st_size));
    if (!target) return fail(std::move(target.error()));
    if (target->empty()) return fail(io_error(ENOENT));
    path = target->front() == '/' ? std::move(*target) : split_path(path).dir + *target;
  }
}

}  // namespace

Result<void> save_credentials_file(const Credentials& credentials, const std::string& path) {
  if (path.find('\0') != std::string::npos) return fail(errors::Io{"file name contained an unexpected NUL byte"});
  if (path.empty()) return fail(io_error(ENOENT));

  if (const std::string dir = split_path(path).dir; dir.size() > 1) {
    if (auto made = create_parents(dir.substr(0, dir.size() - 1)); !made) return made;
  }
  auto resolved = file_to_replace(path);
  if (!resolved) return fail(std::move(resolved.error()));
  const std::string& file = *resolved;

  const std::string text = credentials_file_text(credentials);

  // The temporary goes beside the file it replaces, so that the rename stays within one directory.
  const auto [dir, name] = split_path(file);
  std::string temp = dir + "." + name + ".tmp-XXXXXX";
  const int fd = ::mkostemp(temp.data(), O_CLOEXEC);  // created 0600, whatever the umask allows more
  if (fd < 0) return fail(io_error(errno));

  auto discard = [&](int err) {
    ::close(fd);
    ::unlink(temp.c_str());
    return fail(io_error(err));
  };
  if (auto written = write_all(fd, text); !written) {
    ::close(fd);
    ::unlink(temp.c_str());
    return written;
  }
  while (::fchmod(fd, 0600) != 0) {
    if (errno != EINTR) return discard(errno);
  }
  if (::fsync(fd) != 0) return discard(errno);
  if (::close(fd) != 0) {
    const int err = errno;
    ::unlink(temp.c_str());
    return fail(io_error(err));
  }
  if (::rename(temp.c_str(), file.c_str()) != 0) {
    const int err = errno;
    ::unlink(temp.c_str());
    return fail(io_error(err));
  }
  return {};
}

}  // namespace norvi::client
