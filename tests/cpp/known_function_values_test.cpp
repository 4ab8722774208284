// The special rows of the known-function table against high-precision references (mpmath, frozen
// into data/known_function_references.inc by scripts/known_function_references.py): ordinary
// points, the edges of each kernel's range, overflow and underflow, and orders far beyond what a
// recurrence can walk.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "norvi/symbolic/function_table.hpp"
#include "norvi/symbolic/symbol_registry.hpp"

namespace norvi::symbolic {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
[[maybe_unused]] constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();  // for NaN references

struct Reference {
  const char* name;
  std::vector<double> args;
  std::optional<double> expected;  // none: the row has no value there
  double relative;
  double absolute;
};

const Reference kReferences[] = {
#include "data/known_function_references.inc"
};

std::string describe(const Reference& r) {
  std::string text = std::string(r.name) + "(";
  for (std::size_t i = 0; i < r.args.size(); ++i) text += (i ? ", " : "") + std::to_string(r.args[i]);
  return text + ")";
}

void PrintTo(const Reference& r, std::ostream* out) { *out << describe(r); }

class KnownFunctionReference : public ::testing::TestWithParam<Reference> {};

TEST_P(KnownFunctionReference, WithinTheKernelsAccuracy) {
  const Reference& r = GetParam();
  const FunctionDefinition* row = get_function_definition(intern_symbol(r.name));
  ASSERT_NE(row, nullptr);
  const auto got = row->eval(r.args);
  ASSERT_EQ(got.has_value(), r.expected.has_value()) << describe(r);
  if (!got) return;
  const double want = *r.expected;
  if (std::isnan(want) || std::isinf(want)) {
    EXPECT_TRUE(std::isnan(want) ? std::isnan(*got) : *got == want) << describe(r) << " = " << *got;
    return;
  }
  const double error = std::fabs(*got - want);
  EXPECT_LE(error, r.relative * std::fabs(want) + r.absolute)
      << describe(r) << " = " << *got << ", reference " << want << ", relative error " << error / std::fabs(want);
}

INSTANTIATE_TEST_SUITE_P(Mpmath, KnownFunctionReference, ::testing::ValuesIn(kReferences));

}  // namespace
}  // namespace norvi::symbolic
