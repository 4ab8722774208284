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
ExprPtr expr_call_unary(const InternedSymbol& name, ExprPtr arg);
ExprPtr expr_call_named(std::string_view name, std::vector<ExprPtr> args);
ExprPtr expr_sqrt_call(ExprPtr arg);

ExprPtr chain_rule_product(ExprPtr a, ExprPtr b);
ExprPtr expr_add_pair(ExprPtr a, ExprPtr b);
// a - b.
ExprPtr expr_sub_pair(ExprPtr a, ExprPtr b);
ExprPtr expr_negate(ExprPtr x);

// Over shared operands; an operand handed back keeps its id and hash.
ExprPtr expr_sum_shared(std::vector<ExprPtr> terms);
ExprPtr expr_div_shared(const ExprPtr& numerator, const ExprPtr& denominator);
ExprPtr expr_pow_shared(const ExprPtr& base, const ExprPtr& exponent);

}  // namespace norvi::symbolic
