#include "norvi/symbolic/function_table.hpp"

#include <array>
#include <cmath>
#include <limits>
#include <string_view>
#include <unordered_map>

#include "norvi/symbolic/derivative_rules.hpp"
#include "norvi/symbolic/fatal.hpp"
#include "norvi/symbolic/special_functions.hpp"
#include "norvi/symbolic/symbol_registry.hpp"

namespace norvi::symbolic {
namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kHalfPi = 1.5707963267948966;

using Value = std::optional<double>;

// A row of arity N: the evaluation reads the first N values and has none with fewer.
template <std::size_t N, Value (*F)(std::span<const double, N>)>
Value row(std::span<const double> values) {
  if (values.size() < N) return std::nullopt;
  return F(values.first<N>());
}

template <double (*F)(double)>
Value unary(std::span<const double, 1> v) {
  return F(v[0]);
}

// The C library's functions are overloaded; these fix the double ones.
double c_sin(double x) { return std::sin(x); }
double c_cos(double x) { return std::cos(x); }
double c_tan(double x) { return std::tan(x); }
double c_asin(double x) { return std::asin(x); }
double c_acos(double x) { return std::acos(x); }
double c_atan(double x) { return std::atan(x); }
double c_sinh(double x) { return std::sinh(x); }
double c_cosh(double x) { return std::cosh(x); }
double c_tanh(double x) { return std::tanh(x); }
double c_asinh(double x) { return std::asinh(x); }
double c_acosh(double x) { return std::acosh(x); }
double c_exp(double x) { return std::exp(x); }
double c_log(double x) { return std::log(x); }
double c_log10(double x) { return std::log10(x); }
double c_log2(double x) { return std::log2(x); }
double c_sqrt(double x) { return std::sqrt(x); }
double c_cbrt(double x) { return std::cbrt(x); }
double c_abs(double x) { return std::fabs(x); }
double c_floor(double x) { return std::floor(x); }
double c_ceil(double x) { return std::ceil(x); }
double c_round(double x) { return std::round(x); }

double cot(double x) { return 1 / std::tan(x); }
double sec(double x) { return 1 / std::cos(x); }
double csc(double x) { return 1 / std::sin(x); }
double acot(double x) {
  if (std::fabs(x) < 1e-15) return kHalfPi;
  return x > 0 ? std::atan(1 / x) : std::atan(1 / x) + kPi;
}
double asec(double x) { return std::acos(1 / x); }
double acsc(double x) { return std::asin(1 / x); }
double coth(double x) { return 1 / std::tanh(x); }
double sech(double x) { return 1 / std::cosh(x); }
double csch(double x) { return 1 / std::sinh(x); }
double atanh(double x) { return std::atanh(x); }
// As log1p of 2 / (|x| - 1), odd in x: the quotient (x + 1) / (x - 1) loses the digits of large x,
// and |x| - 1 is exact near 1.
double acoth(double x) { return std::copysign(0.5 * std::log1p(2 / (std::fabs(x) - 1)), x); }
double asech(double x) { return std::acosh(1 / x); }
double signum(double x) { return std::isnan(x) ? x : std::copysign(1.0, x); }
double sinc(double x) {
  if (std::fabs(x) < 1e-10) return 1 - x * x / 6 + x * x * x * x / 120;
  return std::sin(x) / x;
}

Value acsch(std::span<const double, 1> v) {
  if (std::fabs(v[0]) < 1e-15) return std::nullopt;
  return std::asinh(1 / v[0]);
}
Value atan2_row(std::span<const double, 2> v) { return std::atan2(v[0], v[1]); }
Value log_row(std::span<const double, 2> v) {
  const double base = v[0];
  const double x = v[1];
  if (base <= 0 || base == 1 || x <= 0) return std::nullopt;
  return std::log(x) / std::log(base);
}
Value gamma_row(std::span<const double, 1> v) { return gamma_f64(v[0]); }
Value digamma_row(std::span<const double, 1> v) { return digamma_f64(v[0]); }
Value trigamma_row(std::span<const double, 1> v) { return trigamma_f64(v[0]); }
Value tetragamma_row(std::span<const double, 1> v) { return tetragamma_f64(v[0]); }
Value beta_row(std::span<const double, 2> v) { return beta_f64(v[0], v[1]); }
Value besselj_row(std::span<const double, 2> v) { return bessel_j_f64(round_to_i32(v[0]), v[1]); }
Value bessely_row(std::span<const double, 2> v) { return bessel_y_f64(round_to_i32(v[0]), v[1]); }
Value besseli_row(std::span<const double, 2> v) { return bessel_i_f64(round_to_i32(v[0]), v[1]); }
Value besselk_row(std::span<const double, 2> v) { return bessel_k_f64(round_to_i32(v[0]), v[1]); }
Value polygamma_row(std::span<const double, 2> v) { return polygamma_f64(round_to_i32(v[0]), v[1]); }
Value lambertw_row(std::span<const double, 1> v) { return lambert_w0_f64(v[0]); }
Value zeta_row(std::span<const double, 1> v) { return zeta_f64(v[0]); }
Value zeta_deriv_row(std::span<const double, 2> v) { return zeta_deriv_f64(round_to_i32(v[0]), v[1]); }
Value hermite_row(std::span<const double, 2> v) { return hermite_f64(round_to_i32(v[0]), v[1]); }
Value assoc_legendre_row(std::span<const double, 3> v) {
  return assoc_legendre_f64(round_to_i32(v[0]), round_to_i32(v[1]), v[2]);
}
Value spherical_harmonic_row(std::span<const double, 4> v) {
  return spherical_harmonic_re_f64(round_to_i32(v[0]), round_to_i32(v[1]), v[2], v[3]);
}

template <double (*F)(double)>
constexpr FunctionDefinition elementary(const char* name) {
  return FunctionDefinition{name, &row<1, &unary<F>>, nullptr, 1, 1, false};
}
template <std::size_t N, Value (*F)(std::span<const double, N>)>
constexpr FunctionDefinition special(const char* name) {
  return FunctionDefinition{name, &row<N, F>, nullptr, N, N, false};
}

struct NamedDerivativeRule {
  std::string_view name;
  DerivativeRule rule;
};

constexpr std::array<NamedDerivativeRule, kKnownFunctionCount> kDerivativeRules = {{
    {"sin", &derive_sin},
    {"cos", &derive_cos},
    {"tan", &derive_tan},
    {"cot", &derive_cot},
    {"sec", &derive_sec},
    {"csc", &derive_csc},
    {"asin", &derive_asin},
    {"acos", &derive_acos},
    {"atan", &derive_atan},
    {"atan2", &derive_atan2},
    {"acot", &derive_acot},
    {"asec", &derive_asec},
    {"acsc", &derive_acsc},
    {"sinh", &derive_sinh},
    {"cosh", &derive_cosh},
    {"tanh", &derive_tanh},
    {"coth", &derive_coth},
    {"sech", &derive_sech},
    {"csch", &derive_csch},
    {"asinh", &derive_asinh},
    {"acosh", &derive_acosh},
    {"atanh", &derive_atanh},
    {"acoth", &derive_acoth},
    {"asech", &derive_asech},
    {"acsch", &derive_acsch},
    {"exp", &derive_exp},
    {"ln", &derive_ln},
    {"log", &derive_log},
    {"log10", &derive_log10},
    {"log2", &derive_log2},
    {"sqrt", &derive_sqrt},
    {"cbrt", &derive_cbrt},
    {"abs", &derive_abs},
    {"signum", &derive_signum},
    {"erf", &derive_erf},
    {"erfc", &derive_erfc},
    {"gamma", &derive_gamma},
    {"digamma", &derive_digamma},
    {"trigamma", &derive_trigamma},
    {"beta", &derive_beta},
    {"besselj", &derive_besselj},
    {"bessely", &derive_bessely},
    {"besseli", &derive_besseli},
    {"besselk", &derive_besselk},
    {"polygamma", &derive_polygamma},
    {"sinc", &derive_sinc},
    {"lambertw", &derive_lambertw},
    {"elliptic_k", &derive_elliptic_k},
    {"elliptic_e", &derive_elliptic_e},
    {"zeta", &derive_zeta},
    {"zeta_deriv", &derive_zeta_deriv},
    {"hermite", &derive_hermite},
    {"assoc_legendre", &derive_assoc_legendre},
    {"spherical_harmonic", &derive_spherical_harmonic},
    {"tetragamma", &derive_tetragamma},
    {"ynm", &derive_ynm},
    {"exp_polar", &derive_exp_polar},
    {"floor", &derive_signum},
    {"ceil", &derive_signum},
    {"round", &derive_signum},
}};

// The rule of a known function's row; null for a name without a row.
constexpr DerivativeRule derivative_rule_for(std::string_view name) {
  for (const NamedDerivativeRule& entry : kDerivativeRules) {
    if (entry.name == name) return entry.rule;
  }
  return nullptr;
}

using Rows = std::array<FunctionDefinition, kKnownFunctionCount>;

// Each row gets the derivative rule of its name.
constexpr Rows with_derivative_rules(Rows rows) {
  for (FunctionDefinition& row : rows) row.derivative = derivative_rule_for(row.name);
  return rows;
}

constexpr Rows kRows = with_derivative_rules({
    elementary<c_sin>("sin"),
    elementary<c_cos>("cos"),
    elementary<c_tan>("tan"),
    elementary<cot>("cot"),
    elementary<sec>("sec"),
    elementary<csc>("csc"),
    elementary<c_asin>("asin"),
    elementary<c_acos>("acos"),
    elementary<c_atan>("atan"),
    special<2, atan2_row>("atan2"),
    elementary<acot>("acot"),
    elementary<asec>("asec"),
    elementary<acsc>("acsc"),
    elementary<c_sinh>("sinh"),
    elementary<c_cosh>("cosh"),
    elementary<c_tanh>("tanh"),
    elementary<coth>("coth"),
    elementary<sech>("sech"),
    elementary<csch>("csch"),
    elementary<c_asinh>("asinh"),
    elementary<c_acosh>("acosh"),
    elementary<atanh>("atanh"),
    elementary<acoth>("acoth"),
    elementary<asech>("asech"),
    special<1, acsch>("acsch"),
    elementary<c_exp>("exp"),
    elementary<c_log>("ln"),
    special<2, log_row>("log"),
    elementary<c_log10>("log10"),
    elementary<c_log2>("log2"),
    elementary<c_sqrt>("sqrt"),
    elementary<c_cbrt>("cbrt"),
    elementary<c_abs>("abs"),
    elementary<signum>("signum"),
    elementary<erf_f64>("erf"),
    elementary<erfc_f64>("erfc"),
    special<1, gamma_row>("gamma"),
    special<1, digamma_row>("digamma"),
    special<1, trigamma_row>("trigamma"),
    special<2, beta_row>("beta"),
    special<2, besselj_row>("besselj"),
    special<2, bessely_row>("bessely"),
    special<2, besseli_row>("besseli"),
    special<2, besselk_row>("besselk"),
    special<2, polygamma_row>("polygamma"),
    elementary<sinc>("sinc"),
    special<1, lambertw_row>("lambertw"),
    elementary<elliptic_k_f64>("elliptic_k"),
    elementary<elliptic_e_f64>("elliptic_e"),
    special<1, zeta_row>("zeta"),
    special<2, zeta_deriv_row>("zeta_deriv"),
    special<2, hermite_row>("hermite"),
    special<3, assoc_legendre_row>("assoc_legendre"),
    special<4, spherical_harmonic_row>("spherical_harmonic"),
    special<1, tetragamma_row>("tetragamma"),
    special<4, spherical_harmonic_row>("ynm"),
    elementary<c_exp>("exp_polar"),
    elementary<c_floor>("floor"),
    elementary<c_ceil>("ceil"),
    elementary<c_round>("round"),
});

using FunctionRegistry = std::unordered_map<std::uint64_t, FunctionDefinition>;

FunctionRegistry build_function_table() {
  FunctionRegistry registry;
  for (const FunctionDefinition& definition : kRows) {
    const auto record = symbol_by_key(intern_symbol(definition.name).as_u64());
    if (!record) fatal_error("Just-created symbol should always be found");
    registry.insert_or_assign(record->key.as_u64(), definition);
  }
  return registry;
}

}  // namespace

std::span<const FunctionDefinition> function_rows() { return kRows; }

const FunctionDefinition* get_function_definition(DefaultKey key) {
  static const FunctionRegistry registry = build_function_table();
  const auto found = registry.find(key.as_u64());
  return found == registry.end() ? nullptr : &found->second;
}

}  // namespace norvi::symbolic
