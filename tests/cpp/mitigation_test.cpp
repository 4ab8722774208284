#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>

#include "norvi/client/device_config.hpp"
#include "norvi/client/json/decode.hpp"
#include "norvi/client/results/readout_mitigation.hpp"
#include "norvi/client/results/result_conversion.hpp"

namespace norvi::client {
namespace {

using Texts = std::map<std::string, std::uint64_t>;

core::OutcomeCounts counts_of(const Texts& texts) {
  core::OutcomeCounts counts;
  for (const auto& [text, n] : texts) counts[*core::bits_from_string(text)] = n;
  return counts;
}

Texts texts_of(const core::OutcomeCounts& counts, std::size_t width) {
  Texts out;
  for (const auto& [outcome, n] : counts) out[core::bits_to_string(outcome, width)] = n;
  return out;
}

struct CorrectionCase {
  const char* what;
  std::vector<std::uint32_t> qubits;
  ReadoutFidelityMap fidelities;
  Texts counts;
  std::uint64_t shots;
  Texts corrected;
};

TEST(ReadoutCorrection, HandComputedCases) {
  const CorrectionCase cases[] = {
      // w = (1, 0) up to the last bits; the tiny remainder is clipped or rounds to 0.
      {"one qubit", {0}, {{0, {0.9, 0.8}}}, {{"0", 90}, {"1", 10}}, 100, {{"0", 100}}},
      // Only qubit a (bit 0, the last character) is corrected: (0.9 * 0.9 - 0.1 * 0.1) / 0.8 = 1.
      {"one of two qubits", {5, 9}, {{5, {0.9, 0.9}}, {9, {1.0, 1.0}}}, {{"00", 90}, {"01", 10}}, 1000, {{"00", 1000}}},
      // Qubit b (bit 1, the first character) corrected, a untouched.
      {"the other qubit", {5, 9}, {{9, {0.9, 0.9}}}, {{"01", 90}, {"11", 10}}, 1000, {{"01", 1000}}},
      {"singular", {0}, {{0, {0.5, 0.5}}}, {{"0", 3}, {"1", 1}}, 1000, {{"0", 750}, {"1", 250}}},
      {"no calibration data", {3}, {{7, {0.9, 0.9}}}, {{"0", 3}, {"1", 1}}, 1000, {{"0", 750}, {"1", 250}}},
      // (0.8 * 0.5 - 0.2 * 0.5) / 0.6 = 0.5 each: U = V keeps a uniform distribution.
      {"uniform stays", {0}, {{0, {0.8, 0.8}}}, {{"0", 5}, {"1", 5}}, 10, {{"0", 5}, {"1", 5}}},
      // U = 0.9, V = 0.7, r = 1 / 0.6: w0 = (0.7 * 0.5 - 0.3 * 0.5) * r = 1/3, w1 = (-0.1 * 0.5 + 0.9 * 0.5) * r = 2/3.
      {"asymmetric", {0}, {{0, {0.9, 0.7}}}, {{"0", 50}, {"1", 50}}, 100, {{"0", 33}, {"1", 67}}},
      // w1 = (-0.1 * 0.95 + 0.9 * 0.05) / 0.8 < 0 is clipped, w0 = 1.06.. clipped to 1.
      {"clipped", {0}, {{0, {0.9, 0.9}}}, {{"0", 95}, {"1", 5}}, 100, {{"0", 100}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto built = build_mitigated_execution_result("m", c.shots, c.qubits, counts_of(c.counts), &c.fidelities);
    ASSERT_TRUE(built && *built);
    const auto& record = *built;
    EXPECT_EQ(texts_of(record->counts, c.qubits.size()), c.corrected);
    EXPECT_EQ(record->shots, c.shots);
    EXPECT_EQ(record->measured_qubits, c.qubits);
  }
}

// The per-qubit application equals the dense Kronecker correction built the long way.
TEST(ReadoutCorrection, AgreesWithTheDenseKroneckerMatrix) {
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> fidelity(0.75, 0.99);
  const std::vector<std::uint32_t> qubits = {2, 0, 6};
  ReadoutFidelityMap fidelities;
  for (auto q : qubits) fidelities[q] = {fidelity(random), fidelity(random)};
  const Texts counts = {{"000", 400}, {"001", 120}, {"010", 80}, {"100", 150}, {"111", 250}};
  const std::uint64_t shots = 1'000'000;

  std::vector<double> c = {1.0};
  for (std::size_t k = qubits.size(); k-- > 0;) {
    const auto [u, v] = fidelities[qubits[k]];
    c = kron_with_2x2(c, readout_correction_matrix(u, v));
  }
  ASSERT_EQ(c.size(), 64u);
  std::vector<double> p(8, 0.0);
  for (const auto& [text, n] : counts) p[std::stoul(text, nullptr, 2)] = static_cast<double>(n) / 1000.0;
  std::vector<double> w(8, 0.0);
  double sum = 0;
  for (std::size_t i = 0; i < 8; ++i) {
    for (std::size_t j = 0; j < 8; ++j) w[i] += c[i * 8 + j] * p[j];
    w[i] = std::clamp(w[i], 0.0, 1.0);
    sum += w[i];
  }
  const auto corrected = texts_of(corrected_counts(counts_of(counts), qubits, fidelities, shots).value(), 3);
  for (std::size_t i = 0; i < 8; ++i) {
    std::string text;
    for (int b = 2; b >= 0; --b) text += (i >> b) & 1 ? '1' : '0';
    const double expected = w[i] / sum * static_cast<double>(shots);
    const auto found = corrected.find(text);
    const double got = found == corrected.end() ? 0.0 : static_cast<double>(found->second);
    EXPECT_NEAR(got, expected, 1.0) << text;
  }
}

TEST(ReadoutCorrection, KroneckerPutsTheLeftFactorOnTheHighBits) {
  const std::vector<double> a = {1, 2, 3, 4};
  const auto k = kron_with_2x2(a, {0, 1, 1, 0});
  const std::vector<double> expected = {0, 1, 0, 2, 1, 0, 2, 0, 0, 3, 0, 4, 3, 0, 4, 0};
  EXPECT_EQ(k, expected);
  EXPECT_EQ(readout_correction_matrix(0.5, 0.5), (Matrix2{1, 0, 0, 1}));
}

TEST(ReadoutCorrection, AutoCorrectsAtMostFourteenQubits) {
  EXPECT_TRUE(correction_applies(CalibrationMode::Auto, 14));
  EXPECT_FALSE(correction_applies(CalibrationMode::Auto, 15));
  EXPECT_TRUE(correction_applies(CalibrationMode::Enabled, 15));
  EXPECT_TRUE(correction_applies(CalibrationMode::Enabled, 40));
  EXPECT_FALSE(correction_applies(CalibrationMode::Disabled, 1));
}

// Raw counts must never come back as if corrected: beyond the vector limit the correction fails.
TEST(ReadoutCorrection, BeyondTheVectorLimitFailsNamingTheQubitsAndTheLimit) {
  std::vector<std::uint32_t> qubits(kMaxCorrectedQubits + 1);
  for (std::size_t i = 0; i < qubits.size(); ++i) qubits[i] = static_cast<std::uint32_t>(i);
  ReadoutFidelityMap fidelities = {{0, {0.9, 0.9}}};
  const auto counts = counts_of({{std::string(qubits.size(), '0'), 3}});
  auto corrected = corrected_counts(counts, qubits, fidelities, 1000);
  ASSERT_FALSE(corrected);
  EXPECT_EQ(corrected.error().display(), "Invalid input: readout correction of 25 measured qubits exceeds the limit of 24");
  auto built = build_mitigated_execution_result("m", 1000, qubits, counts, &fidelities);
  ASSERT_FALSE(built);
  EXPECT_TRUE(built.error().is<errors::InvalidInput>());
}

std::string config_with_tables(const std::string& zero, const std::string& one) {
  return R"({"readout":{"readoutArray":{"|0> readout fidelity":)" + zero + R"(,"|1> readout fidelity":)" + one + "}}}";
}

TEST(ReadoutCalibration, TakenFromTheConfigurationTables) {
  struct Case {
    std::string config;
    std::optional<ReadoutCalibration> calibration;
  };
  const Case cases[] = {
      {config_with_tables(R"({"param_list":[0.9,0.8,0.7],"qubit_used":["Q0","Q1","Q0"]})",
                          R"({"param_list":[0.95,0.85,0.5],"qubit_used":["Q1","Q0","Q1"]})"),
       ReadoutCalibration{{"Q0", "Q1", "Q0"}, {0.9, 0.8, 0.7}, {0.85, 0.5, 0.85}}},
      {config_with_tables(R"({"param_list":[0.9,0.8,0.7],"qubit_used":["Q0","Q1","Q2","Q3"]})",
                          R"({"param_list":[0.9],"qubit_used":["Q0"]})"),
       std::nullopt},
      {config_with_tables(R"({"param_list":[0.9],"qubit_used":["Q0"]})", R"({"param_list":[0.9],"qubit_used":["Q5"]})"),
       ReadoutCalibration{}},
      {R"({"readout":{"readoutArray":{"|0> readout fidelity":{"param_list":[0.9],"qubit_used":["Q0"]}}}})", std::nullopt},
      {R"({"readout":{}})", std::nullopt},
      {R"({})", std::nullopt},
      {R"([1])", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.config);
    auto value = json::parse(c.config);
    ASSERT_TRUE(value);
    EXPECT_EQ(readout_calibration_from_config(*value), c.calibration);
  }
}

TEST(ReadoutFidelityMap, QubitNamesGiveIndices) {
  const ReadoutCalibration calibration{{"Q007", "Q+7", "q7", "Q", "Q-1", "Q4294967296", "Q4294967295", "Q 1", "Q++1", "Q2"},
                                       {0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8, 0.9, 1.0},
                                       {1.1, 1.2, 1.3, 1.4, 1.5, 1.6, 1.7, 1.8, 1.9}};  // shorter: Q2 is not reached
  const ReadoutFidelityMap expected = {{7, {0.2, 1.2}}, {4294967295u, {0.7, 1.7}}};
  EXPECT_EQ(readout_fidelity_map(calibration), expected);
}

}  // namespace
}  // namespace norvi::client
