#pragma once
// Counts of outcomes of at most 64 bits keyed by the word itself: a flat table with open addressing
// (linear probing, at most three quarters full). Counting a million shot rows through the general
// outcome map costs a multi-word hash per row and a probe of a table of wide slots; this costs a
// multiplication and, mostly, one cache line. The slot is the top bits of the word times a random odd
// multiplier (multiply-shift, a universal family), so outcomes that a platform chose to collide in one
// table collide in no other.
//
// Once the table would take more memory than one count per possible outcome (2^width of them), the
// counts move to such an array, indexed by the word: a circuit whose outcomes come out nearly uniform
// (about 645,000 distinct among 10^6 shots on 20 qubits) then costs 8 MB and no probing instead of a
// table of two million slots. The array is only chosen when it is no larger than the table it replaces,
// so a wide outcome never makes it. The table starts at four slots, as an item of a few shots needs no
// more and a handle of many small circuits holds one table per item until the answer text is released;
// growing by doubling from there costs little beside the rows that fill the table. Large tables and
// arrays live on pages of their own, so that none stays resident once the counts have moved into the
// outcome map.

#include <cstddef>
#include <cstdint>

#include "mapped_pages.hpp"
#include "norvi/core/result/outcome_bits.hpp"

namespace norvi::client::detail {

class WordCounts {
 public:
  // Outcomes of `width` bits (at most 64): every added word lies below 2^width.
  explicit WordCounts(std::size_t width) : width_(width) {
    if (dense_fits(std::size_t{1} << kInitialBits)) {
      go_dense();
    } else {
      slots_ = ZeroedArray<Slot>(std::size_t{1} << kInitialBits);
    }
  }

  // Counts `word` one call late: the slot is only fetched now and counted at the next call, after the
  // reader has spent a whole row on other work. Most slots miss the cache in a table of many outcomes.
  void add(std::uint64_t word) {
    if (has_pending_) count(pending_);
    pending_ = word;
    has_pending_ = true;
    if (dense_.empty()) {
      __builtin_prefetch(&slots_[slot_of(word)], 1);
    } else {
      __builtin_prefetch(&dense_[word & dense_mask_], 1);
    }
  }

  bool empty() const noexcept { return used_ == 0 && !has_pending_; }

  // The memory the counts take now, table or array.
  std::size_t table_bytes() const noexcept { return slots_.size() * sizeof(Slot) + dense_.size() * sizeof(std::uint64_t); }

  // Moves every count into `counts` (which holds no one-word outcome) and releases the table.
  void move_into(core::OutcomeCounts& counts) {
    if (has_pending_) count(pending_);
    has_pending_ = false;
    counts.reserve(counts.size() + used_);
    if (dense_.empty()) {
      for (const Slot& s : slots_) {
        if (s.count != 0) counts.emplace(core::OutcomeBits::of_word(s.word), s.count);
      }
    } else {
      for (std::size_t word = 0; word < dense_.size(); ++word) {
        if (dense_[word] != 0) counts.emplace(core::OutcomeBits::of_word(word), dense_[word]);
      }
    }
    slots_ = {};
    dense_ = {};
    used_ = 0;
  }

 private:
  static constexpr unsigned kInitialBits = 2;

  struct Slot {
    std::uint64_t word = 0;
    std::uint64_t count = 0;  // 0: free
  };

  // Whether one count per possible outcome takes no more memory than a table of `slots` slots.
  bool dense_fits(std::size_t slots) const noexcept {
    static_assert(sizeof(Slot) == 2 * sizeof(std::uint64_t));
    return width_ < 64 && (std::uint64_t{1} << width_) / 2 <= slots;
  }

  void count(std::uint64_t word) {
    if (!dense_.empty()) {
      std::uint64_t& n = dense_[word & dense_mask_];
      used_ += n == 0;
      ++n;
      return;
    }
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = slot_of(word);; i = (i + 1) & mask) {
      Slot& s = slots_[i];
      if (s.count == 0) {
        if (4 * (used_ + 1) > 3 * slots_.size()) {
          grow_and_count(word);
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

  // One count per possible outcome, the table's counts moved over.
  void go_dense() {
    dense_ = ZeroedArray<std::uint64_t>(std::size_t{1} << width_);
    dense_mask_ = dense_.size() - 1;
    for (const Slot& s : slots_) {
      if (s.count != 0) dense_[s.word & dense_mask_] = s.count;
    }
    slots_ = {};
  }

  // Out of the counting loop, which is then inlined into the reader's row handling.
  [[gnu::noinline]] void grow_and_count(std::uint64_t word) {
    grow();
    count(word);
  }

  void grow() {
    if (dense_fits(slots_.size() * 2)) {
      go_dense();
      return;
    }
    ZeroedArray<Slot> old(slots_.size() * 2);
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

  std::size_t width_;
  ZeroedArray<Slot> slots_;             // while the counts are a table
  ZeroedArray<std::uint64_t> dense_;    // once they are one per possible outcome: the count of each word
  std::uint64_t dense_mask_ = 0;
  std::uint8_t shift_ = 64 - kInitialBits;
  bool has_pending_ = false;
  std::size_t used_ = 0;  // distinct outcomes counted
  std::uint64_t multiplier_ = core::fresh_outcome_hash_key() | 1u;
  std::uint64_t pending_ = 0;  // added, not yet counted
};

}  // namespace norvi::client::detail
