#pragma once
// A compact rendering of an expression's structure (kinds and children, nothing simplified), so that
// tests can state an expected tree in one line: numbers by their shortest digits, symbols by name,
// Sum[..], Product[..], Div(a, b), Pow(a, b), name(args), D(inner, var, order), Poly(base; k:c ..).
#include <fmt/format.h>

#include <string>

#include "norvi/symbolic/expr.hpp"
#include "norvi/symbolic/symbol_registry.hpp"

namespace norvi::testing {

inline std::string expr_shape(const symbolic::Expr& e);

inline std::string expr_list_shape(const std::vector<symbolic::ExprPtr>& list) {
  std::string out;
  for (const auto& item : list) {
    if (!out.empty()) out += ", ";
    out += expr_shape(*item);
  }
  return out;
}

inline std::string symbol_shape(const symbolic::InternedSymbol& s) { return s.name != nullptr ? *s.name : "<unnamed>"; }

inline std::string expr_shape(const symbolic::Expr& e) {
  using namespace symbolic;
  const ExprKind& k = e.kind();
  if (const auto* n = std::get_if<Number>(&k)) return fmt::format("{}", n->value);
  if (const auto* s = std::get_if<Symbol>(&k)) return symbol_shape(s->symbol);
  if (const auto* f = std::get_if<FunctionCall>(&k)) return symbol_shape(f->name) + "(" + expr_list_shape(f->args) + ")";
  if (const auto* s = std::get_if<Sum>(&k)) return "Sum[" + expr_list_shape(s->terms) + "]";
  if (const auto* p = std::get_if<Product>(&k)) return "Product[" + expr_list_shape(p->factors) + "]";
  if (const auto* d = std::get_if<Div>(&k)) return "Div(" + expr_shape(*d->numerator) + ", " + expr_shape(*d->denominator) + ")";
  if (const auto* p = std::get_if<Pow>(&k)) return "Pow(" + expr_shape(*p->base) + ", " + expr_shape(*p->exponent) + ")";
  if (const auto* d = std::get_if<Derivative>(&k)) {
    return fmt::format("D({}, {}, {})", expr_shape(*d->inner), symbol_shape(d->var), d->order);
  }
  const auto& p = std::get<Poly>(k).polynomial;
  std::string out = "Poly(" + expr_shape(*p.base) + ";";
  for (const PolyTerm& t : p.terms) out += fmt::format(" {}:{}", t.exponent, t.coefficient);
  return out + ")";
}

}  // namespace norvi::testing
