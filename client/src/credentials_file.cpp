// Writing the credentials file. The API key and token never sit in a file other users can read, and a
// failed or concurrent write never leaves a truncated file behind: the text goes into a temporary file
// created 0600 in the same directory, is flushed to disk and then renamed over the file. The path is
// resolved first (credentials_path.hpp): its missing directories are made, the links on it are followed
// so that the file they name is the one replaced and the links stay, and a path that names anything but
// a regular file is refused before anything is written.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <string>
#include <string_view>

#include "credentials_path.hpp"
#include "file_kind.hpp"
#include "norvi/client/credentials.hpp"

namespace norvi::client {
namespace {

ClientError io_error(int err) { return errors::Io{os_error_text(err)}; }

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

// The temporary's name: the file's own, cut short where needed so that the name stays within what a
// directory holds (mkostemp fills in the X's).
std::string temporary_name(const std::string& name) {
  constexpr std::string_view kSuffix = ".tmp-XXXXXX";
  return "." + name.substr(0, NAME_MAX - 1 - kSuffix.size()) + std::string(kSuffix);
}

}  // namespace

Result<void> save_credentials_file(const Credentials& credentials, const std::string& path) {
  if (path.find('\0') != std::string::npos) return fail(errors::Io{"file name contained an unexpected NUL byte"});

  auto resolved = resolve_credentials_path(path, PathUse::write);
  if (!resolved) return fail(io_error(resolved.error()));
  if (resolved->exists) {
    std::string why = not_a_regular_file(resolved->st.st_mode);
    if (!why.empty()) return fail(errors::Io{std::move(why)});
  }
  const std::string file = resolved->path();

  const std::string text = credentials_file_text(credentials);

  // The temporary goes beside the file it replaces, so that the rename stays within one directory.
  std::string temp = resolved->dir + temporary_name(resolved->name);
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
