#pragma once
// The derivative rule of every known function, reached through the rows of the function table.
// Each builds the derivative of one call from the call's argument nodes and their derivatives,
// chain rule included; floor, ceil and round share the rule of signum (their derivative is 0
// wherever it exists).
#include <array>
#include <span>
#include <string_view>

#include "norvi/symbolic/expr.hpp"
#include "norvi/symbolic/function_table.hpp"

namespace norvi::symbolic {

ExprPtr derive_sin(std::span<const ExprPtr> args, std::span<const ExprPtr> arg_derivatives);
ExprPtr derive_cos(std::span<const ExprPtr> args, std::span<const ExprPtr> arg_derivatives);
ExprPtr derive_tan(std::span<const ExprPtr> args, std::span<const ExprPtr> arg_derivatives);
ExprPtr derive_cot(std::span<const ExprPtr> args, std::span<const ExprPtr> arg_derivatives);
ExprPtr derive_sec(std::span<const ExprPtr> args, std::span<const ExprPtr> arg_derivatives);
ExprPtr derive_csc(std::span<const ExprPtr> args, std::span<const ExprPtr> arg_derivatives);
ExprPtr derive_asin(std::span<const ExprPtr> args, std::span<const ExprPtr> arg_derivatives);
ExprPtr derive_acos(std::span<const ExprPtr> args, std::span<const ExprPtr> arg_derivatives);
ExprPtr derive_atan(std::span<const ExprPtr> args, std::span<const ExprPtr> arg_derivatives);
ExprPtr derive_atan2(std::span<const ExprPtr> args, std::span<const ExprPtr> arg_derivatives);
ExprPtr derive_acot(std::span<const ExprPtr> args, std::span<const ExprPtr> arg_derivatives);
ExprPtr derive_asec(std::span<const ExprPtr> args, std::span<const ExprPtr> arg_derivatives);
ExprPtr derive_acsc(std::span<const ExprPtr> args, std::span<const ExprPtr> arg_derivatives);
ExprPtr derive_sinh(std::span<const ExprPtr> args, std::span<const ExprPtr> arg_derivatives);
ExprPtr derive_cosh(std::span<const ExprPtr> args, std::span<const ExprPtr> arg_derivatives);
ExprPtr derive_tanh(std::span<const ExprPtr> args, std::span<const ExprPtr> arg_derivatives);
ExprPtr derive_coth(std::span<const ExprPtr> args, std::span<const ExprPtr> arg_derivatives);
ExprPtr derive_sech(std::span<const ExprPtr> args, std::span<const ExprPtr> arg_derivatives);
ExprPtr derive_csch(std::span<const ExprPtr> args, std::span<const ExprPtr> arg_derivatives);
ExprPtr derive_asinh(std::span<const ExprPtr> args, std::span<const ExprPtr> arg_derivatives);
ExprPtr derive_acosh(std::span<const ExprPtr> args, std::span<const ExprPtr> arg_derivatives);
ExprPtr derive_atanh(std::span<const ExprPtr> args, std::span<const ExprPtr> arg_derivatives);
ExprPtr derive_acoth(std::span<const ExprPtr> args, std::span<const ExprPtr> arg_derivatives);
ExprPtr derive_asech(std::span<const ExprPtr> args, std::span<const ExprPtr> arg_derivatives);
ExprPtr derive_acsch(std::span<const ExprPtr> args, std::span<const ExprPtr> arg_derivatives);
ExprPtr derive_exp(std::span<const ExprPtr> args, std::span<const ExprPtr> arg_derivatives);
ExprPtr derive_ln(std::span<const ExprPtr> args, std::span<const ExprPtr> arg_derivatives);
ExprPtr derive_log(std::span<const ExprPtr> args, std::span<const ExprPtr> arg_derivatives);
ExprPtr derive_log10(std::span<const ExprPtr> args, std::span<const ExprPtr> arg_derivatives);
ExprPtr derive_log2(std::span<const ExprPtr> args, std::span<const ExprPtr> arg_derivatives);
ExprPtr derive_sqrt(std::span<const ExprPtr> args, std::span<const ExprPtr> arg_derivatives);
ExprPtr derive_cbrt(std::span<const ExprPtr> args, std::span<const ExprPtr> arg_derivatives);
ExprPtr derive_abs(std::span<const ExprPtr> args, std::span<const ExprPtr> arg_derivatives);
ExprPtr derive_signum(std::span<const ExprPtr> args, std::span<const ExprPtr> arg_derivatives);
ExprPtr derive_erf(std::span<const ExprPtr> args, std::span<const ExprPtr> arg_derivatives);
ExprPtr derive_erfc(std::span<const ExprPtr> args, std::span<const ExprPtr> arg_derivatives);
ExprPtr derive_gamma(std::span<const ExprPtr> args, std::span<const ExprPtr> arg_derivatives);
ExprPtr derive_digamma(std::span<const ExprPtr> args, std::span<const ExprPtr> arg_derivatives);
ExprPtr derive_trigamma(std::span<const ExprPtr> args, std::span<const ExprPtr> arg_derivatives);
ExprPtr derive_beta(std::span<const ExprPtr> args, std::span<const ExprPtr> arg_derivatives);
ExprPtr derive_besselj(std::span<const ExprPtr> args, std::span<const ExprPtr> arg_derivatives);
ExprPtr derive_bessely(std::span<const ExprPtr> args, std::span<const ExprPtr> arg_derivatives);
ExprPtr derive_besseli(std::span<const ExprPtr> args, std::span<const ExprPtr> arg_derivatives);
ExprPtr derive_besselk(std::span<const ExprPtr> args, std::span<const ExprPtr> arg_derivatives);
ExprPtr derive_polygamma(std::span<const ExprPtr> args, std::span<const ExprPtr> arg_derivatives);
ExprPtr derive_sinc(std::span<const ExprPtr> args, std::span<const ExprPtr> arg_derivatives);
ExprPtr derive_lambertw(std::span<const ExprPtr> args, std::span<const ExprPtr> arg_derivatives);
ExprPtr derive_elliptic_k(std::span<const ExprPtr> args, std::span<const ExprPtr> arg_derivatives);
ExprPtr derive_elliptic_e(std::span<const ExprPtr> args, std::span<const ExprPtr> arg_derivatives);
ExprPtr derive_zeta(std::span<const ExprPtr> args, std::span<const ExprPtr> arg_derivatives);
ExprPtr derive_zeta_deriv(std::span<const ExprPtr> args, std::span<const ExprPtr> arg_derivatives);
ExprPtr derive_hermite(std::span<const ExprPtr> args, std::span<const ExprPtr> arg_derivatives);
ExprPtr derive_assoc_legendre(std::span<const ExprPtr> args, std::span<const ExprPtr> arg_derivatives);
ExprPtr derive_spherical_harmonic(std::span<const ExprPtr> args, std::span<const ExprPtr> arg_derivatives);
ExprPtr derive_tetragamma(std::span<const ExprPtr> args, std::span<const ExprPtr> arg_derivatives);
ExprPtr derive_ynm(std::span<const ExprPtr> args, std::span<const ExprPtr> arg_derivatives);
ExprPtr derive_exp_polar(std::span<const ExprPtr> args, std::span<const ExprPtr> arg_derivatives);

struct NamedDerivativeRule {
  std::string_view name;
  DerivativeRule rule;
};

inline constexpr std::array<NamedDerivativeRule, kKnownFunctionCount> kDerivativeRules = {{
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

}  // namespace norvi::symbolic
