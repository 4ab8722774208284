#pragma once
// Which file-system nodes may hold credentials: regular files only. A FIFO blocks whoever opens it, a
// device may never end or swallow what is written, a socket cannot be opened at all.

#include <sys/stat.h>

#include <cerrno>
#include <string>

#include "norvi/client/error.hpp"

namespace norvi::client {

// Why a node of this mode cannot hold credentials, or empty for a regular file. A directory gets the
// system's own error text, the one reading or replacing it would give.
inline std::string not_a_regular_file(mode_t mode) {
  if (S_ISREG(mode)) return {};
  if (S_ISDIR(mode)) return os_error_text(EISDIR);
  return "not a regular file";
}

}  // namespace norvi::client
