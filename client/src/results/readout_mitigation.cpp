#include "norvi/client/results/readout_mitigation.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <tuple>


namespace norvi::client {

std::uint64_t scaled_count(double q, std::uint64_t shots) noexcept {
  const double x = std::round(q * static_cast<double>(shots));
  if (!(x > 0)) return 0;                           // negative, zero and NaN
  if (x >= 18446744073709551616.0) return UINT64_MAX;  // 2^64 and beyond
  return static_cast<std::uint64_t>(x);
}

bool correction_applies(CalibrationMode mode, std::size_t measured_qubits) noexcept {
  return mode == CalibrationMode::Enabled || (mode == CalibrationMode::Auto && measured_qubits < 15);
}

Matrix2 readout_correction_matrix(double u, double v) noexcept {
  const double determinant = u + v - 1.0;
  if (std::abs(determinant) < 1e-12) return {1.0, 0.0, 0.0, 1.0};
  const double r = 1.0 / determinant;
  return {v * r, (v - 1.0) * r, (u - 1.0) * r, u * r};
}

std::vector<double> kron_with_2x2(std::span<const double> matrix, const Matrix2& factor) {
  const auto side = static_cast<std::size_t>(std::llround(std::sqrt(static_cast<double>(matrix.size()))));
  const std::size_t out_side = 2 * side;
  std::vector<double> out(out_side * out_side);
  for (std::size_t i = 0; i < side; ++i) {
    for (std::size_t j = 0; j < side; ++j) {
      const double a = matrix[i * side + j];
      for (std::size_t x = 0; x < 2; ++x) {
        for (std::size_t y = 0; y < 2; ++y) out[(2 * i + x) * out_side + 2 * j + y] = a * factor[2 * x + y];
      }
    }
  }
  return out;
}

Result<core::OutcomeCounts> corrected_counts(const core::OutcomeCounts& counts,
                                             std::span<const std::uint32_t> measured_qubits,
                                             const ReadoutFidelityMap& fidelities, std::uint64_t shots) {
  const std::size_t n = measured_qubits.size();
  if (n > kMaxCorrectedQubits) {
    return fail(errors::InvalidInput{
        fmt::format("readout correction of {} measured qubits exceeds the limit of {}", n, kMaxCorrectedQubits)});
  }
  const std::uint64_t total = core::total_count(counts);
  if (total == 0) return core::OutcomeCounts{};
  const double r = 1.0 / static_cast<double>(total);
  const std::size_t size = std::size_t{1} << n;
  const std::uint64_t mask = size - 1;
  std::vector<double> w(size, 0.0);
  for (const auto& [outcome, count] : counts) w[outcome.word(0) & mask] = static_cast<double>(count) * r;

  // The full correction is the Kronecker product of the qubits' matrices, so it is applied one qubit at
  // a time, each on its own index bit: 2^n entries and n · 2^n steps instead of a 4^n matrix.
  for (std::size_t k = 0; k < n; ++k) {
    double u = 1.0;
    double v = 1.0;
    if (auto found = fidelities.find(measured_qubits[k]); found != fidelities.end()) std::tie(u, v) = found->second;
    const Matrix2 m = readout_correction_matrix(u, v);
    if (m == Matrix2{1.0, 0.0, 0.0, 1.0}) continue;
    const std::size_t bit = std::size_t{1} << k;
    for (std::size_t i = 0; i < size; ++i) {
      if (i & bit) continue;
      const double p0 = w[i];
      const double p1 = w[i | bit];
      w[i] = m[0] * p0 + m[1] * p1;
      w[i | bit] = m[2] * p0 + m[3] * p1;
    }
  }

  double sum = 0.0;
  for (double& x : w) {
    x = std::clamp(x, 0.0, 1.0);
    sum += x;
  }
  if (sum > 1e-15) {
    for (double& x : w) x /= sum;
  }
  core::OutcomeCounts corrected;
  const std::size_t words = (n + 63) / 64;
  for (std::size_t i = 0; i < size; ++i) {
    if (!(w[i] > 0.0)) continue;
    const std::uint64_t count = scaled_count(w[i], shots);
    if (count == 0) continue;
    core::OutcomeBits outcome(words);
    if (words != 0) outcome.words()[0] = i;
    corrected.emplace(std::move(outcome), count);
  }
  return corrected;
}

}  // namespace norvi::client
