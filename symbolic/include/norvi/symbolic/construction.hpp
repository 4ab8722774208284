#pragma once
// Builders of compound nodes. Every builder simplifies while it builds: numbers fold, nested sums and
// products flatten (sharing their children), terms and factors take the canonical order, equal bases
// of a product merge into one power and like terms of a sum merge into one polynomial. Nothing
// simplifies an expression later.
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "norvi/symbolic/expr.hpp"

namespace norvi::symbolic {

// The one tolerance of the builders: near zero is |x| < 1e-14, near one |x - 1| < 1e-14, integral
// |x - trunc(x)| < 1e-14.
inline constexpr double kBuildTolerance = 1e-14;

ExprPtr expr_sum(std::vector<ExprPtr> terms);
ExprPtr expr_product(std::vector<ExprPtr> factors);
ExprPtr expr_product_normalize(std::vector<ExprPtr> factors);
ExprPtr expr_div(ExprPtr numerator, ExprPtr denominator);
ExprPtr expr_pow(ExprPtr base, ExprPtr exponent);
// A Number when at most a constant term is left, else a Poly node holding the polynomial as given.
ExprPtr expr_poly(Polynomial polynomial);

// The sum of at least two terms, like terms merged.
ExprPtr collect_like_terms(std::vector<ExprPtr> terms);
// The product of at least two factors in canonical order, powers of one base merged.
ExprPtr merge_product_powers(std::vector<ExprPtr> sorted_factors);

// The working form of like-term collection. Conversion fails (none) where an expression is not a
// polynomial in one base with 32-bit exponents; the collection then keeps the terms as they are.
std::optional<Polynomial> to_polynomial(const ExprPtr& expr);
// Adds `added` into `accumulator`; false (accumulator unchanged) when both are non-constant over
// different bases.
bool poly_add_assign(Polynomial& accumulator, const Polynomial& added);
Polynomial poly_scale(Polynomial polynomial, double factor);
// Both over the same base; none when an exponent of the product leaves the unsigned 32-bit range.
std::optional<Polynomial> poly_mul(const Polynomial& a, const Polynomial& b);
Polynomial poly_constant(double value);
Polynomial poly_atom(ExprPtr expr);
// A power's base and exponent; any other factor itself with the constant one as exponent.
std::pair<ExprPtr, ExprPtr> split_base_exponent(const ExprPtr& factor);
// The hash of the base a term would collect over (0 for numbers, which never collect), or none.
std::optional<std::uint64_t> poly_base_key(const Expr& term);

}  // namespace norvi::symbolic
