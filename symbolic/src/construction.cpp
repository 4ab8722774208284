#include "norvi/symbolic/construction.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

#include "norvi/symbolic/order.hpp"

namespace norvi::symbolic {
namespace {

bool near_zero(double x) { return std::abs(x) < kBuildTolerance; }
bool near_one(double x) { return std::abs(x - 1.0) < kBuildTolerance; }
bool integral(double x) { return std::abs(x - std::trunc(x)) < kBuildTolerance; }

ExprPtr number_node(double value) { return expr_from_kind(Number{value}); }

const double* number_of(const ExprPtr& e) {
  const auto* n = std::get_if<Number>(&e->kind());
  return n != nullptr ? &n->value : nullptr;
}

// A Number exponent of at least 1 that is integral: the powers whose base a term collects over.
bool collecting_exponent(const Expr& exponent) {
  const auto* n = std::get_if<Number>(&exponent.kind());
  return n != nullptr && n->value >= 1.0 && integral(n->value);
}

bool same_node(const ExprPtr& a, const ExprPtr& b) {
  return a == b || (a->hash() == b->hash() && expr_structural_eq(a->kind(), b->kind()));
}

// A stable sort by the canonical order. Each entry's key, exponent and coefficient are looked up
// once, not on every comparison, which keeps the sort of long lists from chasing pointers.
void sort_canonical(std::vector<ExprPtr>& list) {
  struct Entry {
    OrderParts parts;
    std::size_t index;
  };
  std::vector<Entry> entries;
  entries.reserve(list.size());
  for (std::size_t i = 0; i < list.size(); ++i) entries.push_back(Entry{expr_order_parts(*list[i]), i});
  std::stable_sort(entries.begin(), entries.end(),
                   [](const Entry& a, const Entry& b) { return expr_cmp_parts(a.parts, b.parts) < 0; });
  std::vector<ExprPtr> sorted;
  sorted.reserve(list.size());
  for (const Entry& e : entries) sorted.push_back(std::move(list[e.index]));
  list = std::move(sorted);
}

bool is_constant(const Polynomial& p) { return p.terms.size() == 1 && p.terms.front().exponent == 0; }

// Adds c at exponent k, keeping the terms sorted and dropping a coefficient that cancels to near zero.
void add_term(std::vector<PolyTerm>& terms, std::uint32_t exponent, double coefficient) {
  auto at = std::lower_bound(terms.begin(), terms.end(), exponent,
                             [](const PolyTerm& t, std::uint32_t k) { return t.exponent < k; });
  if (at != terms.end() && at->exponent == exponent) {
    at->coefficient += coefficient;
    if (near_zero(at->coefficient)) terms.erase(at);
  } else {
    terms.insert(at, PolyTerm{exponent, coefficient});
  }
}

// The base a factor merges over: a power's base, any other factor itself.
const ExprPtr& merge_base(const ExprPtr& factor) {
  if (const auto* pow = std::get_if<Pow>(&factor->kind())) return pow->base;
  return factor;
}

// The sum left after collection: nothing is zero, one entry is itself.
ExprPtr sum_of_collected(std::vector<ExprPtr> out) {
  if (out.empty()) return number_node(0.0);
  if (out.size() == 1) return std::move(out.front());
  return expr_from_kind(Sum{std::move(out)});
}

ExprPtr collect_two(ExprPtr first, ExprPtr second) {
  if (expr_cmp(*first, *second) > 0) std::swap(first, second);
  const auto key_a = poly_base_key(*first);
  const auto key_b = poly_base_key(*second);
  if (key_a && key_b && *key_a != 0 && *key_a == *key_b) {
    auto a = to_polynomial(first);
    auto b = to_polynomial(second);
    if (a && b && poly_add_assign(*a, *b)) {
      if (a->terms.empty()) return number_node(0.0);
      return expr_poly(std::move(*a));
    }
  }
  return expr_from_kind(Sum{{std::move(first), std::move(second)}});
}

}  // namespace

ExprPtr expr_sum(std::vector<ExprPtr> terms) {
  if (terms.size() == 1) return std::move(terms.front());
  if (terms.empty()) return number_node(0.0);
  double total = 0.0;
  std::vector<ExprPtr> work;
  work.reserve(terms.size() + 1);
  for (ExprPtr& term : terms) {
    if (const double* v = number_of(term)) {
      total += *v;
    } else if (const auto* sum = std::get_if<Sum>(&term->kind())) {
      // One level, shared as they are: numbers among them stay terms.
      work.insert(work.end(), sum->terms.begin(), sum->terms.end());
    } else {
      work.push_back(std::move(term));
    }
  }
  // A NaN total fails this test and is dropped.
  if (std::abs(total) > kBuildTolerance) work.push_back(number_node(total));
  if (work.empty()) return number_node(0.0);
  if (work.size() == 1) return std::move(work.front());
  return collect_like_terms(std::move(work));
}

ExprPtr collect_like_terms(std::vector<ExprPtr> terms) {
  if (terms.size() == 2) return collect_two(std::move(terms[0]), std::move(terms[1]));
  sort_canonical(terms);
  std::vector<std::optional<std::uint64_t>> keys;
  keys.reserve(terms.size());
  for (const ExprPtr& t : terms) keys.push_back(poly_base_key(*t));
  std::vector<ExprPtr> out;
  out.reserve(terms.size());
  std::vector<ExprPtr> leftover;
  std::size_t i = 0;
  while (i < terms.size()) {
    const auto key = keys[i];
    const bool run = key && *key != 0 && i + 1 < terms.size() && keys[i + 1] == key;
    std::optional<Polynomial> accumulator;
    if (run) accumulator = to_polynomial(terms[i]);
    if (!accumulator) {
      out.push_back(std::move(terms[i]));
      ++i;
      continue;
    }
    leftover.clear();
    std::size_t j = i + 1;
    for (; j < terms.size() && keys[j] == key; ++j) {
      auto next = to_polynomial(terms[j]);
      if (!next || !poly_add_assign(*accumulator, *next)) leftover.push_back(std::move(terms[j]));
    }
    if (!accumulator->terms.empty()) out.push_back(expr_poly(std::move(*accumulator)));
    for (ExprPtr& t : leftover) out.push_back(std::move(t));
    i = j;
  }
  // Emission order stands: the output is not sorted again.
  return sum_of_collected(std::move(out));
}

ExprPtr expr_product(std::vector<ExprPtr> factors) {
  if (factors.size() == 1) return std::move(factors.front());
  if (factors.empty()) return number_node(1.0);
  return expr_product_normalize(std::move(factors));
}

ExprPtr expr_product_normalize(std::vector<ExprPtr> factors) {
  if (factors.size() == 1) return std::move(factors.front());
  if (factors.empty()) return number_node(1.0);
  const bool plain = std::none_of(factors.begin(), factors.end(), [](const ExprPtr& f) {
    return std::holds_alternative<Number>(f->kind()) || std::holds_alternative<Product>(f->kind());
  });
  if (plain) {
    sort_canonical(factors);
    return merge_product_powers(std::move(factors));
  }
  double coefficient = 1.0;
  std::vector<ExprPtr> work;
  work.reserve(factors.size() + 1);
  for (ExprPtr& factor : factors) {
    if (const double* v = number_of(factor)) {
      if (*v == 0.0) return number_node(0.0);
      coefficient *= *v;
    } else if (const auto* product = std::get_if<Product>(&factor->kind())) {
      // One level, shared as they are: numbers among them stay factors.
      work.insert(work.end(), product->factors.begin(), product->factors.end());
    } else {
      work.push_back(std::move(factor));
    }
  }
  // A NaN coefficient fails this test and is dropped.
  if (std::abs(coefficient - 1.0) > kBuildTolerance) work.push_back(number_node(coefficient));
  if (work.empty()) return number_node(1.0);
  if (work.size() == 1) return std::move(work.front());
  sort_canonical(work);
  return merge_product_powers(std::move(work));
}

ExprPtr merge_product_powers(std::vector<ExprPtr> factors) {
  std::vector<ExprPtr> out;
  out.reserve(factors.size());
  std::vector<ExprPtr> exponents;
  std::vector<ExprPtr> leftover;
  std::size_t i = 0;
  while (i < factors.size()) {
    ExprPtr& f = factors[i];
    const bool run = !std::holds_alternative<Number>(f->kind()) && i + 1 < factors.size() &&
                     !std::holds_alternative<Number>(factors[i + 1]->kind()) &&
                     merge_base(factors[i + 1])->hash() == merge_base(f)->hash();
    if (!run) {
      out.push_back(std::move(f));
      ++i;
      continue;
    }
    auto [base, exponent] = split_base_exponent(f);
    exponents.clear();
    leftover.clear();
    exponents.push_back(std::move(exponent));
    std::size_t j = i + 1;
    for (; j < factors.size(); ++j) {
      ExprPtr& g = factors[j];
      if (std::holds_alternative<Number>(g->kind()) || merge_base(g)->hash() != base->hash()) break;
      if (same_node(merge_base(g), base)) {
        exponents.push_back(split_base_exponent(g).second);
      } else {
        leftover.push_back(std::move(g));
      }
    }
    out.push_back(expr_pow(std::move(base), expr_sum(std::move(exponents))));
    exponents = {};
    for (ExprPtr& g : leftover) out.push_back(std::move(g));
    i = j;
  }
  if (out.empty()) return number_node(1.0);
  if (out.size() == 1) return std::move(out.front());
  return expr_from_kind(Product{std::move(out)});
}

ExprPtr expr_div(ExprPtr n, ExprPtr d) {
  const double* a = number_of(n);
  const double* b = number_of(d);
  if (n->hash() == d->hash() && expr_structural_eq(n->kind(), d->kind()) && !(a != nullptr && near_zero(*a))) {
    return number_node(1.0);
  }
  if (a != nullptr && b != nullptr) {
    if (*b != 0.0 && std::fmod(*a, *b) == 0.0) return number_node(*a / *b);
    if (near_one(*b)) return n;
    if (near_zero(*a) && !near_zero(*b)) return number_node(0.0);
    return expr_from_kind(Div{std::move(n), std::move(d)});
  }
  if (a != nullptr && near_zero(*a)) return number_node(0.0);
  if (a == nullptr && b != nullptr && near_one(*b)) return n;
  return expr_from_kind(Div{std::move(n), std::move(d)});
}

ExprPtr expr_pow(ExprPtr b, ExprPtr e) {
  const double* exponent = number_of(e);
  if (exponent != nullptr && near_zero(*exponent)) return number_node(1.0);
  if (exponent != nullptr && near_one(*exponent)) return b;
  const double* base = number_of(b);
  if (base == nullptr) return expr_from_kind(Pow{std::move(b), std::move(e)});
  if (near_one(*base)) return number_node(1.0);
  if (near_zero(*base) && exponent != nullptr && *exponent > 0) return number_node(0.0);
  if (exponent != nullptr && *exponent >= 1.0 && integral(*exponent)) {
    const double r = std::pow(*base, *exponent);
    if (integral(r)) return number_node(std::round(r));
  }
  return expr_from_kind(Pow{std::move(b), std::move(e)});
}

ExprPtr expr_poly(Polynomial p) {
  if (p.terms.size() == 1 && p.terms.front().exponent == 0) return number_node(p.terms.front().coefficient);
  if (p.terms.empty()) return number_node(0.0);
  return expr_from_kind(Poly{std::move(p)});
}

std::optional<Polynomial> to_polynomial(const ExprPtr& x) {
  const ExprKind& kind = x->kind();
  if (const auto* n = std::get_if<Number>(&kind)) return poly_constant(n->value);
  if (std::holds_alternative<Symbol>(kind) || std::holds_alternative<FunctionCall>(kind) ||
      std::holds_alternative<Derivative>(kind)) {
    return poly_atom(x);
  }
  if (const auto* poly = std::get_if<Poly>(&kind)) return poly->polynomial;
  if (const auto* pow = std::get_if<Pow>(&kind)) {
    const double* v = number_of(pow->exponent);
    // An exponent beyond 32 bits is kept whole inside an atom rather than cut down.
    if (v != nullptr && *v >= 0 && integral(*v) &&
        std::trunc(*v) <= static_cast<double>(std::numeric_limits<std::uint32_t>::max())) {
      return Polynomial{pow->base, {PolyTerm{static_cast<std::uint32_t>(std::trunc(*v)), 1.0}}};
    }
    return poly_atom(x);
  }
  if (const auto* div = std::get_if<Div>(&kind)) {
    const double* d = number_of(div->denominator);
    if (d == nullptr || !(std::abs(*d) > kBuildTolerance)) return poly_atom(x);
    auto numerator = to_polynomial(div->numerator);
    if (!numerator) return std::nullopt;
    return poly_scale(std::move(*numerator), 1.0 / *d);
  }
  if (const auto* sum = std::get_if<Sum>(&kind)) {
    if (sum->terms.empty()) return poly_constant(0.0);
    auto accumulator = to_polynomial(sum->terms.front());
    if (!accumulator) return std::nullopt;
    for (std::size_t i = 1; i < sum->terms.size(); ++i) {
      auto next = to_polynomial(sum->terms[i]);
      if (!next || !poly_add_assign(*accumulator, *next)) return std::nullopt;
    }
    return accumulator;
  }
  const auto& product = std::get<Product>(kind);
  if (product.factors.empty()) return poly_constant(1.0);
  auto a = to_polynomial(product.factors.front());
  if (!a) return std::nullopt;
  for (std::size_t i = 1; i < product.factors.size(); ++i) {
    auto f = to_polynomial(product.factors[i]);
    if (!f) return std::nullopt;
    if (a->terms.empty()) {
      a = poly_scale(std::move(*f), 0.0);
    } else if (is_constant(*a)) {
      a = poly_scale(std::move(*f), a->terms.front().coefficient);
    } else if (f->terms.empty()) {
      a = poly_scale(std::move(*a), 0.0);
    } else if (is_constant(*f)) {
      a = poly_scale(std::move(*a), f->terms.front().coefficient);
    } else {
      if (!same_node(a->base, f->base)) return std::nullopt;
      a = poly_mul(*a, *f);
      if (!a) return std::nullopt;
    }
  }
  return a;
}

bool poly_add_assign(Polynomial& a, const Polynomial& b) {
  auto add_all = [&a](const std::vector<PolyTerm>& terms) {
    for (const PolyTerm& t : terms) {
      if (!near_zero(t.coefficient)) add_term(a.terms, t.exponent, t.coefficient);
    }
  };
  if (same_node(a.base, b.base)) {
    add_all(b.terms);
    return true;
  }
  if (b.terms.empty()) return true;
  if (is_constant(b)) {
    add_all(b.terms);
    return true;
  }
  if (a.terms.empty() || is_constant(a)) {
    const double constant = a.terms.empty() ? 0.0 : a.terms.front().coefficient;
    a.base = b.base;
    a.terms = b.terms;
    if (std::abs(constant) >= kBuildTolerance) add_term(a.terms, 0, constant);
    return true;
  }
  return false;
}

Polynomial poly_scale(Polynomial p, double s) {
  if (near_zero(s)) {
    p.terms.clear();
    return p;
  }
  for (PolyTerm& t : p.terms) t.coefficient *= s;
  return p;
}

std::optional<Polynomial> poly_mul(const Polynomial& a, const Polynomial& b) {
  if (a.terms.empty() || b.terms.empty()) return Polynomial{a.base, {}};
  struct Pair {
    std::uint64_t exponent;
    double coefficient;
  };
  std::vector<Pair> pairs;
  pairs.reserve(a.terms.size() * b.terms.size());
  for (const PolyTerm& s : a.terms) {
    for (const PolyTerm& t : b.terms) {
      const std::uint64_t exponent = std::uint64_t{s.exponent} + t.exponent;
      if (exponent > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
      pairs.push_back(Pair{exponent, s.coefficient * t.coefficient});
    }
  }
  std::stable_sort(pairs.begin(), pairs.end(), [](const Pair& x, const Pair& y) { return x.exponent < y.exponent; });
  Polynomial product{a.base, {}};
  for (std::size_t i = 0; i < pairs.size();) {
    double total = 0.0;
    std::size_t j = i;
    for (; j < pairs.size() && pairs[j].exponent == pairs[i].exponent; ++j) total += pairs[j].coefficient;
    if (std::abs(total) >= kBuildTolerance) {
      product.terms.push_back(PolyTerm{static_cast<std::uint32_t>(pairs[i].exponent), total});
    }
    i = j;
  }
  return product;
}

Polynomial poly_constant(double value) {
  Polynomial p{number_node(1.0), {}};
  if (!near_zero(value)) p.terms.push_back(PolyTerm{0, value});
  return p;
}

Polynomial poly_atom(ExprPtr x) { return Polynomial{std::move(x), {PolyTerm{1, 1.0}}}; }

std::pair<ExprPtr, ExprPtr> split_base_exponent(const ExprPtr& f) {
  if (const auto* pow = std::get_if<Pow>(&f->kind())) return {pow->base, pow->exponent};
  return {f, constant_one()};
}

std::optional<std::uint64_t> poly_base_key(const Expr& term) {
  const ExprKind& kind = term.kind();
  if (std::holds_alternative<Number>(kind)) return 0;
  if (std::holds_alternative<Symbol>(kind) || std::holds_alternative<FunctionCall>(kind)) return term.hash();
  if (const auto* pow = std::get_if<Pow>(&kind)) {
    if (collecting_exponent(*pow->exponent)) return pow->base->hash();
    return std::nullopt;
  }
  if (const auto* poly = std::get_if<Poly>(&kind)) return poly->polynomial.base->hash();
  const auto* product = std::get_if<Product>(&kind);
  if (product == nullptr) return std::nullopt;
  std::optional<std::uint64_t> key;
  for (const ExprPtr& factor : product->factors) {
    const ExprKind& k = factor->kind();
    if (std::holds_alternative<Number>(k)) continue;
    std::optional<std::uint64_t> own;
    if (std::holds_alternative<Symbol>(k) || std::holds_alternative<FunctionCall>(k)) {
      own = factor->hash();
    } else if (const auto* pow = std::get_if<Pow>(&k); pow != nullptr && collecting_exponent(*pow->exponent)) {
      own = pow->base->hash();
    }
    // A second variable factor, or a factor of another kind, leaves the product without a key.
    if (!own || key) return std::nullopt;
    key = own;
  }
  return key;
}

}  // namespace norvi::symbolic
