#include "norvi/symbolic/evaluate.hpp"

#include <cmath>
#include <utility>
#include <vector>

#include "norvi/symbolic/construction.hpp"
#include "norvi/symbolic/function_table.hpp"
#include "norvi/symbolic/special_functions.hpp"

namespace norvi::symbolic {
namespace {

constexpr double kE = 2.718281828459045;
constexpr double kPi = 3.141592653589793;

const double* number_of(const ExprPtr& e) {
  const auto* n = std::get_if<Number>(&e->kind());
  return n != nullptr ? &n->value : nullptr;
}

ExprPtr number(double v) { return expr_from_kind(Number{v}); }

// The children of a compound node, which evaluation visits in order.
std::size_t child_count(const ExprKind& kind) {
  if (const auto* f = std::get_if<FunctionCall>(&kind)) return f->args.size();
  if (const auto* s = std::get_if<Sum>(&kind)) return s->terms.size();
  if (const auto* p = std::get_if<Product>(&kind)) return p->factors.size();
  if (std::holds_alternative<Div>(kind) || std::holds_alternative<Pow>(kind)) return 2;
  return 1;  // a derivative's inner expression, a polynomial's base
}

const Expr& child(const ExprKind& kind, std::size_t i) {
  if (const auto* f = std::get_if<FunctionCall>(&kind)) return *f->args[i];
  if (const auto* s = std::get_if<Sum>(&kind)) return *s->terms[i];
  if (const auto* p = std::get_if<Product>(&kind)) return *p->factors[i];
  if (const auto* d = std::get_if<Div>(&kind)) return i == 0 ? *d->numerator : *d->denominator;
  if (const auto* p = std::get_if<Pow>(&kind)) return i == 0 ? *p->base : *p->exponent;
  if (const auto* d = std::get_if<Derivative>(&kind)) return *d->inner;
  return *std::get<Poly>(kind).polynomial.base;
}

// Evaluates with an explicit stack of frames: each compound node waits for its children's results,
// which gather on one result stack, so a tree of any depth evaluates in constant call depth.
class Evaluator {
 public:
  Evaluator(const Bindings* bindings, const CustomFunctions& custom) : bindings_(bindings), custom_(custom) {}

  ExprPtr run(const Expr& root) {
    descend(root);
    while (!frames_.empty()) {
      Frame& frame = frames_.back();
      const ExprKind& kind = frame.node->kind();
      const std::size_t done = results_.size() - frame.first_result;
      // A zero factor decides a product; the factors after it are not evaluated.
      if (std::holds_alternative<Product>(kind) && done > 0) {
        const double* v = number_of(results_.back());
        if (v != nullptr && *v == 0) {
          finish(number(0.0));
          continue;
        }
      }
      if (done < frame.children) {
        descend(child(kind, done));
      } else {
        finish(combine(*frame.node, frame.first_result));
      }
    }
    return std::move(results_.back());
  }

 private:
  struct Frame {
    const Expr* node;
    std::size_t children;
    std::size_t first_result;
  };

  void descend(const Expr& node) {
    if (std::holds_alternative<Number>(node.kind()) || std::holds_alternative<Symbol>(node.kind())) {
      results_.push_back(leaf(node));
      return;
    }
    frames_.push_back(Frame{&node, child_count(node.kind()), results_.size()});
  }

  // Replaces the frame's child results by its own result.
  void finish(ExprPtr result) {
    results_.resize(frames_.back().first_result);
    frames_.pop_back();
    results_.push_back(std::move(result));
  }

  ExprPtr leaf(const Expr& e) const {
    if (const auto* n = std::get_if<Number>(&e.kind())) return number(n->value);
    const InternedSymbol& symbol = std::get<Symbol>(e.kind()).symbol;
    if (symbol.name == nullptr) return share(e);
    const std::string& name = *symbol.name;
    if (bindings_ != nullptr && !bindings_->empty()) {
      if (auto found = bindings_->find(name); found != bindings_->end()) return number(found->second);
    }
    if (name == "e" || name == "E") return number(kE);
    if (name == "pi" || name == "PI" || name == "Pi") return number(kPi);
    return share(e);
  }

  ExprPtr combine(const Expr& e, std::size_t first) {
    const auto begin = results_.begin() + static_cast<std::ptrdiff_t>(first);
    ExprPtr* r = results_.data() + first;
    return std::visit(
        [&](const auto& k) -> ExprPtr {
          using K = std::decay_t<decltype(k)>;
          if constexpr (std::is_same_v<K, FunctionCall>) {
            return call(k, std::vector<ExprPtr>(std::make_move_iterator(begin), std::make_move_iterator(results_.end())));
          } else if constexpr (std::is_same_v<K, Sum>) {
            return sum(begin);
          } else if constexpr (std::is_same_v<K, Product>) {
            return product(begin);
          } else if constexpr (std::is_same_v<K, Div>) {
            const double* a = number_of(r[0]);
            const double* b = number_of(r[1]);
            if (a != nullptr && b != nullptr && *b != 0) return number(*a / *b);
            return expr_div(std::move(r[0]), std::move(r[1]));
          } else if constexpr (std::is_same_v<K, Pow>) {
            const double* a = number_of(r[0]);
            const double* b = number_of(r[1]);
            if (a != nullptr && b != nullptr) return number(std::pow(*a, *b));
            return expr_pow(std::move(r[0]), std::move(r[1]));
          } else if constexpr (std::is_same_v<K, Derivative>) {
            return new_derivative_expr(std::move(r[0]), k.var.name, k.order);
          } else if constexpr (std::is_same_v<K, Poly>) {
            return poly(e, k.polynomial, std::move(r[0]));
          } else {
            return share(e);  // numbers and symbols never get a frame
          }
        },
        e.kind());
  }

  ExprPtr call(const FunctionCall& k, std::vector<ExprPtr> args) const {
    std::vector<double> values;
    values.reserve(args.size());
    for (const ExprPtr& arg : args) {
      const double* v = number_of(arg);
      if (v == nullptr) return expr_from_kind(FunctionCall{k.name, std::move(args)});
      values.push_back(*v);
    }
    if (!custom_.empty()) {
      const std::string_view name = k.name.name != nullptr ? std::string_view(*k.name.name) : std::string_view();
      if (auto found = custom_.find(name); found != custom_.end()) {
        if (auto value = found->second(values)) return number(*value);
      }
    }
    if (const FunctionDefinition* row = get_function_definition(k.name.key)) {
      if (auto value = row->eval(values)) return number(*value);
    }
    return expr_from_kind(FunctionCall{k.name, std::move(args)});
  }

  ExprPtr sum(std::vector<ExprPtr>::iterator begin) {
    double total = 0.0;
    std::vector<ExprPtr> kept;
    for (auto it = begin; it != results_.end(); ++it) {
      if (const double* v = number_of(*it)) {
        total += *v;
      } else {
        kept.push_back(std::move(*it));
      }
    }
    if (kept.empty()) return number(total);
    if (total != 0) {
      kept.push_back(number(total));
    } else if (kept.size() == 1) {
      return std::move(kept.front());
    }
    return expr_sum(std::move(kept));
  }

  ExprPtr product(std::vector<ExprPtr>::iterator begin) {
    double total = 1.0;
    std::vector<ExprPtr> kept;
    for (auto it = begin; it != results_.end(); ++it) {
      if (const double* v = number_of(*it)) {
        total *= *v;
      } else {
        kept.push_back(std::move(*it));
      }
    }
    if (kept.empty()) return number(total);
    if (total != 1) kept.insert(kept.begin(), number(total));
    if (kept.size() == 1) return std::move(kept.front());
    return expr_product(std::move(kept));
  }

  static ExprPtr poly(const Expr& e, const Polynomial& p, ExprPtr base) {
    if (const double* x = number_of(base)) {
      double total = 0.0;
      for (const PolyTerm& term : p.terms) total += term.coefficient * powi(*x, term.exponent);
      return number(total);
    }
    if (expr_structural_eq(base, p.base)) return share(e);
    return expr_poly(Polynomial{std::move(base), p.terms});
  }

  const Bindings* bindings_;
  const CustomFunctions& custom_;
  std::vector<Frame> frames_;
  std::vector<ExprPtr> results_;
};

}  // namespace

ExprPtr evaluate_expr_rec(const Expr& expr, const CustomFunctions& custom) { return Evaluator(nullptr, custom).run(expr); }

ExprPtr evaluate_with_bindings(const Expr& expr, const Bindings& bindings, const CustomFunctions& custom) {
  return Evaluator(&bindings, custom).run(expr);
}

}  // namespace norvi::symbolic
