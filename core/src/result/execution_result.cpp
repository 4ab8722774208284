#include "norvi/core/result/execution_result.hpp"

#include <cstdint>
#include <utility>

namespace norvi::core {

ExecutionResult new_execution_result(std::string name, std::vector<std::uint32_t> measured_qubits,
                                     std::uint64_t shots, std::uint64_t outcome_width,
                                     std::optional<std::string> note, std::optional<UtcTime> created_at) {
  ExecutionResult result;
  result.name = std::move(name);
  result.measured_qubits = std::move(measured_qubits);
  result.shots = shots;
  result.outcome_width = outcome_width;
  result.note = std::move(note);
  result.created_at = created_at.value_or(utc_now());
  return result;
}

void start_execution_result(ExecutionResult& result) {
  result.status = ExecutionStatus{ExecutionStatus::Kind::Running, {}};
  result.started_at = utc_now();
}

void finish_execution_result(ExecutionResult& result, OutcomeCounts counts, std::optional<UtcTime> finished_at) {
  result.counts = std::move(counts);
  result.probabilities.reset();
  result.status = ExecutionStatus{ExecutionStatus::Kind::Finished, {}};
  result.finished_at = finished_at.value_or(utc_now());
}

void probabilities_from_counts(ExecutionResult& result) {
  const std::uint64_t total = total_count(result.counts);
  if (total == 0) {
    result.probabilities.reset();
    return;
  }
  const double r = 1.0 / static_cast<double>(total);
  OutcomeProbabilities probabilities;
  probabilities.reserve(result.counts.size());
  for (const auto& [outcome, count] : result.counts) probabilities.emplace(outcome, static_cast<double>(count) * r);
  result.probabilities = std::move(probabilities);
}

}  // namespace norvi::core
