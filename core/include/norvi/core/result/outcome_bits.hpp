#pragma once
// One measurement outcome of any width: bit i lies in word i / 64 at position i mod 64. One word (64
// qubits) is held inline, longer outcomes on the heap: the value is 16 bytes, so that a table of a
// million outcomes (a random circuit on 20 qubits) stays a few tens of megabytes. The width is not stored
// (the result record holds it); equality and hashing take the word sequence, its length included, so
// "1" equals "0001" (one word each) but never a two-word value.

#include <cstddef>
#include <cstdint>
#include <expected>
#include <span>
#include <string>
#include <string_view>

#include <absl/container/flat_hash_map.h>

namespace norvi::core {

class OutcomeBits {
 public:
  static constexpr std::size_t kInlineWords = 1;

  OutcomeBits() noexcept = default;  // no words
  // `word_count` words, all bits clear.
  explicit OutcomeBits(std::size_t word_count);
  // One word holding `word`.
  static OutcomeBits of_word(std::uint64_t word) noexcept {
    OutcomeBits b;
    b.size_ = 1;
    b.word_ = word;
    return b;
  }

  OutcomeBits(const OutcomeBits& other);
  OutcomeBits& operator=(const OutcomeBits& other);
  OutcomeBits(OutcomeBits&& other) noexcept { take(other); }
  OutcomeBits& operator=(OutcomeBits&& other) noexcept;
  ~OutcomeBits() { release(); }

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
  bool on_heap() const noexcept { return size_ > kInlineWords; }
  const std::uint64_t* data() const noexcept { return on_heap() ? heap_ : &word_; }
  std::uint64_t* data() noexcept { return on_heap() ? heap_ : &word_; }
  void release() noexcept {
    if (on_heap()) delete[] heap_;
  }
  // Takes `other`'s words (this holds none); `other` is left without words.
  void take(OutcomeBits& other) noexcept {
    if (other.on_heap()) {
      heap_ = other.heap_;
    } else {
      word_ = other.word_;
    }
    size_ = other.size_;
    other.size_ = 0;
  }

  std::size_t size_ = 0;
  union {
    std::uint64_t word_ = 0;  // while size_ <= kInlineWords
    std::uint64_t* heap_;     // owned, size_ words
  };
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

// Flat tables (no node per entry: a slot is the outcome and its value, 24 bytes).
using OutcomeCounts = absl::flat_hash_map<OutcomeBits, std::uint64_t, OutcomeHash>;

// The sum of the counts, saturating: a wrapped sum could read 0, or tiny, for counts that are not.
std::uint64_t total_count(const OutcomeCounts& counts) noexcept;
using OutcomeProbabilities = absl::flat_hash_map<OutcomeBits, double, OutcomeHash>;

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
