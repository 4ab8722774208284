#pragma once
// Counts of outcomes of at most 64 bits keyed by the word itself: a flat table with open addressing
// (linear probing, at most three quarters full). Counting a million shot rows through the general
// outcome map costs a node and a multi-word hash per new outcome and a pointer chase per row; this
// costs a multiplication and, mostly, one cache line. The slot is the top bits of the word times a
// random odd multiplier (multiply-shift, a universal family), so outcomes that a platform chose to
// collide in one table collide in no other.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "norvi/core/result/outcome_bits.hpp"

namespace norvi::client::detail {

class WordCounts {
 public:
  WordCounts() : slots_(std::size_t{1} << kInitialBits), shift_(64 - kInitialBits) {}

  // Counts `word` one call late: the slot is only fetched now and counted at the next call, after the
  // reader has spent a whole row on other work. Most slots miss the cache in a table of many outcomes.
  void add(std::uint64_t word) {
    if (has_pending_) count(pending_);
    pending_ = word;
    has_pending_ = true;
    __builtin_prefetch(&slots_[slot_of(word)], 1);
  }

  bool empty() const noexcept { return used_ == 0 && !has_pending_; }

  // The general map of one-word outcomes.
  core::OutcomeCounts to_counts() {
    if (has_pending_) count(pending_);
    has_pending_ = false;
    core::OutcomeCounts counts;
    counts.reserve(used_);
    for (const Slot& s : slots_) {
      if (s.count != 0) counts.emplace(core::OutcomeBits::of_word(s.word), s.count);
    }
    return counts;
  }

 private:
  static constexpr unsigned kInitialBits = 8;

  struct Slot {
    std::uint64_t word = 0;
    std::uint64_t count = 0;  // 0: free
  };

  void count(std::uint64_t word) {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = slot_of(word);; i = (i + 1) & mask) {
      Slot& s = slots_[i];
      if (s.count == 0) {
        if (4 * (used_ + 1) > 3 * slots_.size()) {
          grow();
          count(word);
          return;
        }
        s = {word, 1};
        ++used_;
        return;
      }
      if (s.word == word) {
        ++s.count;
        return;
      }
    }
  }

  std::size_t slot_of(std::uint64_t word) const noexcept {
    return static_cast<std::size_t>((word * multiplier_) >> shift_);
  }

  void grow() {
    std::vector<Slot> old(slots_.size() * 2);
    old.swap(slots_);
    --shift_;
    const std::size_t mask = slots_.size() - 1;
    for (const Slot& s : old) {
      if (s.count == 0) continue;
      std::size_t i = slot_of(s.word);
      while (slots_[i].count != 0) i = (i + 1) & mask;
      slots_[i] = s;
    }
  }

  std::vector<Slot> slots_;
  std::uint8_t shift_;
  bool has_pending_ = false;
  std::size_t used_ = 0;
  std::uint64_t multiplier_ = core::fresh_outcome_hash_key() | 1u;
  std::uint64_t pending_ = 0;  // added, not yet counted
};

}  // namespace norvi::client::detail
