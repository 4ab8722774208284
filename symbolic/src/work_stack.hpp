#pragma once
// The explicit stack of the engine's tree walks: a fixed buffer holds ordinary depths, so walking a
// shallow tree allocates nothing; deeper walks spill onto the heap instead of the call stack.
#include <array>
#include <cstddef>
#include <type_traits>
#include <vector>

namespace norvi::symbolic {

template <class T, std::size_t N = 64>
class WorkStack {
  static_assert(std::is_trivially_copyable_v<T>, "entries are copied in and out without care");

 public:
  void push(const T& value) {
    if (size_ < N) {
      fixed_[size_] = value;
    } else {
      spill_.push_back(value);
    }
    ++size_;
  }
  T pop() {
    --size_;
    if (size_ < N) return fixed_[size_];
    T value = spill_.back();
    spill_.pop_back();
    return value;
  }
  [[nodiscard]] bool empty() const { return size_ == 0; }

 private:
  std::array<T, N> fixed_;
  std::vector<T> spill_;
  std::size_t size_ = 0;
};

}  // namespace norvi::symbolic
