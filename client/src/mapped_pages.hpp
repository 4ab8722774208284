#pragma once
// Large buffers mapped from the system directly. Releasing them returns their memory at once, where
// the allocator may keep a freed block of this size resident and place the next large one beside it:
// a body or a counting table released just before the outcome maps are made would still count in the
// peak.

#include <cstddef>
#include <new>
#include <type_traits>
#include <utility>

namespace norvi::client::detail {

// Zeroed pages of at least `bytes`, or nullptr when memory runs out.
void* map_pages(std::size_t bytes) noexcept;
void unmap_pages(void* pages, std::size_t bytes) noexcept;

// `size` zeroed elements of a trivial type on pages of their own. Throws std::bad_alloc as a vector
// would when memory runs out.
template <typename T>
class PageArray {
  static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>);

 public:
  PageArray() noexcept = default;
  explicit PageArray(std::size_t size) : size_(size) {
    if (size == 0) return;
    if (size > static_cast<std::size_t>(-1) / sizeof(T) || (data_ = static_cast<T*>(map_pages(size * sizeof(T)))) == nullptr)
      throw std::bad_alloc();
  }
  PageArray(PageArray&& other) noexcept : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}
  PageArray& operator=(PageArray&& other) noexcept {
    PageArray(std::move(other)).swap(*this);
    return *this;
  }
  ~PageArray() {
    if (data_ != nullptr) unmap_pages(data_, size_ * sizeof(T));
  }

  void swap(PageArray& other) noexcept {
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
