#include <gtest/gtest.h>

#include <cstdlib>
#include <limits>
#include <string>

#include "norvi/symbolic/number_format.hpp"

using norvi::symbolic::format_json_number;
using norvi::symbolic::format_positional;
using norvi::symbolic::IntegralForm;

namespace {

struct Case {
  double value;
  const char* positional;  // bare
  const char* with_point;
  const char* json;        // nullptr: not a JSON number
};

const Case kCases[] = {
    {1.5, "1.5", "1.5", "1.5"},
    {2.0, "2", "2.0", "2.0"},
    {0.0, "0", "0.0", "0.0"},
    {-0.0, "-0", "-0.0", "-0.0"},
    {-3.25, "-3.25", "-3.25", "-3.25"},
    {0.1, "0.1", "0.1", "0.1"},
    {1.0 / 3.0, "0.3333333333333333", "0.3333333333333333", "0.3333333333333333"},
    {123456.789, "123456.789", "123456.789", "123456.789"},
    // to_chars' fixed form would print the exact expansion 99999999999999991611392.
    {1e23, "100000000000000000000000", "100000000000000000000000.0", "1e23"},
    {18446744073709551616.0, "18446744073709552000", "18446744073709552000.0", "1.8446744073709552e19"},
    {1e15, "1000000000000000", "1000000000000000.0", "1000000000000000.0"},
    {1e16, "10000000000000000", "10000000000000000.0", "1e16"},
    {1.25e17, "125000000000000000", "125000000000000000.0", "1.25e17"},
    {1e-5, "0.00001", "0.00001", "0.00001"},
    {1e-6, "0.000001", "0.000001", "1e-6"},
    {1.5e-7, "0.00000015", "0.00000015", "1.5e-7"},
    {-2.5e300, nullptr, nullptr, "-2.5e300"},
    {std::numeric_limits<double>::max(), nullptr, nullptr, "1.7976931348623157e308"},
    {std::numeric_limits<double>::denorm_min(), nullptr, nullptr, "5e-324"},
    {std::numeric_limits<double>::quiet_NaN(), "NaN", "NaN", nullptr},
    {std::numeric_limits<double>::infinity(), "inf", "inf", nullptr},
    {-std::numeric_limits<double>::infinity(), "-inf", "-inf", nullptr},
};

}  // namespace

TEST(NumberFormat, ShortestDigitsInEachLayout) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.json != nullptr ? c.json : c.positional);
    if (c.positional != nullptr) {
      EXPECT_EQ(format_positional(c.value), c.positional);
      EXPECT_EQ(format_positional(c.value, IntegralForm::with_point), c.with_point);
    }
    if (c.json != nullptr) {
      EXPECT_EQ(format_json_number(c.value), c.json);
    }
  }
}

TEST(NumberFormat, PositionalNeverUsesAnExponentAndReadsBack) {
  for (double v : {-2.5e300, 5e-324, 1.7976931348623157e308, 6.02214076e23, 1.602176634e-19}) {
    const std::string text = format_positional(v);
    EXPECT_EQ(text.find('e'), std::string::npos) << text;
    EXPECT_EQ(std::strtod(text.c_str(), nullptr), v) << text;
  }
  EXPECT_EQ(format_positional(5e-324), "0." + std::string(323, '0') + "5");
}
