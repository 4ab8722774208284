#include "norvi/client/results/result_conversion.hpp"

#include <cmath>
#include <utility>

#include "norvi/client/json/decode.hpp"

namespace norvi::client {

std::optional<ShotTally> count_shot_outcomes(const json::Value& result_status) {
  auto records = json::decode<ShotRecords>(result_status);  // the codec never fails
  if (!records) return std::nullopt;
  return std::move(records->tally);
}

namespace {

core::ExecutionResult finished_record(const std::string& name, std::uint64_t shots,
                                      std::vector<std::uint32_t> measured_qubits, std::uint64_t width,
                                      core::OutcomeCounts counts) {
  auto record = core::new_execution_result(name, std::move(measured_qubits), shots, width);
  core::start_execution_result(record);
  core::finish_execution_result(record, std::move(counts));
  core::probabilities_from_counts(record);
  return record;
}

}  // namespace

Result<std::optional<core::ExecutionResult>> build_mitigated_execution_result(const std::string& name, std::uint64_t shots,
                                                                              std::vector<std::uint32_t> measured_qubits,
                                                                              core::OutcomeCounts counts,
                                                                              const ReadoutFidelityMap* fidelities) {
  if (counts.empty()) return std::nullopt;
  const std::uint64_t width = measured_qubits.size();
  if (fidelities == nullptr) return finished_record(name, shots, std::move(measured_qubits), width, std::move(counts));
  auto corrected = corrected_counts(counts, measured_qubits, *fidelities, shots);
  if (!corrected) return fail(std::move(corrected.error()));
  return finished_record(name, shots, std::move(measured_qubits), width, std::move(*corrected));
}

std::optional<ProbabilityMap> parse_probability_value(const json::Value& probability) {
  json::Value object = probability;
  if (auto text = probability.as_string()) {
    auto parsed = json::parse(std::string(*text));
    if (!parsed) return std::nullopt;
    object = std::move(*parsed);
  }
  if (!object.is_object()) return std::nullopt;
  // The text's order decides the width when keys differ in length, so it is kept.
  ProbabilityMap map;
  for (std::size_t i : object.document_order()) {
    if (auto p = object.member_value(i).as_f64()) map.emplace_back(std::string(object.key(i)), *p);
  }
  return map;
}

std::optional<core::ExecutionResult> build_execution_result(const std::string& name, std::uint64_t shots,
                                                            const ProbabilityMap& probabilities) {
  if (probabilities.empty()) return std::nullopt;
  const std::size_t width = probabilities.front().first.size();
  if (width == 0) return std::nullopt;
  std::vector<std::uint32_t> qubits(width);
  for (std::size_t i = 0; i < width; ++i) qubits[i] = static_cast<std::uint32_t>(i);
  core::OutcomeCounts counts;
  for (const auto& [key, p] : probabilities) {
    auto outcome = core::bits_from_string(key);
    if (!outcome) continue;
    const std::uint64_t count = scaled_count(p, shots);
    if (count == 0) continue;
    std::uint64_t& total = counts[std::move(*outcome)];
    total = count > UINT64_MAX - total ? UINT64_MAX : total + count;
  }
  return finished_record(name, shots, std::move(qubits), width, std::move(counts));
}

}  // namespace norvi::client
