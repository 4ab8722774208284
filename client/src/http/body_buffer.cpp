#include "http/body_buffer.hpp"

#include <algorithm>
#include <cstring>
#include <new>

#include "mapped_pages.hpp"

namespace norvi::client::http {
namespace {

// Below this a body grows as one string: its copies are cheap and most answers end there.
constexpr std::size_t kSmallBody = std::size_t{256} << 10;
// Blocks are mapped from the system directly, so that releasing one returns its memory at once.
constexpr std::size_t kBlockSize = std::size_t{256} << 10;

char* map_block(std::size_t size) noexcept { return static_cast<char*>(detail::map_pages(size)); }

}  // namespace

BodyBuffer::~BodyBuffer() { release_blocks(); }

void BodyBuffer::release_blocks() noexcept {
  for (Block& b : blocks_) detail::unmap_pages(b.data, b.capacity);
  blocks_.clear();
}

void BodyBuffer::expect(std::size_t length) noexcept {
  if (size_ != 0 || length <= head_.capacity()) return;
  try {
    head_.reserve(length);
  } catch (const std::exception&) {
    // An announced length beyond memory: the body grows as it arrives instead.
  }
}

bool BodyBuffer::append(const char* data, std::size_t size) noexcept {
  if (blocks_.empty() && (head_.size() + size <= head_.capacity() || head_.size() + size <= kSmallBody)) {
    try {
      head_.append(data, size);
    } catch (const std::exception&) {
      return false;
    }
    size_ += size;
    return true;
  }
  while (size != 0) {
    if (blocks_.empty() || blocks_.back().used == blocks_.back().capacity) {
      try {
        blocks_.reserve(blocks_.size() + 1);  // before the block is mapped, so that none is lost
      } catch (const std::exception&) {
        return false;
      }
      const std::size_t capacity = std::max(kBlockSize, size);
      char* block = map_block(capacity);
      if (block == nullptr) return false;
      blocks_.push_back({block, capacity, 0});
    }
    Block& b = blocks_.back();
    const std::size_t n = std::min(size, b.capacity - b.used);
    std::memcpy(b.data + b.used, data, n);
    b.used += n;
    data += n;
    size -= n;
    size_ += n;
  }
  return true;
}

std::string BodyBuffer::take() {
  if (blocks_.empty()) {
    size_ = 0;
    return std::move(head_);
  }
  std::string body;
  body.reserve(size_);  // pages are only taken as they are written
  body.append(head_);
  std::string().swap(head_);
  for (Block& b : blocks_) {
    body.append(b.data, b.used);
    detail::unmap_pages(b.data, b.capacity);
    b.data = nullptr;
    b.capacity = 0;
  }
  blocks_.clear();
  size_ = 0;
  return body;
}

}  // namespace norvi::client::http
