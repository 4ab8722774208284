#pragma once
// Per-shot records as the reader counts them, before their counts become one outcome map. The result
// road reads the answer text into these and turns them into tallies only once the text is released, so
// that the body and the outcome maps of a result of many distinct outcomes are never held at once.

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "norvi/client/json/codec.hpp"
#include "norvi/client/results/shot_records.hpp"
#include "norvi/core/result/outcome_bits.hpp"
#include "results/word_counts.hpp"

namespace norvi::client::detail {

struct CountedShots {
  explicit CountedShots(std::vector<std::uint32_t> qubits)
      : measured_qubits(std::move(qubits)), words(measured_qubits.size()) {}

  std::vector<std::uint32_t> measured_qubits;
  WordCounts words;          // outcomes of up to 64 bits
  core::OutcomeCounts wide;  // longer outcomes

  bool empty() const noexcept { return words.empty() && wide.empty(); }
};

// The tally of the counted shots: every outcome in one map, the word table released.
ShotTally settle(CountedShots&& counted);

// The value of `resultStatus` as ShotRecords reads it, its counts not yet settled.
struct PendingShotRecords {
  std::optional<CountedShots> tally;
};
const json::Codec& json_codec(json::TypeTag<PendingShotRecords>);

// The records with their counts settled.
ShotRecords settle(PendingShotRecords&& pending);

}  // namespace norvi::client::detail
