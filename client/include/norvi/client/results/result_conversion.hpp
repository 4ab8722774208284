#pragma once
// Result items into execution-result records: per-shot records counted per outcome (and corrected for
// readout errors when asked), probability data scaled to counts with the task's shot count (never
// corrected). Nothing here fails: unusable input yields nothing.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "norvi/client/json/value.hpp"
#include "norvi/client/results/readout_mitigation.hpp"
#include "norvi/client/results/result_records.hpp"
#include "norvi/core/result/execution_result.hpp"

namespace norvi::client {

// The per-shot records of a generic value (the same counting as when read from the answer's text).
std::optional<ShotTally> count_shot_outcomes(const json::Value& result_status);

// The record of per-shot counts: unchanged without a fidelity map, corrected with one. Nothing when
// the counts are empty.
std::optional<core::ExecutionResult> build_mitigated_execution_result(const std::string& name, std::uint64_t shots,
                                                                      std::vector<std::uint32_t> measured_qubits,
                                                                      core::OutcomeCounts counts,
                                                                      const ReadoutFidelityMap* fidelities);

// Outcome texts to probabilities: an object, or a text holding one; members that are no number are
// skipped. Nothing for other values.
std::optional<std::map<std::string, double>> parse_probability_value(const json::Value& probability);

// The record of a probability map: qubits 0 .. n - 1 with n the length of a key, counts p × shots
// (rounded; zeros dropped; keys that are no outcome skipped). Nothing for an empty map or n = 0.
std::optional<core::ExecutionResult> build_execution_result(const std::string& name, std::uint64_t shots,
                                                            const std::map<std::string, double>& probabilities);

}  // namespace norvi::client
