#include "norvi/client/results/readout_mitigation.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>
#include <tuple>

#include "norvi/client/device_config_document.hpp"
#include "norvi/client/results/result_conversion.hpp"

namespace norvi::client {

std::optional<ReadoutCalibration> readout_calibration_from_config(const json::Value& config) {
  auto raw = deserialize_raw_config(config);
  if (!raw || !raw->readout || !raw->readout->readout_array) return std::nullopt;
  const ReadoutArray& tables = *raw->readout->readout_array;
  if (!tables.fidelity0 || !tables.fidelity1) return std::nullopt;
  const ParamArray& zero = *tables.fidelity0;
  const ParamArray& one = *tables.fidelity1;
  if (zero.param_list.size() != zero.qubit_used.size() || one.param_list.size() != one.qubit_used.size())
    return std::nullopt;
  const auto ones = param_array_to_map(one);
  ReadoutCalibration calibration;
  for (std::size_t i = 0; i < zero.qubit_used.size(); ++i) {
    const auto found = ones.find(zero.qubit_used[i]);
    if (found == ones.end()) continue;
    calibration.qubits.push_back(zero.qubit_used[i]);
    calibration.fidelity0.push_back(zero.param_list[i]);
    calibration.fidelity1.push_back(found->second);
  }
  return calibration;
}

namespace {

// "Q7", "Q007", "Q+7": the index; no '-', no blanks, at most 4294967295.
std::optional<std::uint32_t> qubit_index_of(std::string_view name) {
  if (name.size() < 2 || name[0] != 'Q') return std::nullopt;
  std::string_view digits = name.substr(1);
  if (digits[0] == '+') digits.remove_prefix(1);
  if (digits.empty() || digits[0] < '0' || digits[0] > '9') return std::nullopt;
  std::uint32_t index = 0;
  const auto read = std::from_chars(digits.data(), digits.data() + digits.size(), index);
  if (read.ec != std::errc{} || read.ptr != digits.data() + digits.size()) return std::nullopt;
  return index;
}

}  // namespace

ReadoutFidelityMap readout_fidelity_map(const ReadoutCalibration& calibration) {
  ReadoutFidelityMap map;
  const std::size_t n = std::min({calibration.qubits.size(), calibration.fidelity0.size(), calibration.fidelity1.size()});
  for (std::size_t i = 0; i < n; ++i) {
    if (auto index = qubit_index_of(calibration.qubits[i])) map[*index] = {calibration.fidelity0[i], calibration.fidelity1[i]};
  }
  return map;
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
  std::uint64_t total = 0;
  for (const auto& [outcome, count] : counts) total = count > UINT64_MAX - total ? UINT64_MAX : total + count;
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
