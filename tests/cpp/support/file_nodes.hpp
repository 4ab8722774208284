#pragma once
// File-system nodes other than regular files, made by the tests in their own temporary folders.

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

namespace norvi::testing {

// A Unix socket bound at `path` and closed again (the node stays). False when it cannot be made, for
// example because the path is too long for a socket address.
inline bool make_socket_node(const std::filesystem::path& path) {
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  if (path.native().size() >= sizeof addr.sun_path) return false;
  std::memcpy(addr.sun_path, path.c_str(), path.native().size() + 1);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  const bool bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0;
  ::close(fd);
  return bound;
}

}  // namespace norvi::testing
