#pragma once
// Qubits and the qubit list of an operation, which keeps up to four qubits inline (most gates act on
// one or two) and only longer lists on the heap.

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>

namespace norvi::core {

struct Qubit {
  constexpr Qubit(std::uint32_t index = 0) noexcept : index(index) {}  // NOLINT(google-explicit-constructor)
  std::uint32_t index;
  bool operator==(const Qubit&) const = default;
};

class QubitList {
 public:
  static constexpr std::size_t kInline = 4;

  QubitList() noexcept = default;
  QubitList(std::initializer_list<Qubit> qubits) : QubitList(std::span<const Qubit>(qubits.begin(), qubits.size())) {}
  explicit QubitList(std::span<const Qubit> qubits);
  QubitList(const QubitList& other) : QubitList(other.span()) {}
  QubitList(QubitList&& other) noexcept;
  QubitList& operator=(QubitList other) noexcept;
  ~QubitList() = default;

  std::size_t size() const noexcept { return size_; }
  bool empty() const noexcept { return size_ == 0; }
  const Qubit* data() const noexcept { return heap_ ? heap_.get() : inline_.data(); }
  const Qubit* begin() const noexcept { return data(); }
  const Qubit* end() const noexcept { return data() + size_; }
  const Qubit& operator[](std::size_t i) const noexcept { return data()[i]; }
  std::span<const Qubit> span() const noexcept { return {data(), size_}; }
  operator std::span<const Qubit>() const noexcept { return span(); }  // NOLINT(google-explicit-constructor)

  friend bool operator==(const QubitList& a, const QubitList& b) noexcept;

 private:
  std::size_t size_ = 0;
  std::array<Qubit, kInline> inline_{};
  std::unique_ptr<Qubit[]> heap_;  // set exactly when size_ > kInline
};

}  // namespace norvi::core
