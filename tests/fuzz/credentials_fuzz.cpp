// The credentials file as the disk hands it to the client: read through the file reader (UTF-8 check,
// then the decoder). A read may fail only because of the file's text: any other failure means the input
// never reached the decoder, and a target that fails that way tests nothing. A record that reads back is
// written as the client writes it and read again: the same record must come back.

#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "norvi/client/credentials.hpp"
#include "norvi/client/error.hpp"
#include "property.hpp"

namespace client = norvi::client;

namespace {

// One regular file in a private folder, rewritten for every input and read by path like any credentials
// file. The folder goes at normal exit; a crash leaves it behind.
class InputFile {
 public:
  InputFile() {
    char folder[] = "/tmp/credentials_fuzz.XXXXXX";
    norvi::fuzz::require(::mkdtemp(folder) != nullptr, "a private folder is made");
    folder_ = folder;
    path_ = folder_ + "/credentials.json";
    fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    norvi::fuzz::require(fd_ >= 0, "the input file is made");
  }
  ~InputFile() {
    ::close(fd_);
    ::unlink(path_.c_str());
    ::rmdir(folder_.c_str());
  }
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  const std::string& write(const std::uint8_t* data, std::size_t size) const {
    norvi::fuzz::require(::ftruncate(fd_, 0) == 0, "the input file is emptied");
    norvi::fuzz::require(size == 0 || ::pwrite(fd_, data, size, 0) == static_cast<ssize_t>(size), "the input is written");
    return path_;
  }

 private:
  std::string folder_;
  std::string path_;
  int fd_ = -1;
};

// The failures the file's own text causes: it does not decode, or it is not UTF-8.
bool failed_on_text(const client::ClientError& error) {
  if (error.is<client::errors::Json>()) return true;
  return error.is<client::errors::Auth>() && error.display().ends_with(": stream did not contain valid UTF-8");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const InputFile file;
  auto read = client::read_credentials_file(file.write(data, size));
  if (!read) {
    const bool on_text = failed_on_text(read.error());
    if (!on_text) std::fprintf(stderr, "read failed: %s\n", read.error().display().c_str());
    norvi::fuzz::require(on_text, "a read fails only on the file's text");
    return 0;
  }
  auto again = client::credentials_from_json(client::credentials_file_text(*read));
  norvi::fuzz::require(again && *again == *read, "credentials written and read again are the same record");
  return 0;
}
