#pragma once
// One measurement outcome of any width: bit i lies in word i / 64 at position i mod 64. Up to four
// words are held inline, longer outcomes on the heap. The width is not stored (the result record holds
// it); equality and hashing take the word sequence, its length included, so "1" equals "0001" (one word
// each) but never a two-word value.

#include <array>
#include <cstddef>
#include <cstdint>
#include <expected>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>

namespace norvi::core {

class OutcomeBits {
 public:
  static constexpr std::size_t kInlineWords = 4;

  OutcomeBits() noexcept = default;  // no words
  // `word_count` words, all bits clear.
  explicit OutcomeBits(std::size_t word_count);
  // One word holding `word`.
  static OutcomeBits of_word(std::uint64_t word) {
    OutcomeBits b(1);
    b.inline_[0] = word;
    return b;
  }

  OutcomeBits(const OutcomeBits& other);
  OutcomeBits& operator=(const OutcomeBits& other);
  OutcomeBits(OutcomeBits&& other) noexcept;
  OutcomeBits& operator=(OutcomeBits&& other) noexcept;
  ~OutcomeBits() = default;

  std::size_t word_count() const noexcept { return size_; }
  // Word `i`, 0 beyond the last word.
  std::uint64_t word(std::size_t i) const noexcept { return i < size_ ? data()[i] : 0; }
  std::span<const std::uint64_t> words() const noexcept { return {data(), size_}; }
  std::span<std::uint64_t> words() noexcept { return {data(), size_}; }

  // Bit `i`; clear beyond the words.
  bool bit(std::size_t i) const noexcept { return (word(i / 64) >> (i % 64)) & 1u; }
  // Sets bit `i`, which must lie within the words.
  void set_bit(std::size_t i) noexcept { data()[i / 64] |= std::uint64_t{1} << (i % 64); }

  friend bool operator==(const OutcomeBits& a, const OutcomeBits& b) noexcept;

 private:
  const std::uint64_t* data() const noexcept { return heap_ ? heap_.get() : inline_.data(); }
  std::uint64_t* data() noexcept { return heap_ ? heap_.get() : inline_.data(); }

  std::size_t size_ = 0;
  std::array<std::uint64_t, kInlineWords> inline_{};
  std::unique_ptr<std::uint64_t[]> heap_;  // set when the words do not fit inline
};

// Hashes the word sequence with a key of its own: every default-constructed hasher (one per map) takes
// a fresh random key, so the iteration order of one map says nothing about another's.
class OutcomeHash {
 public:
  OutcomeHash();
  std::size_t operator()(const OutcomeBits& bits) const noexcept;

 private:
  std::uint64_t key_;
};

// A fresh random key as every OutcomeHash takes, for other tables of outcomes.
std::uint64_t fresh_outcome_hash_key();

using OutcomeCounts = std::unordered_map<OutcomeBits, std::uint64_t, OutcomeHash>;

// The sum of the counts, saturating: a wrapped sum could read 0, or tiny, for counts that are not.
std::uint64_t total_count(const OutcomeCounts& counts) noexcept;
using OutcomeProbabilities = std::unordered_map<OutcomeBits, double, OutcomeHash>;

// Why a text is no outcome: the offending character and the byte index of its last byte.
struct OutcomeParseError {
  char32_t character = 0;  // U+FFFD for bytes that are not UTF-8
  std::size_t position = 0;
  bool operator==(const OutcomeParseError&) const = default;
};

// Exactly `width` characters '0'/'1', bit width - 1 first and bit 0 last; bits from `width` up are not
// written, missing words read as 0.
std::string bits_to_string(const OutcomeBits& bits, std::uint64_t width);

// The text read from its end: the k-th character from the end is bit k. ceil(bytes / 64) words (the
// empty text gives none). The rightmost character other than '0' and '1' is the error.
std::expected<OutcomeBits, OutcomeParseError> bits_from_string(std::string_view text);

}  // namespace norvi::core
