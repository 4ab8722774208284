// The credentials file as the disk hands it to the client: read through the file reader (UTF-8 check,
// then the decoder). A record that reads back is written as the client writes it and read again: the
// same record must come back.

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "norvi/client/credentials.hpp"
#include "property.hpp"

namespace client = norvi::client;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // One file in memory, rewritten for every input, read by path like any credentials file.
  static const int fd = ::memfd_create("credentials.json", MFD_CLOEXEC);
  static const std::string path = "/proc/self/fd/" + std::to_string(fd);
  norvi::fuzz::require(fd >= 0 && ::ftruncate(fd, 0) == 0, "the in-memory file can be rewritten");
  norvi::fuzz::require(size == 0 || ::pwrite(fd, data, size, 0) == static_cast<ssize_t>(size), "the input is written");

  auto read = client::read_credentials_file(path);
  if (!read) return 0;
  auto again = client::credentials_from_json(client::credentials_file_text(*read));
  norvi::fuzz::require(again && *again == *read, "credentials written and read again are the same record");
  return 0;
}
