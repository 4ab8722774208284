#pragma once
// The result of one executed circuit as the system keeps it before handing it to Python: counts per
// outcome and the probabilities derived from them, with the lifecycle of the host class of the same
// name (created, started, finished).
//
//   auto r = new_execution_result("task-1", {4, 7}, 1000, 2);
//   start_execution_result(r);
//   finish_execution_result(r, std::move(counts));
//   probabilities_from_counts(r);

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "norvi/core/result/outcome_bits.hpp"

namespace norvi::core {

using UtcInstant = std::chrono::sys_time<std::chrono::nanoseconds>;

struct ExecutionStatus {
  enum class Kind : std::uint8_t { Created, Running, Finished, Failed };
  Kind kind = Kind::Created;
  std::string failure;  // the text of Failed, which nothing in the system sets
  bool operator==(const ExecutionStatus&) const = default;
};

struct ExecutionResult {
  std::string name;                           // for platform results the task id as text
  std::vector<std::uint32_t> measured_qubits; // the k-th listed qubit is outcome bit k
  std::uint64_t shots = 0;
  std::uint64_t outcome_width = 0;
  std::optional<std::string> note;
  ExecutionStatus status;
  UtcInstant created_at{};
  std::optional<UtcInstant> started_at;
  std::optional<UtcInstant> finished_at;
  OutcomeCounts counts;
  std::optional<OutcomeProbabilities> probabilities;
};

// Status Created, created_at the given instant or now; no counts, no probabilities.
ExecutionResult new_execution_result(std::string name, std::vector<std::uint32_t> measured_qubits,
                                     std::uint64_t shots, std::uint64_t outcome_width,
                                     std::optional<std::string> note = std::nullopt,
                                     std::optional<UtcInstant> created_at = std::nullopt);

// Status Running, started_at now.
void start_execution_result(ExecutionResult& result);

// The counts replaced, probabilities dropped, status Finished, finished_at the given instant or now.
void finish_execution_result(ExecutionResult& result, OutcomeCounts counts,
                             std::optional<UtcInstant> finished_at = std::nullopt);

// Each count times 1 / total; absent when the counts add up to 0.
void probabilities_from_counts(ExecutionResult& result);

}  // namespace norvi::core
