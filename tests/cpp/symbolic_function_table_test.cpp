// The known-function table: its rows by name and the values of their kernels at the edges.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "norvi/symbolic/function_table.hpp"
#include "norvi/symbolic/known_symbols.hpp"
#include "norvi/symbolic/symbol_registry.hpp"

namespace norvi::symbolic {
namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kE = 2.718281828459045;
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::optional<double> call(const std::string& name, std::vector<double> values) {
  const FunctionDefinition* row = get_function_definition(intern_symbol(name));
  if (row == nullptr) {
    ADD_FAILURE() << "no row for " << name;
    return std::nullopt;
  }
  return row->eval(values);
}

TEST(SymbolicFunctionTable, SixtyRowsReachableByTheirKnownKeys) {
  std::set<std::string> names;
  for (const FunctionDefinition& row : function_rows()) {
    names.insert(row.name);
    EXPECT_EQ(row.min_arity, row.max_arity) << row.name;
    EXPECT_FALSE(row.flag);
    const FunctionDefinition* found = get_function_definition(intern_symbol(row.name));
    ASSERT_NE(found, nullptr) << row.name;
    EXPECT_EQ(std::string(found->name), row.name);
  }
  EXPECT_EQ(names.size(), kKnownFunctionCount);
  // Every table name is a reserved name; the sign spellings and constants have no row.
  for (std::size_t i = 0; i < kKnownSymbolCount; ++i) {
    const std::string name = kKnownSymbolNames[i];
    EXPECT_EQ(names.contains(name), get_function_definition(known_symbols().keys[i]) != nullptr) << name;
  }
  for (const char* no_row : {"sign", "sgn", "pi", "e", "f", "SIN"}) {
    EXPECT_EQ(get_function_definition(intern_symbol(no_row)), nullptr) << no_row;
  }
}

struct ValueCase {
  const char* name;
  std::vector<double> args;
  std::optional<double> expected;  // none: no value
  double tolerance;                // relative; 0 means exact (NaN matches NaN)
};

class SymbolicFunctionValues : public ::testing::TestWithParam<ValueCase> {};

TEST_P(SymbolicFunctionValues, MatchesTheExpectedValue) {
  const ValueCase& c = GetParam();
  const auto got = call(c.name, c.args);
  ASSERT_EQ(got.has_value(), c.expected.has_value());
  if (!got) return;
  const double want = *c.expected;
  if (std::isnan(want)) {
    EXPECT_TRUE(std::isnan(*got)) << *got;
  } else if (c.tolerance == 0) {
    EXPECT_EQ(*got, want);
    EXPECT_EQ(std::signbit(*got), std::signbit(want));
  } else {
    EXPECT_NEAR(*got, want, c.tolerance * std::max(1.0, std::fabs(want)));
  }
}

const ValueCase kValueCases[] = {
    {"log", {2, 8}, 3.0, 1e-15},
    {"log", {1, 8}, std::nullopt, 0},
    {"log", {0, 8}, std::nullopt, 0},
    {"log", {2, 0}, std::nullopt, 0},
    {"log", {-2, 8}, std::nullopt, 0},
    {"acot", {0}, kPi / 2, 0},
    {"acot", {-1}, 3 * kPi / 4, 1e-15},
    {"acsch", {0}, std::nullopt, 0},
    {"signum", {-0.0}, -1.0, 0},
    {"signum", {0.0}, 1.0, 0},
    {"signum", {kNaN}, kNaN, 0},
    {"round", {-2.5}, -3.0, 0},
    {"round", {2.5}, 3.0, 0},
    {"sqrt", {-1}, kNaN, 0},
    {"ln", {0}, -kInf, 0},
    {"atan2", {1, -1}, 3 * kPi / 4, 1e-15},
    {"atanh", {0.5}, std::atanh(0.5), 1e-15},
    {"sinc", {0}, 1.0, 0},
    {"sinc", {1}, std::sin(1.0), 1e-15},
    {"sin", {0.5, 99}, std::sin(0.5), 0},
    {"sin", {}, std::nullopt, 0},
    {"beta", {2}, std::nullopt, 0},
    {"gamma", {5}, 24.0, 1e-13},
    {"gamma", {0.5}, std::sqrt(kPi), 1e-14},
    {"gamma", {-0.5}, -2 * std::sqrt(kPi), 1e-13},
    {"gamma", {0}, std::nullopt, 0},
    {"gamma", {-2}, std::nullopt, 0},
    {"digamma", {0}, std::nullopt, 0},
    {"digamma", {1}, -0.5772156649015329, 1e-8},
    {"beta", {2, 3}, 1.0 / 12, 1e-14},
    {"zeta", {1}, std::nullopt, 0},
    {"zeta", {2}, kPi * kPi / 6, 1e-12},
    {"zeta", {-1}, -1.0 / 12, 1e-12},
    {"zeta", {1.2}, std::riemann_zeta(1.2), 1e-7},
    {"zeta", {1.5}, std::riemann_zeta(1.5), 1e-7},
    {"zeta_deriv", {1, -1}, -0.16542114370045092, 1e-5},
    {"zeta_deriv", {0, 3}, std::riemann_zeta(3.0), 1e-11},
    {"besselj", {0, 0}, 1.0, 0},
    {"besselj", {3, 0}, 0.0, 0},
    {"besselj", {0, 2.5}, std::cyl_bessel_j(0.0, 2.5), 1e-7},
    {"besselj", {1, 10}, std::cyl_bessel_j(1.0, 10.0), 1e-7},
    {"besselj", {-1, 2.5}, -std::cyl_bessel_j(1.0, 2.5), 1e-7},
    {"besselj", {5, 2}, std::cyl_bessel_j(5.0, 2.0), 1e-7},
    {"besselj", {3, 20}, std::cyl_bessel_j(3.0, 20.0), 1e-7},
    {"besselj", {120, 0.5}, std::cyl_bessel_j(120.0, 0.5), 1e-6},
    {"bessely", {0, 0}, std::nullopt, 0},
    {"bessely", {0, 2}, std::cyl_neumann(0.0, 2.0), 1e-7},
    {"bessely", {3, 9}, std::cyl_neumann(3.0, 9.0), 1e-7},
    {"besseli", {2, 1}, 0.1357477, 1e-6},
    {"besseli", {3, 5}, std::cyl_bessel_i(3.0, 5.0), 1e-6},
    {"besselk", {1, 1}, 0.6019072, 1e-6},
    {"besselk", {1, -1}, std::nullopt, 0},
    {"besselk", {3, 4}, std::cyl_bessel_k(3.0, 4.0), 1e-6},
    {"lambertw", {-0.5}, std::nullopt, 0},
    {"lambertw", {0}, 0.0, 0},
    {"lambertw", {-1 / kE}, -1.0, 0},
    {"lambertw", {kE}, 1.0, 1e-15},
    {"lambertw", {10}, 1.7455280027406994, 1e-14},
    {"elliptic_k", {1}, kInf, 0},
    {"elliptic_k", {0.5}, std::comp_ellint_1(0.5), 1e-14},
    {"elliptic_e", {1.5}, kNaN, 0},
    {"elliptic_e", {0.9}, 1.1716970527816, 1e-12},
    {"elliptic_e", {0}, kPi / 2, 1e-15},
    {"tetragamma", {1}, -2.404114, 1e-6},
    {"tetragamma", {-1e15 + 0.5}, 0.0, 1e-6},
    {"polygamma", {2, 1}, -2.4041138063191885, 1e-6},
    {"polygamma", {1, 1}, kPi * kPi / 6, 1e-8},
    {"polygamma", {-1, 1}, std::nullopt, 0},
    {"polygamma", {3, -2}, std::nullopt, 0},
    {"trigamma", {-3}, std::nullopt, 0},
    {"trigamma", {-1e15 + 0.5}, kPi * kPi, 1e-6},
    {"erf", {0.5}, 0.5204998778130465, 1e-12},
    {"erf", {-0.5}, -0.5204998778130465, 1e-12},
    {"erfc", {0.5}, 1 - 0.5204998778130465, 1e-12},
    {"hermite", {3, 2}, 8 * 8 - 12 * 2, 0},
    {"hermite", {-1, 2}, std::nullopt, 0},
    {"assoc_legendre", {3, 1, 0.4}, std::assoc_legendre(3, 1, 0.4) * -1, 1e-12},
    {"assoc_legendre", {2, 3, 0.4}, std::nullopt, 0},
    {"spherical_harmonic", {1, 2, 0.3, 0.4}, std::nullopt, 0},
    {"spherical_harmonic", {2, 1, 0.3, 0.4},
     std::sqrt(5 / (4 * kPi) / 6) * -std::assoc_legendre(2, 1, std::cos(0.3)) * std::cos(0.4), 1e-12},
    {"ynm", {2, 1, 0.3, 0.4}, std::sqrt(5 / (4 * kPi) / 6) * -std::assoc_legendre(2, 1, std::cos(0.3)) * std::cos(0.4),
     1e-12},
};

INSTANTIATE_TEST_SUITE_P(EdgeValues, SymbolicFunctionValues, ::testing::ValuesIn(kValueCases));

}  // namespace
}  // namespace norvi::symbolic

