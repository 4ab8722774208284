#pragma once
// The derivative rule of every known function, reached through the rows of the function table.
// Each builds the derivative of one call from the call's argument nodes and their derivatives,
// chain rule included; floor, ceil and round share the rule of signum (their derivative is 0
// wherever it exists).
#include <span>

#include "norvi/symbolic/expr.hpp"

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

}  // namespace norvi::symbolic
