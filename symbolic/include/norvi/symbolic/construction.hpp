#pragma once
// Builders of compound nodes. For now they build the node from the operands as given: folding,
// flattening, canonical order and like-term collection are not done yet.
#include <vector>

#include "norvi/symbolic/expr.hpp"

namespace norvi::symbolic {

ExprPtr expr_sum(std::vector<ExprPtr> terms);
ExprPtr expr_product(std::vector<ExprPtr> factors);
ExprPtr expr_div(ExprPtr numerator, ExprPtr denominator);
ExprPtr expr_pow(ExprPtr base, ExprPtr exponent);
ExprPtr expr_poly(Polynomial polynomial);

}  // namespace norvi::symbolic
