#pragma once
// Builders of compound nodes. For now they build the node from the operands as given: folding,
// flattening, canonical order and like-term collection are not done yet.
#include <vector>

#include "norvi/symbolic/expr.hpp"

namespace norvi::symbolic {

Expr expr_sum(std::vector<ExprPtr> terms);
Expr expr_product(std::vector<ExprPtr> factors);
Expr expr_div(Expr numerator, Expr denominator);
Expr expr_pow(Expr base, Expr exponent);
Expr expr_poly(Polynomial polynomial);

}  // namespace norvi::symbolic
