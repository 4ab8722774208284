#pragma once
// Counts of outcomes of at most 64 bits keyed by the word itself: a flat table with open addressing
// (linear probing, at most half full). Counting a million shot rows through the general outcome map
// costs a node and a multi-word hash per new outcome and a pointer chase per row; this costs one hash
// and, mostly, one cache line. The hash is the outcome map's own keyed one, so rows a platform chose
// to collide in one process collide nowhere else.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "norvi/core/result/outcome_bits.hpp"

namespace norvi::client::detail {

class WordCounts {
 public:
  WordCounts() : slots_(kInitialSlots) {}

  void add(std::uint64_t word) {
    std::size_t i = hash_(word) & (slots_.size() - 1);
    for (;;) {
      Slot& s = slots_[i];
      if (s.count == 0) break;
      if (s.word == word) {
        ++s.count;
        return;
      }
      i = (i + 1) & (slots_.size() - 1);
    }
    if (2 * (used_ + 1) > slots_.size()) {
      grow();
      add(word);
      return;
    }
    slots_[i] = {word, 1};
    ++used_;
  }

  bool empty() const noexcept { return used_ == 0; }

  // The general map of one-word outcomes.
  core::OutcomeCounts to_counts() const {
    core::OutcomeCounts counts;
    counts.reserve(used_);
    for (const Slot& s : slots_) {
      if (s.count != 0) counts.emplace(core::OutcomeBits::of_word(s.word), s.count);
    }
    return counts;
  }

 private:
  static constexpr std::size_t kInitialSlots = 256;

  struct Slot {
    std::uint64_t word = 0;
    std::uint64_t count = 0;  // 0: free
  };

  void grow() {
    std::vector<Slot> old(slots_.size() * 2);
    old.swap(slots_);
    for (const Slot& s : old) {
      if (s.count == 0) continue;
      std::size_t i = hash_(s.word) & (slots_.size() - 1);
      while (slots_[i].count != 0) i = (i + 1) & (slots_.size() - 1);
      slots_[i] = s;
    }
  }

  std::vector<Slot> slots_;
  std::size_t used_ = 0;
  core::OutcomeHash hash_;
};

}  // namespace norvi::client::detail
