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

// A result on the evaluator's stack. A number made by evaluation takes its id when it is made, but
// its node is allocated only if the number ends up in a tree (or is the final result): numbers that
// fold away into others never cost an allocation.
struct Value {
  ExprPtr node;  // null for a number not yet made into a node
  double number = 0.0;
  std::uint64_t id = 0;

  static Value made(double v) { return Value{nullptr, v, expr_draw_id()}; }
  static Value of(ExprPtr node) { return Value{std::move(node), 0.0, 0}; }

  [[nodiscard]] const double* number_value() const {
    if (!node) return &number;
    const auto* n = std::get_if<Number>(&node->kind());
    return n != nullptr ? &n->value : nullptr;
  }
  ExprPtr take() && { return node ? std::move(node) : Expr::with_fixed_id(id, Number{number}); }
};

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

struct Frame {
  const Expr* node;
  std::size_t children;
  std::size_t first_result;
};

// The evaluator's two stacks, kept per thread between evaluations so that evaluating a small tree
// allocates no stack at all. A custom function that evaluates again while one evaluation runs gets
// stacks of its own.
struct Scratch {
  std::vector<Frame> frames;
  std::vector<Value> results;
  bool busy = false;
};

class ScratchLease {
 public:
  ScratchLease() {
    thread_local Scratch shared;
    scratch_ = shared.busy ? &own_ : &shared;
    scratch_->busy = true;
  }
  ~ScratchLease() {
    scratch_->frames.clear();
    scratch_->results.clear();
    // A deep tree leaves large stacks behind; give them back rather than hold them for the thread's life.
    constexpr std::size_t kKept = 4096;
    if (scratch_->frames.capacity() > kKept) scratch_->frames = {};
    if (scratch_->results.capacity() > kKept) scratch_->results = {};
    scratch_->busy = false;
  }
  ScratchLease(const ScratchLease&) = delete;
  ScratchLease& operator=(const ScratchLease&) = delete;
  Scratch& operator*() const { return *scratch_; }

 private:
  Scratch own_;
  Scratch* scratch_;
};

// Evaluates with an explicit stack of frames: each compound node waits for its children's results,
// which gather on one result stack, so a tree of any depth evaluates in constant call depth.
class Evaluator {
 public:
  Evaluator(const Bindings* bindings, const CustomFunctions& custom, Scratch& scratch)
      : bindings_(bindings), custom_(custom), frames_(scratch.frames), results_(scratch.results) {}

  ExprPtr run(const Expr& root) {
    descend(root);
    while (!frames_.empty()) {
      const Frame frame = frames_.back();
      const ExprKind& kind = frame.node->kind();
      const std::size_t done = results_.size() - frame.first_result;
      // A zero factor decides a product; the factors after it are not evaluated.
      if (std::holds_alternative<Product>(kind) && done > 0) {
        const double* v = results_.back().number_value();
        if (v != nullptr && *v == 0) {
          finish(Value::made(0.0));
          continue;
        }
      }
      if (done < frame.children) {
        descend(child(kind, done));
      } else {
        finish(combine(*frame.node, frame.first_result));
      }
    }
    return std::move(results_.back()).take();
  }

 private:
  void descend(const Expr& node) {
    if (std::holds_alternative<Number>(node.kind()) || std::holds_alternative<Symbol>(node.kind())) {
      results_.push_back(leaf(node));
      return;
    }
    frames_.push_back(Frame{&node, child_count(node.kind()), results_.size()});
  }

  // Replaces the frame's child results by its own result.
  void finish(Value result) {
    results_.resize(frames_.back().first_result);
    frames_.pop_back();
    results_.push_back(std::move(result));
  }

  Value leaf(const Expr& e) const {
    if (const auto* n = std::get_if<Number>(&e.kind())) return Value::made(n->value);
    const InternedSymbol& symbol = std::get<Symbol>(e.kind()).symbol;
    if (symbol.name == nullptr) return Value::of(share(e));
    const std::string& name = *symbol.name;
    if (bindings_ != nullptr && !bindings_->empty()) {
      if (auto found = bindings_->find(name); found != bindings_->end()) return Value::made(found->second);
    }
    if (name == "e" || name == "E") return Value::made(kE);
    if (name == "pi" || name == "PI" || name == "Pi") return Value::made(kPi);
    return Value::of(share(e));
  }

  Value combine(const Expr& e, std::size_t first) {
    Value* r = results_.data() + first;
    const std::size_t n = results_.size() - first;
    return std::visit(
        [&](const auto& k) -> Value {
          using K = std::decay_t<decltype(k)>;
          if constexpr (std::is_same_v<K, FunctionCall>) {
            return call(k, r, n);
          } else if constexpr (std::is_same_v<K, Sum>) {
            return sum(r, n);
          } else if constexpr (std::is_same_v<K, Product>) {
            return product(r, n);
          } else if constexpr (std::is_same_v<K, Div>) {
            const double* a = r[0].number_value();
            const double* b = r[1].number_value();
            if (a != nullptr && b != nullptr && *b != 0) return Value::made(*a / *b);
            return Value::of(expr_div(std::move(r[0]).take(), std::move(r[1]).take()));
          } else if constexpr (std::is_same_v<K, Pow>) {
            const double* a = r[0].number_value();
            const double* b = r[1].number_value();
            if (a != nullptr && b != nullptr) return Value::made(std::pow(*a, *b));
            return Value::of(expr_pow(std::move(r[0]).take(), std::move(r[1]).take()));
          } else if constexpr (std::is_same_v<K, Derivative>) {
            return Value::of(new_derivative_expr(std::move(r[0]).take(), k.var.name, k.order));
          } else if constexpr (std::is_same_v<K, Poly>) {
            return poly(e, k.polynomial, std::move(r[0]));
          } else {
            return Value::of(share(e));  // numbers and symbols never get a frame
          }
        },
        e.kind());
  }

  static std::vector<ExprPtr> nodes_of(Value* r, std::size_t n) {
    std::vector<ExprPtr> nodes;
    nodes.reserve(n);
    for (std::size_t i = 0; i < n; ++i) nodes.push_back(std::move(r[i]).take());
    return nodes;
  }

  Value call(const FunctionCall& k, Value* r, std::size_t n) const {
    std::vector<double> values;
    values.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
      const double* v = r[i].number_value();
      if (v == nullptr) return Value::of(expr_from_kind(FunctionCall{k.name, nodes_of(r, n)}));
      values.push_back(*v);
    }
    if (!custom_.empty()) {
      const std::string_view name = k.name.name != nullptr ? std::string_view(*k.name.name) : std::string_view();
      if (auto found = custom_.find(name); found != custom_.end()) {
        if (auto value = found->second(values)) return Value::made(*value);
      }
    }
    if (const FunctionDefinition* row = get_function_definition(k.name.key)) {
      if (auto value = row->eval(values)) return Value::made(*value);
    }
    return Value::of(expr_from_kind(FunctionCall{k.name, nodes_of(r, n)}));
  }

  static Value sum(Value* r, std::size_t n) {
    double total = 0.0;
    std::vector<ExprPtr> kept;
    for (std::size_t i = 0; i < n; ++i) {
      if (const double* v = r[i].number_value()) {
        total += *v;
      } else {
        kept.push_back(std::move(r[i]).take());
      }
    }
    if (kept.empty()) return Value::made(total);
    if (total != 0) {
      kept.push_back(expr_from_kind(Number{total}));
    } else if (kept.size() == 1) {
      return Value::of(std::move(kept.front()));
    }
    return Value::of(expr_sum(std::move(kept)));
  }

  static Value product(Value* r, std::size_t n) {
    double total = 1.0;
    std::vector<ExprPtr> kept;
    for (std::size_t i = 0; i < n; ++i) {
      if (const double* v = r[i].number_value()) {
        total *= *v;
      } else {
        kept.push_back(std::move(r[i]).take());
      }
    }
    if (kept.empty()) return Value::made(total);
    if (total != 1) kept.insert(kept.begin(), expr_from_kind(Number{total}));
    if (kept.size() == 1) return Value::of(std::move(kept.front()));
    return Value::of(expr_product(std::move(kept)));
  }

  static Value poly(const Expr& e, const Polynomial& p, Value base) {
    if (const double* x = base.number_value()) {
      double total = 0.0;
      for (const PolyTerm& term : p.terms) total += term.coefficient * powi(*x, term.exponent);
      return Value::made(total);
    }
    ExprPtr evaluated = std::move(base).take();
    if (expr_structural_eq(evaluated, p.base)) return Value::of(share(e));
    return Value::of(expr_poly(Polynomial{std::move(evaluated), p.terms}));
  }

  const Bindings* bindings_;
  const CustomFunctions& custom_;
  std::vector<Frame>& frames_;
  std::vector<Value>& results_;
};

}  // namespace

ExprPtr evaluate_expr_rec(const Expr& expr, const CustomFunctions& custom) {
  ScratchLease scratch;
  return Evaluator(nullptr, custom, *scratch).run(expr);
}

ExprPtr evaluate_with_bindings(const Expr& expr, const Bindings& bindings, const CustomFunctions& custom) {
  ScratchLease scratch;
  return Evaluator(&bindings, custom, *scratch).run(expr);
}

}  // namespace norvi::symbolic
