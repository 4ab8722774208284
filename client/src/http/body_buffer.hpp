#pragma once
// The body of an answer while it arrives. Growing one string by doubling costs up to twice the body at
// the moment of a copy (a 139 MB answer peaked at 1.94 times its size), so the buffer reserves the
// announced length when there is one, and otherwise keeps what goes beyond a small start in blocks of
// its own that are copied into the final string one at a time, each released as soon as it is copied.

#include <cstddef>
#include <string>
#include <vector>

namespace norvi::client::http {

class BodyBuffer {
 public:
  BodyBuffer() = default;
  BodyBuffer(const BodyBuffer&) = delete;
  BodyBuffer& operator=(const BodyBuffer&) = delete;
  ~BodyBuffer();

  // The length the answer announces (Content-Length): reserved at once when memory allows.
  void expect(std::size_t length) noexcept;

  // False when memory runs out.
  bool append(const char* data, std::size_t size) noexcept;

  // The whole body as one string of exactly its size; the buffer is empty afterwards. Throws
  // std::bad_alloc when memory runs out.
  std::string take();

  std::size_t size() const noexcept { return size_; }

 private:
  struct Block {
    char* data = nullptr;
    std::size_t capacity = 0;
    std::size_t used = 0;
  };
  void release_blocks() noexcept;

  std::string head_;  // the body while it fits the reservation or the small start
  std::vector<Block> blocks_;  // what follows, in order
  std::size_t size_ = 0;
};

}  // namespace norvi::client::http
