#pragma once
// Large buffers mapped from the system directly. Releasing them returns their memory at once, where
// the allocator may keep a freed block of this size resident and place the next large one beside it:
// a body or a large counting table released just before the outcome maps are made would still count in
// the peak.

#include <cstddef>
#include <new>
#include <type_traits>
#include <utility>

namespace norvi::client::detail {

// Zeroed pages of at least `bytes`, or nullptr when memory runs out.
void* map_pages(std::size_t bytes) noexcept;
void unmap_pages(void* pages, std::size_t bytes) noexcept;

// Arrays of at least this many bytes take pages of their own; smaller ones come from the heap. Mapping
// costs two system calls and a page fault per page, where the heap mostly hands out memory that is
// already resident: for the many small tables of an answer of many items that cost was most of the
// work. A freed heap block that the allocator keeps resident adds up to its size to a peak: measured on
// the uniform 42 MB answer, the decode's extra peak is 1.24x the body with every table mapped, 1.25x
// from 256 KiB on, 1.27x from 1 MiB and 1.35x from 4 MiB on. (glibc's own threshold starts at 128 KiB
// and rises up to 32 MiB as blocks are freed, so it cannot be left to decide.)
inline constexpr std::size_t kMappedArrayBytes = std::size_t{256} << 10;

// Zeroed bytes for an array of `bytes` (not 0) and their release: pages of their own from
// kMappedArrayBytes on, else the heap. nullptr when memory runs out.
void* allocate_zeroed(std::size_t bytes) noexcept;
void release_zeroed(void* data, std::size_t bytes) noexcept;

// `size` zeroed elements of a trivial type, large arrays on pages of their own. Throws std::bad_alloc as
// a vector would when memory runs out.
template <typename T>
class ZeroedArray {
  static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>);

 public:
  ZeroedArray() noexcept = default;
  explicit ZeroedArray(std::size_t size) : size_(size) {
    if (size == 0) return;
    if (size > static_cast<std::size_t>(-1) / sizeof(T) ||
        (data_ = static_cast<T*>(allocate_zeroed(size * sizeof(T)))) == nullptr)
      throw std::bad_alloc();
  }
  ZeroedArray(ZeroedArray&& other) noexcept
      : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}
  ZeroedArray& operator=(ZeroedArray&& other) noexcept {
    ZeroedArray(std::move(other)).swap(*this);
    return *this;
  }
  ~ZeroedArray() {
    if (data_ != nullptr) release_zeroed(data_, size_ * sizeof(T));
  }

  void swap(ZeroedArray& other) noexcept {
    std::swap(data_, other.data_);
    std::swap(size_, other.size_);
  }

  std::size_t size() const noexcept { return size_; }
  bool empty() const noexcept { return size_ == 0; }
  T& operator[](std::size_t i) noexcept { return data_[i]; }
  const T& operator[](std::size_t i) const noexcept { return data_[i]; }
  T* begin() noexcept { return data_; }
  T* end() noexcept { return data_ + size_; }
  const T* begin() const noexcept { return data_; }
  const T* end() const noexcept { return data_ + size_; }

 private:
  T* data_ = nullptr;
  std::size_t size_ = 0;
};

}  // namespace norvi::client::detail
