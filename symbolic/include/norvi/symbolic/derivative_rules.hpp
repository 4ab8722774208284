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

Expr derive_sin(std::span<const ExprPtr> args, std::span<const Expr> arg_derivatives);
Expr derive_cos(std::span<const ExprPtr> args, std::span<const Expr> arg_derivatives);
Expr derive_tan(std::span<const ExprPtr> args, std::span<const Expr> arg_derivatives);
Expr derive_cot(std::span<const ExprPtr> args, std::span<const Expr> arg_derivatives);
Expr derive_sec(std::span<const ExprPtr> args, std::span<const Expr> arg_derivatives);
Expr derive_csc(std::span<const ExprPtr> args, std::span<const Expr> arg_derivatives);
Expr derive_asin(std::span<const ExprPtr> args, std::span<const Expr> arg_derivatives);
Expr derive_acos(std::span<const ExprPtr> args, std::span<const Expr> arg_derivatives);
Expr derive_atan(std::span<const ExprPtr> args, std::span<const Expr> arg_derivatives);
Expr derive_atan2(std::span<const ExprPtr> args, std::span<const Expr> arg_derivatives);
Expr derive_acot(std::span<const ExprPtr> args, std::span<const Expr> arg_derivatives);
Expr derive_asec(std::span<const ExprPtr> args, std::span<const Expr> arg_derivatives);
Expr derive_acsc(std::span<const ExprPtr> args, std::span<const Expr> arg_derivatives);
Expr derive_sinh(std::span<const ExprPtr> args, std::span<const Expr> arg_derivatives);
Expr derive_cosh(std::span<const ExprPtr> args, std::span<const Expr> arg_derivatives);
Expr derive_tanh(std::span<const ExprPtr> args, std::span<const Expr> arg_derivatives);
Expr derive_coth(std::span<const ExprPtr> args, std::span<const Expr> arg_derivatives);
Expr derive_sech(std::span<const ExprPtr> args, std::span<const Expr> arg_derivatives);
Expr derive_csch(std::span<const ExprPtr> args, std::span<const Expr> arg_derivatives);
Expr derive_asinh(std::span<const ExprPtr> args, std::span<const Expr> arg_derivatives);
Expr derive_acosh(std::span<const ExprPtr> args, std::span<const Expr> arg_derivatives);
Expr derive_atanh(std::span<const ExprPtr> args, std::span<const Expr> arg_derivatives);
Expr derive_acoth(std::span<const ExprPtr> args, std::span<const Expr> arg_derivatives);
Expr derive_asech(std::span<const ExprPtr> args, std::span<const Expr> arg_derivatives);
Expr derive_acsch(std::span<const ExprPtr> args, std::span<const Expr> arg_derivatives);
Expr derive_exp(std::span<const ExprPtr> args, std::span<const Expr> arg_derivatives);
Expr derive_ln(std::span<const ExprPtr> args, std::span<const Expr> arg_derivatives);
Expr derive_log(std::span<const ExprPtr> args, std::span<const Expr> arg_derivatives);
Expr derive_log10(std::span<const ExprPtr> args, std::span<const Expr> arg_derivatives);
Expr derive_log2(std::span<const ExprPtr> args, std::span<const Expr> arg_derivatives);
Expr derive_sqrt(std::span<const ExprPtr> args, std::span<const Expr> arg_derivatives);
Expr derive_cbrt(std::span<const ExprPtr> args, std::span<const Expr> arg_derivatives);
Expr derive_abs(std::span<const ExprPtr> args, std::span<const Expr> arg_derivatives);
Expr derive_signum(std::span<const ExprPtr> args, std::span<const Expr> arg_derivatives);
Expr derive_erf(std::span<const ExprPtr> args, std::span<const Expr> arg_derivatives);
Expr derive_erfc(std::span<const ExprPtr> args, std::span<const Expr> arg_derivatives);
Expr derive_gamma(std::span<const ExprPtr> args, std::span<const Expr> arg_derivatives);
Expr derive_digamma(std::span<const ExprPtr> args, std::span<const Expr> arg_derivatives);
Expr derive_trigamma(std::span<const ExprPtr> args, std::span<const Expr> arg_derivatives);
Expr derive_beta(std::span<const ExprPtr> args, std::span<const Expr> arg_derivatives);
Expr derive_besselj(std::span<const ExprPtr> args, std::span<const Expr> arg_derivatives);
Expr derive_bessely(std::span<const ExprPtr> args, std::span<const Expr> arg_derivatives);
Expr derive_besseli(std::span<const ExprPtr> args, std::span<const Expr> arg_derivatives);
Expr derive_besselk(std::span<const ExprPtr> args, std::span<const Expr> arg_derivatives);
Expr derive_polygamma(std::span<const ExprPtr> args, std::span<const Expr> arg_derivatives);
Expr derive_sinc(std::span<const ExprPtr> args, std::span<const Expr> arg_derivatives);
Expr derive_lambertw(std::span<const ExprPtr> args, std::span<const Expr> arg_derivatives);
Expr derive_elliptic_k(std::span<const ExprPtr> args, std::span<const Expr> arg_derivatives);
Expr derive_elliptic_e(std::span<const ExprPtr> args, std::span<const Expr> arg_derivatives);
Expr derive_zeta(std::span<const ExprPtr> args, std::span<const Expr> arg_derivatives);
Expr derive_zeta_deriv(std::span<const ExprPtr> args, std::span<const Expr> arg_derivatives);
Expr derive_hermite(std::span<const ExprPtr> args, std::span<const Expr> arg_derivatives);
Expr derive_assoc_legendre(std::span<const ExprPtr> args, std::span<const Expr> arg_derivatives);
Expr derive_spherical_harmonic(std::span<const ExprPtr> args, std::span<const Expr> arg_derivatives);
Expr derive_tetragamma(std::span<const ExprPtr> args, std::span<const Expr> arg_derivatives);
Expr derive_ynm(std::span<const ExprPtr> args, std::span<const Expr> arg_derivatives);
Expr derive_exp_polar(std::span<const ExprPtr> args, std::span<const Expr> arg_derivatives);

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
