#include "norvi/symbolic/construction.hpp"

#include <utility>

namespace norvi::symbolic {

ExprPtr expr_sum(std::vector<ExprPtr> terms) { return expr_from_kind(Sum{std::move(terms)}); }
ExprPtr expr_product(std::vector<ExprPtr> factors) { return expr_from_kind(Product{std::move(factors)}); }
ExprPtr expr_div(ExprPtr numerator, ExprPtr denominator) {
  return expr_from_kind(Div{std::move(numerator), std::move(denominator)});
}
ExprPtr expr_pow(ExprPtr base, ExprPtr exponent) { return expr_from_kind(Pow{std::move(base), std::move(exponent)}); }
ExprPtr expr_poly(Polynomial polynomial) { return expr_from_kind(Poly{std::move(polynomial)}); }

}  // namespace norvi::symbolic
