#pragma once
// Readout-error mitigation: the correction of per-shot counts with a per-qubit fidelity map, which
// applies each measured qubit's inverse readout matrix to that qubit's own outcome bit.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "norvi/client/calibration_mode.hpp"
#include "norvi/client/readout_calibration.hpp"
#include "norvi/client/error.hpp"
#include "norvi/core/result/outcome_bits.hpp"

namespace norvi::client {

// What the polling carries when mitigation is asked for: the map and the task's mode (Auto or Enabled).
struct ReadoutCorrection {
  ReadoutFidelityMap fidelities;
  CalibrationMode mode = CalibrationMode::Auto;
};

// Mode Enabled always; Auto when at most 14 qubits are measured.
bool correction_applies(CalibrationMode mode, std::size_t measured_qubits) noexcept;

// q × shots rounded half away from zero, saturated to unsigned 64 bits (negative values and NaN: 0).
std::uint64_t scaled_count(double q, std::uint64_t shots) noexcept;

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
