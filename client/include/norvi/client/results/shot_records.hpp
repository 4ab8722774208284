#pragma once
// The per-shot records of one result item (its `resultStatus`), counted per outcome as they are read.
// Both the result records and the reader's own pending records build on these.

#include <cstdint>
#include <optional>
#include <vector>

#include "norvi/client/json/codec.hpp"
#include "norvi/core/result/outcome_bits.hpp"

namespace norvi::client {

// Per-shot records counted per outcome: the measured qubits (the first row) and the count of every
// outcome among the later rows.
struct ShotTally {
  std::vector<std::uint32_t> measured_qubits;
  core::OutcomeCounts counts;
};

// The value of `resultStatus`, any JSON value: the tally when it holds a first row naming at least one
// qubit and at least one shot row of that length, else none. Reading it never fails.
struct ShotRecords {
  std::optional<ShotTally> tally;
};
const json::Codec& json_codec(json::TypeTag<ShotRecords>);

}  // namespace norvi::client
