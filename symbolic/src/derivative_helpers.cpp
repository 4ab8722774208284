#include "norvi/symbolic/derivative_helpers.hpp"

#include <algorithm>
#include <cmath>
#include <utility>

#include "norvi/symbolic/construction.hpp"
#include "norvi/symbolic/fatal.hpp"
#include "norvi/symbolic/symbol_registry.hpp"

namespace norvi::symbolic {
namespace {

constexpr double kTolerance = kBuildTolerance;

// Both false for NaN.
bool near_zero(double v) { return std::fabs(v) < kTolerance; }
bool near_one(double v) { return std::fabs(v - 1) < kTolerance; }

const double* number_of(const ExprPtr& e) {
  const auto* n = std::get_if<Number>(&e->kind());
  return n != nullptr ? &n->value : nullptr;
}
bool is_number_near_zero(const ExprPtr& e) {
  const double* v = number_of(e);
  return v != nullptr && near_zero(*v);
}
bool is_number_near_one(const ExprPtr& e) {
  const double* v = number_of(e);
  return v != nullptr && near_one(*v);
}

ExprPtr number(double v) { return expr_from_kind(Number{v}); }

bool same_node(const ExprPtr& a, const ExprPtr& b) {
  return a == b || (a->hash() == b->hash() && expr_structural_eq(a, b));
}

}  // namespace

InternedSymbol known_symbol(std::size_t position) {
  auto record = symbol_by_key(known_symbols().keys[position].as_u64());
  if (!record) fatal_error("Known symbol ID not found in registry");
  return *std::move(record);
}

InternedSymbol symbol_named(std::string_view name) {
  auto record = symbol_by_key(intern_symbol(name).as_u64());
  if (!record) fatal_error("Just-created symbol should always be found");
  return *std::move(record);
}

ExprPtr expr_call_unary(const InternedSymbol& name, ExprPtr arg) {
  return expr_from_kind(FunctionCall{name, {std::move(arg)}});
}

ExprPtr expr_call_named(std::string_view name, std::vector<ExprPtr> args) {
  return expr_from_kind(FunctionCall{symbol_named(name), std::move(args)});
}

ExprPtr expr_sqrt_call(ExprPtr arg) { return expr_call_unary(symbol_named("sqrt"), std::move(arg)); }

ExprPtr chain_rule_product(ExprPtr a, ExprPtr b) {
  const double* av = number_of(a);
  const double* bv = number_of(b);
  if (av != nullptr && near_zero(*av)) return number(0.0);
  if (av != nullptr && bv != nullptr) {
    if (near_zero(*bv)) return number(0.0);
    if (near_one(*av)) return b;
    if (near_one(*bv)) return a;
    return number(*av * *bv);
  }
  if (av != nullptr) {
    if (near_one(*av)) return b;
  } else if (bv != nullptr) {
    if (near_zero(*bv)) return number(0.0);
    if (near_one(*bv)) return a;
  } else {
    const auto* pa = std::get_if<Poly>(&a->kind());
    const auto* pb = std::get_if<Poly>(&b->kind());
    if (pa != nullptr && pb != nullptr && same_node(pa->polynomial.base, pb->polynomial.base)) {
      // A product whose exponents leave the 32-bit range stays a plain product.
      if (auto product = poly_mul(pa->polynomial, pb->polynomial)) return expr_poly(*std::move(product));
    }
  }
  return expr_product({std::move(a), std::move(b)});
}

ExprPtr expr_add_pair(ExprPtr a, ExprPtr b) {
  const double* av = number_of(a);
  const double* bv = number_of(b);
  if (av != nullptr) {
    if (near_zero(*av)) return b;
    if (bv != nullptr) return near_zero(*bv) ? std::move(a) : number(*av + *bv);
  } else if (bv != nullptr && near_zero(*bv)) {
    return a;
  }
  return expr_sum({std::move(a), std::move(b)});
}

ExprPtr expr_sub_pair(ExprPtr a, ExprPtr b) {
  const double* av = number_of(a);
  const double* bv = number_of(b);
  // Two numbers subtract exactly: no tolerance here.
  if (av != nullptr && bv != nullptr) return number(*av - *bv);
  if (av != nullptr && near_zero(*av)) return expr_negate(std::move(b));
  if (av == nullptr && bv != nullptr && near_zero(*bv)) return a;
  return expr_sum({std::move(a), expr_product({number(-1.0), std::move(b)})});
}

ExprPtr expr_negate(ExprPtr x) { return expr_product({number(-1.0), std::move(x)}); }

ExprPtr expr_sum_shared(std::vector<ExprPtr> terms) {
  if (terms.size() == 1) return std::move(terms.front());
  if (terms.empty()) return number(0.0);
  const bool folds = std::any_of(terms.begin(), terms.end(), [](const ExprPtr& t) {
    return std::holds_alternative<Number>(t->kind()) || std::holds_alternative<Sum>(t->kind());
  });
  // Nothing to fold or splice: straight to collection, without the general sum's working list.
  if (!folds) return collect_like_terms(std::move(terms));
  return expr_sum(std::move(terms));
}

ExprPtr expr_div_shared(const ExprPtr& numerator, const ExprPtr& denominator) {
  if (same_node(numerator, denominator) && !is_number_near_zero(numerator)) return number(1.0);
  if (is_number_near_one(denominator)) return numerator;
  if (is_number_near_zero(numerator) && !is_number_near_zero(denominator)) return number(0.0);
  return expr_from_kind(Div{numerator, denominator});
}

ExprPtr expr_pow_shared(const ExprPtr& base, const ExprPtr& exponent) {
  if (is_number_near_zero(exponent)) return number(1.0);
  if (is_number_near_one(exponent)) return base;
  if (is_number_near_one(base)) return number(1.0);
  const double* e = number_of(exponent);
  if (is_number_near_zero(base) && e != nullptr && *e > 0) return number(0.0);
  return expr_from_kind(Pow{base, exponent});
}

}  // namespace norvi::symbolic
