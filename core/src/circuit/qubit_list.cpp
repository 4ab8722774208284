#include "norvi/core/circuit/qubit_list.hpp"

#include <algorithm>
#include <utility>

namespace norvi::core {

QubitList::QubitList(std::span<const Qubit> qubits) : size_(qubits.size()) {
  if (size_ > kInline) heap_ = std::make_unique_for_overwrite<Qubit[]>(size_);
  std::copy(qubits.begin(), qubits.end(), heap_ ? heap_.get() : inline_.data());
}

QubitList::QubitList(QubitList&& other) noexcept
    : size_(std::exchange(other.size_, 0)), inline_(other.inline_), heap_(std::move(other.heap_)) {}

QubitList& QubitList::operator=(QubitList other) noexcept {
  size_ = std::exchange(other.size_, 0);
  inline_ = other.inline_;
  heap_ = std::move(other.heap_);
  return *this;
}

bool operator==(const QubitList& a, const QubitList& b) noexcept {
  return std::equal(a.begin(), a.end(), b.begin(), b.end());
}

}  // namespace norvi::core
