#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <string>

#include "norvi/client/json/decode.hpp"
#include "norvi/client/results/result_conversion.hpp"

namespace norvi::client {
namespace {

std::map<std::string, std::uint64_t> texts(const core::ExecutionResult& r) {
  std::map<std::string, std::uint64_t> out;
  for (const auto& [outcome, n] : r.counts) out[core::bits_to_string(outcome, r.outcome_width)] = n;
  return out;
}

TEST(ScaledCount, RoundsHalfAwayFromZeroAndSaturates) {
  const struct {
    double q;
    std::uint64_t shots;
    std::uint64_t count;
  } cases[] = {
      {0.5, 1000, 500},  {0.0005, 1000, 1}, {0.0004, 1000, 0}, {-0.2, 1000, 0},  {-0.0004, 1000, 0},
      {std::nan(""), 1000, 0}, {1e30, 1, UINT64_MAX}, {std::numeric_limits<double>::infinity(), 1, UINT64_MAX},
      {1.0, UINT64_MAX, UINT64_MAX}, {2.5, 1, 3},
  };
  for (const auto& c : cases) EXPECT_EQ(scaled_count(c.q, c.shots), c.count) << c.q << " x " << c.shots;
}

struct ProbabilityCase {
  const char* probability;
  std::uint64_t shots;
  bool record;
  std::map<std::string, std::uint64_t> counts;
  std::uint64_t width = 0;
};

TEST(ProbabilityConversion, ScalesProbabilitiesToTheTaskShots) {
  const ProbabilityCase cases[] = {
      {R"({"00":0.5,"11":0.5})", 1000, true, {{"00", 500}, {"11", 500}}, 2},
      {R"("{\"00\":0.5,\"11\":0.5} ")", 1000, true, {{"00", 500}, {"11", 500}}, 2},  // the text of an object
      {R"({"0":0.0005,"1":0.0004})", 1000, true, {{"0", 1}}, 1},
      {R"({"0":-0.5,"1":1})", 10, true, {{"1", 10}}, 1},
      {R"({"01":0.5,"0x":0.5,"10":null,"11":"0.5"})", 10, true, {{"01", 5}}, 2},
      {R"({"0":0.0001})", 10, true, {}, 1},  // a record without counts
      // Keys reading as one outcome add their counts; the first key in the text sets the width.
      {R"({"1":0.25,"01":0.75})", 100, true, {{"1", 100}}, 1},
      {R"({"01":0.75,"1":0.25})", 100, true, {{"01", 100}}, 2},
      {R"("{\"01\":0.75,\"1\":0.25}")", 100, true, {{"01", 100}}, 2},
      {R"({"x":null,"001":0.5,"1":0.25,"01":0.25})", 100, true, {{"001", 100}}, 3},
      {R"({"01":0.1,"1":0.25,"01":0.75})", 100, true, {{"1", 100}}, 1},  // the kept "01" stands last
      {R"({"0":"0.5"})", 10, false, {}},
      {R"({})", 10, false, {}},
      {R"({"":1})", 10, false, {}},
      {R"("not json")", 10, false, {}},
      {R"("[1,2]")", 10, false, {}},
      {R"("{} x")", 10, false, {}},
      {R"([0.5,0.5])", 10, false, {}},
      {R"(null)", 10, false, {}},
      {R"(0.5)", 10, false, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.probability);
    auto value = json::parse(c.probability);
    ASSERT_TRUE(value);
    std::optional<core::ExecutionResult> record;
    if (auto map = parse_probability_value(*value)) record = build_execution_result("p", c.shots, *map);
    ASSERT_EQ(record.has_value(), c.record);
    if (!record) continue;
    EXPECT_EQ(record->name, "p");
    EXPECT_EQ(record->shots, c.shots);
    EXPECT_EQ(record->outcome_width, c.width);
    std::vector<std::uint32_t> qubits;
    for (std::uint32_t q = 0; q < c.width; ++q) qubits.push_back(q);
    EXPECT_EQ(record->measured_qubits, qubits);
    EXPECT_EQ(texts(*record), c.counts);
    EXPECT_EQ(record->status.kind, core::ExecutionStatus::Kind::Finished);
    EXPECT_EQ(record->probabilities.has_value(), !c.counts.empty());
  }
}

TEST(ShotConversion, KeepsCountsAndTakesTheTaskShots) {
  auto value = json::parse("[[3,8],[1,0],[1,0],[0,0]]");
  ASSERT_TRUE(value);
  auto tally = count_shot_outcomes(*value);
  ASSERT_TRUE(tally);
  auto built = build_mitigated_execution_result("a1", 1000, tally->measured_qubits, tally->counts, nullptr);
  ASSERT_TRUE(built && *built);
  const auto& record = *built;
  EXPECT_EQ(record->measured_qubits, (std::vector<std::uint32_t>{3, 8}));
  EXPECT_EQ(record->shots, 1000u);
  EXPECT_EQ(record->outcome_width, 2u);
  EXPECT_FALSE(record->note);
  EXPECT_EQ(texts(*record), (std::map<std::string, std::uint64_t>{{"01", 2}, {"00", 1}}));
  ASSERT_TRUE(record->probabilities);
  EXPECT_DOUBLE_EQ(record->probabilities->at(*core::bits_from_string("01")), 2.0 / 3.0);

  auto empty = build_mitigated_execution_result("e", 10, {0}, {}, nullptr);
  ASSERT_TRUE(empty);
  EXPECT_FALSE(*empty);
}

}  // namespace
}  // namespace norvi::client
