#pragma once
// Readout-error mitigation: the readout fidelities of a configuration document, the per-qubit map the
// wait builds from them, and the correction of per-shot counts, which applies each measured qubit's
// inverse readout matrix to that qubit's own outcome bit.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "norvi/client/calibration_mode.hpp"
#include "norvi/client/error.hpp"
#include "norvi/client/json/value.hpp"
#include "norvi/core/result/outcome_bits.hpp"

namespace norvi::client {

// Three parallel lists, in the order of the "|0> readout fidelity" table; values as the document gives
// them. Empty lists are still a calibration.
struct ReadoutCalibration {
  std::vector<std::string> qubits;
  std::vector<double> fidelity0;  // P(read 0 | prepared 0)
  std::vector<double> fidelity1;  // P(read 1 | prepared 1)
  bool operator==(const ReadoutCalibration&) const = default;
};

// Qubit index to (P(read 0 | 0), P(read 1 | 1)).
using ReadoutFidelityMap = std::unordered_map<std::uint32_t, std::pair<double, double>>;

// What the polling carries when mitigation is asked for: the map and the task's mode (Auto or Enabled).
struct ReadoutCorrection {
  ReadoutFidelityMap fidelities;
  CalibrationMode mode = CalibrationMode::Auto;
};

// The readout fidelities of a downloaded configuration; none when its readout tables are missing or a
// table's two lists differ in length. Never an error.
std::optional<ReadoutCalibration> readout_calibration_from_config(const json::Value& config);

// The map from the calibration: a name "Q<n>" (n an unsigned 32-bit decimal, an optional single '+'
// before it) gives index n; other names are skipped; a later position with the same index wins.
ReadoutFidelityMap readout_fidelity_map(const ReadoutCalibration& calibration);

// Mode Enabled always; Auto when at most 14 qubits are measured.
bool correction_applies(CalibrationMode mode, std::size_t measured_qubits) noexcept;

// A 2 × 2 matrix row by row.
using Matrix2 = std::array<double, 4>;

// The inverse of the readout matrix [[U, 1 - V], [1 - U, V]]; the identity when U + V - 1 is within
// 1e-12 of zero.
Matrix2 readout_correction_matrix(double u, double v) noexcept;

// The Kronecker product of a square matrix (row by row; its side is the square root of the entry count)
// and a 2 × 2 matrix, row by row: the left factor gives the high index bits.
std::vector<double> kron_with_2x2(std::span<const double> matrix, const Matrix2& factor);

// The most measured qubits whose outcomes are corrected: the probability vector holds 2^n entries.
inline constexpr std::size_t kMaxCorrectedQubits = 24;

// The counts corrected with the fidelities of the measured qubits (a missing qubit reads perfectly),
// clipped to [0, 1], renormalised and scaled to `shots`. More than kMaxCorrectedQubits measured qubits
// fail with InvalidInput: raw counts handed back here would pass for corrected ones.
Result<core::OutcomeCounts> corrected_counts(const core::OutcomeCounts& counts,
                                             std::span<const std::uint32_t> measured_qubits,
                                             const ReadoutFidelityMap& fidelities, std::uint64_t shots);

}  // namespace norvi::client
