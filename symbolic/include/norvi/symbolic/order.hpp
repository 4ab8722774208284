#pragma once
// The canonical order of expressions: the order in which sums keep their terms and products their
// factors. Terms over one base sit next to each other, by exponent and then by coefficient
// (5, x, 2*x, 3*x^2), so that collecting like terms and merging powers look at neighbours only.
#include <compare>

#include "norvi/symbolic/expr.hpp"

namespace norvi::symbolic {

// Less, equal or greater. Reads the nodes only: allocates nothing for ordinary depths and copies no
// node; deep trees are walked with an explicit stack.
std::strong_ordering expr_cmp(const Expr& a, const Expr& b);

// What the order looks at: the expression without a leading numeric factor and without its power
// (x for 3*x^2), that power's exponent (the constant one when there is none), and the numeric factor.
const Expr& expr_sort_key(const Expr& e);
const Expr& expr_order_exponent(const Expr& e);
double expr_order_coefficient(const Expr& e);

// The three of them taken once, for sorting many expressions without looking them up again on
// every comparison.
struct OrderParts {
  const Expr* node;
  const Expr* key;
  const Expr* exponent;
  double coefficient;
  bool exponent_is_number;
  double exponent_value;  // when it is a number
};
OrderParts expr_order_parts(const Expr& e);
// The same order as `expr_cmp` of the two nodes.
std::strong_ordering expr_cmp_parts(const OrderParts& a, const OrderParts& b);

}  // namespace norvi::symbolic
