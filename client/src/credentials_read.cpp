// Reading the credentials file: the whole file, which must be a regular file of at most
// kCredentialsFileLimit bytes holding UTF-8 text, then its JSON form. A file that cannot be read is an
// authentication failure naming the path; one that does not decode is a JSON error with the decoder's
// position.

#include <fcntl.h>
#include <fmt/format.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <string_view>

#include "credentials_path.hpp"
#include "file_kind.hpp"
#include "norvi/client/credentials.hpp"
#include "norvi/symbolic/utf8.hpp"

namespace norvi::client {
namespace {

// The file's text must be UTF-8; the path is shown with ill-formed parts replaced by U+FFFD.
using symbolic::lossy_utf8;
using symbolic::valid_utf8;

static_assert(kCredentialsFileLimit == std::size_t{1} << 20, "the text below names the limit");
constexpr const char* kTooLarge = "larger than 1 MiB";

// The whole file, or the failure's text. The path is resolved as the writer resolves it, so that a link
// the writer refuses to follow is not read through either. Nothing but a regular file is opened or read:
// a FIFO would block (with the interpreter lock held, for the binding), a device may never end. The path
// is checked before opening, since opening a device can have effects of its own, and the opened file
// again, in case the path was replaced in between (O_NONBLOCK keeps a FIFO put there from blocking the
// open, O_NOFOLLOW a link put there from being followed unchecked). A path that leads through a
// descriptor link of the kernel's to an open file no path names (a memfd, a deleted file) is opened as
// the kernel opens it, and the same checks apply to what was opened. The read stops one byte past the
// limit whatever the size said, as a file may grow while it is read.
std::string read_whole(const std::string& path, std::string& failure) {
  std::string text;
  auto resolved = resolve_credentials_path(path, PathUse::read);
  if (!resolved) {
    failure = os_error_text(resolved.error());
    return text;
  }
  struct stat st = resolved->st;
  if (failure = not_a_regular_file(st.st_mode); !failure.empty()) return text;
  // Behind a descriptor link only the kernel knows the way: it follows the links from there on.
  const int no_follow = resolved->descriptor_link.empty() ? O_NOFOLLOW : 0;
  const int fd = ::open(resolved->path().c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | no_follow);
  if (fd < 0) {
    failure = os_error_text(errno);
    return text;
  }
  if (::fstat(fd, &st) != 0) {
    failure = os_error_text(errno);
  } else if (failure = not_a_regular_file(st.st_mode); failure.empty()) {
    if (st.st_size > static_cast<off_t>(kCredentialsFileLimit)) failure = kTooLarge;
  }
  char buffer[1 << 16];
  while (failure.empty()) {
    const std::size_t room = kCredentialsFileLimit + 1 - text.size();
    const ssize_t n = ::read(fd, buffer, room < sizeof buffer ? room : sizeof buffer);
    if (n > 0) {
      text.append(buffer, static_cast<std::size_t>(n));
      if (text.size() > kCredentialsFileLimit) failure = kTooLarge;
    } else if (n == 0) {
      break;
    } else if (errno != EINTR) {
      failure = os_error_text(errno);
    }
  }
  ::close(fd);
  return text;
}

}  // namespace

Result<Credentials> read_credentials_file(const std::string& path) {
  auto cannot_read = [&](std::string_view why) {
    return fail(errors::Auth{fmt::format("could not read credentials from {}: {}", lossy_utf8(path), why)});
  };
  if (path.find('\0') != std::string::npos) return cannot_read("file name contained an unexpected NUL byte");
  std::string failure;
  const std::string text = read_whole(path, failure);
  if (!failure.empty()) return cannot_read(failure);
  if (!valid_utf8(text)) return cannot_read("stream did not contain valid UTF-8");
  return credentials_from_json(text);
}

}  // namespace norvi::client
