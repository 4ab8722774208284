#pragma once
// A two-dimensional array stored row by row: the matrices of custom gates.

#include <cstddef>
#include <initializer_list>
#include <span>
#include <stdexcept>
#include <utility>
#include <vector>

namespace norvi::core {

template <typename T>
class Array2 {
 public:
  Array2() = default;

  // Rows of equal length; {} is the 0 x 0 array.
  Array2(std::initializer_list<std::initializer_list<T>> rows) : rows_(rows.size()) {
    cols_ = rows.size() == 0 ? 0 : rows.begin()->size();
    elements_.reserve(rows_ * cols_);
    for (const auto& row : rows) {
      if (row.size() != cols_) throw std::invalid_argument("Array2: rows of different lengths");
      elements_.insert(elements_.end(), row.begin(), row.end());
    }
  }

  // `elements` row by row; there must be rows * cols of them.
  Array2(std::size_t rows, std::size_t cols, std::vector<T> elements)
      : rows_(rows), cols_(cols), elements_(std::move(elements)) {
    if (elements_.size() != rows_ * cols_) throw std::invalid_argument("Array2: element count is not rows x cols");
  }

  std::size_t rows() const noexcept { return rows_; }
  std::size_t cols() const noexcept { return cols_; }
  const T& operator()(std::size_t row, std::size_t col) const { return elements_[row * cols_ + col]; }
  std::span<const T> row(std::size_t index) const { return std::span<const T>(elements_).subspan(index * cols_, cols_); }
  std::span<const T> elements() const noexcept { return elements_; }

 private:
  std::size_t rows_ = 0;
  std::size_t cols_ = 0;
  std::vector<T> elements_;
};

}  // namespace norvi::core
