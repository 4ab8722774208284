// Writing the credentials file. The API key and token never sit in a file other users can read, and a
// failed or concurrent write never leaves a truncated file behind: the text goes into a temporary file
// created 0600 in the same directory, is flushed to disk and then renamed over the path.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

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

}  // namespace

Result<void> save_credentials_file(const Credentials& credentials, const std::string& path) {
  if (path.find('\0') != std::string::npos) return fail(errors::Io{"file name contained an unexpected NUL byte"});
  if (path.empty()) return fail(io_error(ENOENT));

  const std::size_t slash = path.rfind('/');
  const std::string dir = slash == std::string::npos ? std::string() : path.substr(0, slash);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (!dir.empty()) {
    if (auto made = create_parents(dir); !made) return made;
  }

  const std::string text = credentials_file_text(credentials);

  std::string temp = path.substr(0, slash == std::string::npos ? 0 : slash + 1) + "." + name + ".tmp-XXXXXX";
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
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    const int err = errno;
    ::unlink(temp.c_str());
    return fail(io_error(err));
  }
  return {};
}

}  // namespace norvi::client
