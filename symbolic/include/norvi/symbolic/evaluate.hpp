#pragma once
// Numeric evaluation: constants, bound variables and known calls of numbers become numbers; what
// cannot be computed stays symbolic. Never fails; the input is left untouched.
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>

#include "norvi/symbolic/expr.hpp"

namespace norvi::symbolic {

using Bindings = std::map<std::string, double, std::less<>>;
using CustomFunction = std::function<std::optional<double>(std::span<const double>)>;
using CustomFunctions = std::map<std::string, CustomFunction, std::less<>>;

ExprPtr evaluate_expr_rec(const Expr& expr, const CustomFunctions& custom);
ExprPtr evaluate_with_bindings(const Expr& expr, const Bindings& bindings, const CustomFunctions& custom);

}  // namespace norvi::symbolic
