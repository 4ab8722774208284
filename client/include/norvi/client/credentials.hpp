#pragma once
// The credentials record and the credentials file (pretty-printed JSON, mode 0600).

#include <cstddef>
#include <cstdint>
#include <string>

#include "norvi/client/error.hpp"

namespace norvi::client {

struct Credentials {
  std::string api_key;
  std::string access_token;
  std::int64_t token_obtained_at = 0;  // whole seconds since the UNIX epoch

  bool operator==(const Credentials&) const = default;
};

// A token this many seconds old is still used; one second older and it is renewed first.
inline constexpr std::int64_t kTokenRenewalAge = 10799;

// Whether a token obtained at `obtained_at` must be renewed at wall time `now`. A time stamp in the
// future counts as fresh; one so far in the past that the age does not fit 64 bits counts as expired.
inline bool token_needs_renewal(std::int64_t now, std::int64_t obtained_at) noexcept {
  std::int64_t age = 0;
  // `now` is never negative, so the difference can only overflow upwards: a time stamp read from a
  // file near the smallest value is as old as a token can be.
  if (__builtin_sub_overflow(now, obtained_at, &age)) return true;
  return age > kTokenRenewalAge;
}

// The file's bytes: five lines, two-space indent, no final line break.
std::string credentials_file_text(const Credentials& credentials);

// The file's text decoded: Json "{} at line {} column {}" when it does not decode.
Result<Credentials> credentials_from_json(const std::string& text);

// Writes the file whole or not at all: a 0600 temporary beside it, flushed, then renamed over it. The
// path's missing directories are made; symbolic links on it are followed to the file they name, which is
// the one replaced (the links stay), except a link that another user owns in a sticky, world-writable
// directory (Io "Permission denied (os error 13)"). A descriptor link of the kernel's (/proc/self/fd/N)
// is written through only where its text names the very file it leads to; otherwise Io "{link} leads to
// an open file that no path names, which cannot be replaced". Every failure the path itself foretells (a
// path naming anything but a regular file, or a directory by its form) comes before any directory is
// made. A key or token that is not UTF-8 fails with InvalidInput before anything is made: the reader
// could never read the file back.
Result<void> save_credentials_file(const Credentials& credentials, const std::string& path);

// The largest credentials file read: a record holds a key and a token, and nothing unbounded is read.
inline constexpr std::size_t kCredentialsFileLimit = std::size_t{1} << 20;

// Reads and decodes a credentials file, the path resolved as the writer resolves it: Auth "could not read
// credentials from {}: {}" when it cannot be read (also when it is not a regular file, is larger than
// kCredentialsFileLimit or lies behind a link the writer refuses), Json "{} at line {} column {}" when it
// does not decode. A descriptor link of the kernel's reads the open file it leads to, as cat does.
Result<Credentials> read_credentials_file(const std::string& path);

}  // namespace norvi::client
