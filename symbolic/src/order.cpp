#include "norvi/symbolic/order.hpp"

#include <algorithm>
#include <cstdint>
#include <string_view>

#include "work_stack.hpp"

namespace norvi::symbolic {
namespace {

// Place of each kind (by its alternative number) in the order of keys of different kinds.
constexpr std::uint8_t kKindRank[] = {
    0,  // Number
    1,  // Symbol
    3,  // FunctionCall
    2,  // Sum
    6,  // Product
    5,  // Div
    4,  // Pow
    8,  // Derivative
    7,  // Poly
};

// A product of a number and one other factor: that other factor, else null.
const Expr* after_leading_number(const Expr& e) {
  const auto* product = std::get_if<Product>(&e.kind());
  if (product == nullptr || product->factors.size() != 2) return nullptr;
  if (!std::holds_alternative<Number>(product->factors[0]->kind())) return nullptr;
  return product->factors[1].get();
}

const Expr& strip_leading_numbers(const Expr& e) {
  const Expr* at = &e;
  while (const Expr* rest = after_leading_number(*at)) at = rest;
  return *at;
}

template <class T>
std::strong_ordering cmp_values(T a, T b) {
  if (a < b) return std::strong_ordering::less;
  if (b < a) return std::strong_ordering::greater;
  return std::strong_ordering::equal;
}

std::strong_ordering cmp_symbols(const InternedSymbol& a, const InternedSymbol& b) {
  if (a.name != nullptr && b.name != nullptr) {
    // Byte by byte as unsigned values, a proper prefix first.
    const int c = std::string_view(*a.name).compare(std::string_view(*b.name));
    return c < 0 ? std::strong_ordering::less : c > 0 ? std::strong_ordering::greater : std::strong_ordering::equal;
  }
  if (a.name != nullptr) return std::strong_ordering::less;
  if (b.name != nullptr) return std::strong_ordering::greater;
  return cmp_values(a.key.as_u64(), b.key.as_u64());
}

enum class Step : std::uint8_t {
  Full,         // the whole order of two expressions
  Values,       // two numbers held in the task (coefficients, or numeric exponents)
  ArgCount,     // the argument counts of two calls (after their arguments)
  PolyTerms,    // the term lists of two polynomials (after their bases)
};

struct Task {
  const Expr* a;
  const Expr* b;
  Step step;
  double value_a = 0.0;  // for the Values step
  double value_b = 0.0;
};
using TaskStack = WorkStack<Task>;

// Pairs are pushed last first, so the first pair is compared first.
void push_pairs(TaskStack& stack, const std::vector<ExprPtr>& a, const std::vector<ExprPtr>& b) {
  for (std::size_t i = std::min(a.size(), b.size()); i-- > 0;) stack.push(Task{a[i].get(), b[i].get(), Step::Full});
}

// Compares two sort keys as far as they hold data themselves and leaves the comparisons of their
// children on the stack, in order.
std::strong_ordering cmp_keys_shallow(const Expr& ka, const Expr& kb, TaskStack& stack) {
  const ExprKind& a = ka.kind();
  const ExprKind& b = kb.kind();
  if (a.index() != b.index()) return cmp_values(kKindRank[a.index()], kKindRank[b.index()]);
  if (const auto* x = std::get_if<Number>(&a)) {
    // A NaN on either side compares neither less nor greater: equal here.
    return cmp_values(x->value, std::get<Number>(b).value);
  }
  if (const auto* s = std::get_if<Symbol>(&a)) return cmp_symbols(s->symbol, std::get<Symbol>(b).symbol);
  if (const auto* s = std::get_if<Sum>(&a)) {
    const auto& t = std::get<Sum>(b);
    if (auto c = cmp_values(s->terms.size(), t.terms.size()); c != 0) return c;
    push_pairs(stack, s->terms, t.terms);
    return std::strong_ordering::equal;
  }
  if (const auto* f = std::get_if<FunctionCall>(&a)) {
    const auto& g = std::get<FunctionCall>(b);
    if (auto c = cmp_symbols(f->name, g.name); c != 0) return c;
    stack.push(Task{&ka, &kb, Step::ArgCount});
    push_pairs(stack, f->args, g.args);
    return std::strong_ordering::equal;
  }
  if (const auto* p = std::get_if<Pow>(&a)) {
    const auto& q = std::get<Pow>(b);
    stack.push(Task{p->exponent.get(), q.exponent.get(), Step::Full});
    stack.push(Task{p->base.get(), q.base.get(), Step::Full});
    return std::strong_ordering::equal;
  }
  if (const auto* d = std::get_if<Div>(&a)) {
    const auto& e = std::get<Div>(b);
    stack.push(Task{d->denominator.get(), e.denominator.get(), Step::Full});
    stack.push(Task{d->numerator.get(), e.numerator.get(), Step::Full});
    return std::strong_ordering::equal;
  }
  if (const auto* p = std::get_if<Product>(&a)) {
    const auto& q = std::get<Product>(b);
    if (auto c = cmp_values(p->factors.size(), q.factors.size()); c != 0) return c;
    push_pairs(stack, p->factors, q.factors);
    return std::strong_ordering::equal;
  }
  if (const auto* p = std::get_if<Poly>(&a)) {
    const auto& q = std::get<Poly>(b);
    stack.push(Task{&ka, &kb, Step::PolyTerms});
    stack.push(Task{p->polynomial.base.get(), q.polynomial.base.get(), Step::Full});
    return std::strong_ordering::equal;
  }
  const auto& d = std::get<Derivative>(a);
  const auto& e = std::get<Derivative>(b);
  if (auto c = cmp_symbols(d.var, e.var); c != 0) return c;
  if (auto c = cmp_values(d.order, e.order); c != 0) return c;
  stack.push(Task{d.inner.get(), e.inner.get(), Step::Full});
  return std::strong_ordering::equal;
}

std::strong_ordering cmp_poly_terms(const Polynomial& p, const Polynomial& q) {
  if (auto c = cmp_values(p.terms.size(), q.terms.size()); c != 0) return c;
  for (std::size_t i = 0; i < p.terms.size(); ++i) {
    if (auto c = cmp_values(p.terms[i].exponent, q.terms[i].exponent); c != 0) return c;
    if (auto c = cmp_values(p.terms[i].coefficient, q.terms[i].coefficient); c != 0) return c;
  }
  return std::strong_ordering::equal;
}

// Compares the sort keys and leaves the exponents and coefficients on the stack, to be compared after
// the keys' children.
std::strong_ordering cmp_parts_shallow(const OrderParts& a, const OrderParts& b, TaskStack& stack) {
  if (a.node == b.node) return std::strong_ordering::equal;
  // Values that compare equal need no task; this also keeps the stack of a deep chain short.
  if (cmp_values(a.coefficient, b.coefficient) != 0) {
    stack.push(Task{a.node, b.node, Step::Values, a.coefficient, b.coefficient});
  }
  if (a.exponent != b.exponent) {
    if (a.exponent_is_number && b.exponent_is_number) {
      // Two numbers order by value alone (their own exponents and coefficients are alike).
      if (cmp_values(a.exponent_value, b.exponent_value) != 0) {
        stack.push(Task{a.exponent, b.exponent, Step::Values, a.exponent_value, b.exponent_value});
      }
    } else {
      stack.push(Task{a.exponent, b.exponent, Step::Full});
    }
  }
  if (a.key == b.key) return std::strong_ordering::equal;
  return cmp_keys_shallow(*a.key, *b.key, stack);
}

std::strong_ordering run_task(const Task& task, TaskStack& stack) {
  switch (task.step) {
    case Step::Values:
      return cmp_values(task.value_a, task.value_b);
    case Step::ArgCount:
      return cmp_values(std::get<FunctionCall>(task.a->kind()).args.size(),
                        std::get<FunctionCall>(task.b->kind()).args.size());
    case Step::PolyTerms:
      return cmp_poly_terms(std::get<Poly>(task.a->kind()).polynomial, std::get<Poly>(task.b->kind()).polynomial);
    case Step::Full:
      break;
  }
  if (task.a == task.b) return std::strong_ordering::equal;
  return cmp_parts_shallow(expr_order_parts(*task.a), expr_order_parts(*task.b), stack);
}

std::strong_ordering drain(TaskStack& stack) {
  while (!stack.empty()) {
    const Task task = stack.pop();
    if (auto c = run_task(task, stack); c != 0) return c;
  }
  return std::strong_ordering::equal;
}

}  // namespace

OrderParts expr_order_parts(const Expr& e) {
  OrderParts parts{&e, &e, constant_one().get(), 1.0, true, 1.0};
  if (const Expr* rest = after_leading_number(e)) {
    parts.coefficient = std::get<Number>(std::get<Product>(e.kind()).factors[0]->kind()).value;
    parts.key = &strip_leading_numbers(*rest);
  }
  if (const auto* pow = std::get_if<Pow>(&parts.key->kind())) {
    parts.exponent = pow->exponent.get();
    const auto* n = std::get_if<Number>(&pow->exponent->kind());
    parts.exponent_is_number = n != nullptr;
    parts.exponent_value = n != nullptr ? n->value : 0.0;
    parts.key = pow->base.get();
  } else if (const auto* poly = std::get_if<Poly>(&parts.key->kind())) {
    parts.key = poly->polynomial.base.get();
  }
  return parts;
}

const Expr& expr_sort_key(const Expr& e) { return *expr_order_parts(e).key; }
const Expr& expr_order_exponent(const Expr& e) { return *expr_order_parts(e).exponent; }
double expr_order_coefficient(const Expr& e) { return expr_order_parts(e).coefficient; }

std::strong_ordering expr_cmp(const Expr& a, const Expr& b) {
  TaskStack stack;
  stack.push(Task{&a, &b, Step::Full});
  return drain(stack);
}

std::strong_ordering expr_cmp_parts(const OrderParts& a, const OrderParts& b) {
  TaskStack stack;
  if (auto c = cmp_parts_shallow(a, b, stack); c != 0) return c;
  return drain(stack);
}

}  // namespace norvi::symbolic
