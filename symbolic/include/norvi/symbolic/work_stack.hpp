#pragma once
// The explicit stack of the engine's tree walks. Trees may be a million levels deep, so walks keep
// their pending work here instead of on the call stack. The first `N` entries live inside the object
// (so walking an ordinary, shallow tree allocates nothing); deeper walks spill to the heap.
#include <cstddef>
#include <cstring>
#include <memory>
#include <type_traits>

namespace norvi::symbolic {

template <typename T, std::size_t N = 64>
class WorkStack {
  static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>,
                "entries are moved with memcpy and never destroyed");
  static_assert(N > 0);

 public:
  // The inline entries are left uninitialised: only pushed entries are ever read.
  WorkStack() {}  // NOLINT: a defaulted constructor would be deleted by the union member
  WorkStack(const WorkStack&) = delete;
  WorkStack& operator=(const WorkStack&) = delete;

  [[nodiscard]] bool empty() const { return size_ == 0; }
  [[nodiscard]] std::size_t size() const { return size_; }
  // The entries, bottom first, in one piece (a walk may reorder the ones it just pushed).
  T* data() { return data_; }
  T& back() { return data_[size_ - 1]; }

  void push(const T& value) {
    if (size_ == capacity_) grow();
    data_[size_++] = value;
  }
  T pop() { return data_[--size_]; }

 private:
  void grow() {
    const std::size_t capacity = capacity_ * 2;
    auto heap = std::make_unique_for_overwrite<T[]>(capacity);
    std::memcpy(static_cast<void*>(heap.get()), data_, size_ * sizeof(T));
    heap_ = std::move(heap);
    data_ = heap_.get();
    capacity_ = capacity;
  }

  union {
    T inline_[N];
  };
  T* data_ = inline_;
  std::size_t size_ = 0;
  std::size_t capacity_ = N;
  std::unique_ptr<T[]> heap_;
};

}  // namespace norvi::symbolic
