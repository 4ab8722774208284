#include "norvi/symbolic/construction.hpp"

#include <utility>

namespace norvi::symbolic {

Expr expr_sum(std::vector<ExprPtr> terms) { return expr_from_kind(Sum{std::move(terms)}); }
Expr expr_product(std::vector<ExprPtr> factors) { return expr_from_kind(Product{std::move(factors)}); }
Expr expr_div(Expr numerator, Expr denominator) {
  return expr_from_kind(Div{share(std::move(numerator)), share(std::move(denominator))});
}
Expr expr_pow(Expr base, Expr exponent) {
  return expr_from_kind(Pow{share(std::move(base)), share(std::move(exponent))});
}
Expr expr_poly(Polynomial polynomial) { return expr_from_kind(Poly{std::move(polynomial)}); }

}  // namespace norvi::symbolic
