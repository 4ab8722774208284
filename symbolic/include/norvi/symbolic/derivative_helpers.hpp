#pragma once
// The small builders the derivative rules combine their pieces with. Each settles the trivial cases
// (a factor 0 or 1, a term 0, two numbers) before anything is allocated and leaves the rest to the
// general builders.
#include <cstddef>
#include <string_view>
#include <vector>

#include "norvi/symbolic/expr.hpp"
#include "norvi/symbolic/known_symbols.hpp"
#include "norvi/symbolic/symbol.hpp"

namespace norvi::symbolic {

// The position of a reserved name; a name that is not reserved does not compile.
consteval std::size_t known_position(std::string_view name) {
  for (std::size_t i = 0; i < kKnownSymbolNames.size(); ++i) {
    if (std::string_view(kKnownSymbolNames[i]) == name) return i;
  }
  throw "not a reserved name";
}

// The record of the reserved name at a position of the known symbols.
InternedSymbol known_symbol(std::size_t position);
// The record of a name, interned now.
InternedSymbol symbol_named(std::string_view name);

// Calls, made directly: no builder, no simplification, no evaluation.
Expr expr_call_unary(const InternedSymbol& name, Expr arg);
Expr expr_call_named(std::string_view name, std::vector<ExprPtr> args);
Expr expr_sqrt_call(Expr arg);

Expr chain_rule_product(Expr a, Expr b);
Expr expr_add_pair(Expr a, Expr b);
// a - b.
Expr expr_sub_pair(Expr a, Expr b);
Expr expr_negate(Expr x);

// Over shared operands; an operand handed back keeps its id and hash.
Expr expr_sum_shared(std::vector<ExprPtr> terms);
Expr expr_div_shared(const ExprPtr& numerator, const ExprPtr& denominator);
Expr expr_pow_shared(const ExprPtr& base, const ExprPtr& exponent);

}  // namespace norvi::symbolic
