// Writing the credentials file. The API key and token never sit in a file other users can read, and a
// failed or concurrent write never leaves a truncated file behind: the text goes into a temporary file
// created 0600 in the same directory, is flushed to disk and then renamed over the file. The path is
// resolved first (credentials_path.hpp) without making anything, so that a write bound to fail leaves
// no directory behind; only then are its missing directories made. The links on it are followed so that
// the file they name is the one replaced and the links stay, and a path that names anything but a
// regular file is refused before anything is written.

#include <fcntl.h>
#include <fmt/format.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

#include "credentials_path.hpp"
#include "file_kind.hpp"
#include "norvi/client/credentials.hpp"
#include "norvi/symbolic/utf8.hpp"

namespace norvi::client {
namespace {

ClientError io_error(int err) { return errors::Io{os_error_text(err)}; }

// The directory's descriptor, closed when it goes out of scope.
struct ScopedFd {
  int fd;
  explicit ScopedFd(int fd) : fd(fd) {}
  ScopedFd(const ScopedFd&) = delete;
  ScopedFd& operator=(const ScopedFd&) = delete;
  ~ScopedFd() {
    if (fd >= 0) ::close(fd);
  }
};

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

// The path resolved for writing, or why it cannot be written: only a regular file, or a name not taken,
// can receive the record.
Result<ResolvedPath> writable(const std::string& path, PathUse use) {
  auto resolved = resolve_credentials_path(path, use);
  if (!resolved) return fail(io_error(resolved.error()));
  // Replacing such a file's name would write somewhere else than where the link leads; no name leads
  // there at all.
  if (!resolved->descriptor_link.empty())
    return fail(errors::Io{fmt::format("{} leads to an open file that no path names, which cannot be replaced",
                                       symbolic::lossy_utf8(resolved->descriptor_link))});
  if (resolved->exists) {
    std::string why = not_a_regular_file(resolved->st.st_mode);
    if (!why.empty()) return fail(errors::Io{std::move(why)});
  }
  return std::move(*resolved);
}

// Creates a temporary beside the file, named after it, relative to its directory's descriptor: the
// temporary's whole path would be longer than the file's, and too long where the file's is not. glibc's
// mkostemp takes a whole path only, hence the loop of its own. `name` gets the name made.
int create_temporary(int dir_fd, const std::string& file_name, std::string& name) {
  constexpr std::string_view kSuffix = ".tmp-";
  constexpr std::size_t kRandom = 6;
  constexpr std::string_view kLetters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  // The file's name, cut short where needed, so that the temporary's stays within what a directory holds.
  const std::string stem = "." + file_name.substr(0, NAME_MAX - 1 - kSuffix.size() - kRandom) + std::string(kSuffix);
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::uint64_t bits = 0;
    if (::getrandom(&bits, sizeof bits, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof bits)) {
      timespec now {};
      ::clock_gettime(CLOCK_MONOTONIC, &now);
      bits = static_cast<std::uint64_t>(now.tv_nsec) ^ (static_cast<std::uint64_t>(::getpid()) << 32) ^
             static_cast<std::uint64_t>(attempt);
    }
    name = stem;
    for (std::size_t i = 0; i < kRandom; ++i, bits /= kLetters.size()) name += kLetters[bits % kLetters.size()];
    const int fd = ::openat(dir_fd, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;  // errno is EEXIST
}

}  // namespace

Result<void> save_credentials_file(const Credentials& credentials, const std::string& path) {
  // The reader takes nothing but UTF-8: a file holding anything else could never be read back.
  if (!symbolic::valid_utf8(credentials.api_key)) return fail(errors::InvalidInput{"API key is not valid UTF-8"});
  if (!symbolic::valid_utf8(credentials.access_token))
    return fail(errors::InvalidInput{"access token is not valid UTF-8"});
  if (path.find('\0') != std::string::npos) return fail(errors::Io{"file name contained an unexpected NUL byte"});

  auto resolved = writable(path, PathUse::write);
  if (resolved && resolved->dirs_missing) resolved = writable(path, PathUse::create);
  if (!resolved) return fail(std::move(resolved.error()));

  const std::string text = credentials_file_text(credentials);

  // The temporary goes beside the file it replaces, so that the rename stays within one directory.
  const ScopedFd dir(::open(as_directory(resolved->dir), O_PATH | O_DIRECTORY | O_CLOEXEC));
  if (dir.fd < 0) return fail(io_error(errno));
  std::string temp;
  const int fd = create_temporary(dir.fd, resolved->name, temp);  // 0600, whatever the umask allows more
  if (fd < 0) return fail(io_error(errno));

  auto discard = [&](int err) {
    ::close(fd);
    ::unlinkat(dir.fd, temp.c_str(), 0);
    return fail(io_error(err));
  };
  if (auto written = write_all(fd, text); !written) {
    ::close(fd);
    ::unlinkat(dir.fd, temp.c_str(), 0);
    return written;
  }
  while (::fchmod(fd, 0600) != 0) {
    if (errno != EINTR) return discard(errno);
  }
  if (::fsync(fd) != 0) return discard(errno);
  if (::close(fd) != 0) {
    const int err = errno;
    ::unlinkat(dir.fd, temp.c_str(), 0);
    return fail(io_error(err));
  }
  if (::renameat(dir.fd, temp.c_str(), dir.fd, resolved->name.c_str()) != 0) {
    const int err = errno;
    ::unlinkat(dir.fd, temp.c_str(), 0);
    return fail(io_error(err));
  }
  return {};
}

}  // namespace norvi::client
