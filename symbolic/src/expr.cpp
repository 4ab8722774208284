#include "norvi/symbolic/expr.hpp"

#include <bit>
#include <type_traits>
#include <utility>

#include "norvi/symbolic/fatal.hpp"
#include "norvi/symbolic/overloaded.hpp"
#include "norvi/symbolic/symbol_registry.hpp"
#include "work_stack.hpp"

namespace norvi::symbolic {
namespace {

std::atomic<std::uint64_t> next_expr_id{0};

std::uint64_t draw_id() { return next_expr_id.fetch_add(1, std::memory_order_relaxed); }

std::uint64_t number_word(double value) {
  // 0.0 and -0.0 compare equal, so they must hash alike.
  return value == 0.0 ? 0 : std::bit_cast<std::uint64_t>(value);
}

std::uint64_t poly_term_hash(const PolyTerm& term) {
  HashState h;
  h.absorb(std::bit_cast<std::uint64_t>(term.coefficient));
  h.absorb(term.exponent);
  return h.finish();
}

bool terms_eq(const std::vector<PolyTerm>& a, const std::vector<PolyTerm>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i].exponent != b[i].exponent || !(a[i].coefficient == b[i].coefficient)) return false;
  }
  return true;
}

struct NodePair {
  const Expr* a;
  const Expr* b;
};
using PairStack = WorkStack<NodePair>;

void push_pair(PairStack& stack, const ExprPtr& a, const ExprPtr& b) { stack.push(NodePair{a.get(), b.get()}); }

bool push_lists(PairStack& stack, const std::vector<ExprPtr>& a, const std::vector<ExprPtr>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) push_pair(stack, a[i], b[i]);
  return true;
}

// Compares what two kinds hold themselves and leaves their child pairs on the stack.
bool kinds_eq_shallow(const ExprKind& first, const ExprKind& second, PairStack& stack) {
  if (first.index() != second.index()) return false;
  return std::visit(
      [&](const auto& a) -> bool {
        using K = std::decay_t<decltype(a)>;
        const K& b = std::get<K>(second);
        if constexpr (std::is_same_v<K, Number>) {
          return a.value == b.value;
        } else if constexpr (std::is_same_v<K, Symbol>) {
          return a.symbol.key == b.symbol.key;
        } else if constexpr (std::is_same_v<K, FunctionCall>) {
          return a.name.key == b.name.key && push_lists(stack, a.args, b.args);
        } else if constexpr (std::is_same_v<K, Sum>) {
          return push_lists(stack, a.terms, b.terms);
        } else if constexpr (std::is_same_v<K, Product>) {
          return push_lists(stack, a.factors, b.factors);
        } else if constexpr (std::is_same_v<K, Div>) {
          push_pair(stack, a.numerator, b.numerator);
          push_pair(stack, a.denominator, b.denominator);
          return true;
        } else if constexpr (std::is_same_v<K, Pow>) {
          push_pair(stack, a.base, b.base);
          push_pair(stack, a.exponent, b.exponent);
          return true;
        } else if constexpr (std::is_same_v<K, Derivative>) {
          if (a.order != b.order || a.var.key != b.var.key) return false;
          push_pair(stack, a.inner, b.inner);
          return true;
        } else {
          if (!terms_eq(a.polynomial.terms, b.polynomial.terms)) return false;
          push_pair(stack, a.polynomial.base, b.polynomial.base);
          return true;
        }
      },
      first);
}

// Pops node pairs until one differs; the same node is equal at once, different cached hashes
// unequal at once.
bool drain_eq(PairStack& stack) {
  while (!stack.empty()) {
    const NodePair pair = stack.pop();
    if (pair.a == pair.b) continue;
    if (pair.a == nullptr || pair.b == nullptr || pair.a->hash() != pair.b->hash()) return false;
    if (!kinds_eq_shallow(pair.a->kind(), pair.b->kind(), stack)) return false;
  }
  return true;
}

}  // namespace

Expr::Expr(std::uint64_t id, ExprKind kind)
    : id_(id), hash_(hash_expr_kind(kind, HashState{}).finish()), kind_(std::move(kind)) {}

ExprPtr Expr::with_fixed_id(std::uint64_t id, ExprKind kind) { return ExprPtr(new Expr(id, std::move(kind))); }

ExprPtr expr_from_kind(ExprKind kind) { return ExprPtr(new Expr(draw_id(), std::move(kind))); }

std::uint64_t expr_draw_id() { return draw_id(); }

// Frees nodes whose count reached zero. Each child gives up its reference here: one that still has
// other holders just loses a count (nothing is allocated for it); one whose count this takes to zero
// joins the stack, so the walk never goes deeper than this frame.
struct NodeRelease {
  static void free_leaf(const Expr* leaf) noexcept { delete const_cast<Expr*>(leaf); }

  static void run(const Expr* root) noexcept {
    WorkStack<const Expr*> stack;
    stack.push(root);
    while (!stack.empty()) {
      Expr* node = const_cast<Expr*>(stack.pop());
      const bool inner = node != root;
      auto drop = [&stack](ExprPtr& child) {
        const Expr* held = child.detach();
        if (held != nullptr && held->refs_.fetch_sub(1, std::memory_order_acq_rel) == 1) stack.push(held);
      };
      auto drop_all = [&drop](std::vector<ExprPtr>& list) {
        for (ExprPtr& child : list) drop(child);
      };
      std::visit(Overloaded{
                     [](Number&) {},
                     [](Symbol&) {},
                     [&](FunctionCall& k) { drop_all(k.args); },
                     [&](Sum& k) { drop_all(k.terms); },
                     [&](Product& k) { drop_all(k.factors); },
                     [&](Div& k) {
                       drop(k.numerator);
                       drop(k.denominator);
                     },
                     [&](Pow& k) {
                       drop(k.base);
                       drop(k.exponent);
                     },
                     [&](Derivative& k) { drop(k.inner); },
                     [&](Poly& k) {
                       drop(k.polynomial.base);
                       // The released base's stand-in zero takes an id, so the ids drawn around the
                       // release of a polynomial stay what callers have always seen. A polynomial
                       // freed inside the tree is emptied first and then released itself, which
                       // puts a second stand-in in place of the first.
                       draw_id();
                       if (inner) draw_id();
                     },
                 },
                 node->kind_);
      delete node;
    }
  }
};

void expr_release_last(const Expr* node) noexcept {
  // Most nodes freed are leaves (numbers made by evaluation): no walk to set up for them.
  if (std::holds_alternative<Number>(node->kind()) || std::holds_alternative<Symbol>(node->kind())) {
    NodeRelease::free_leaf(node);
    return;
  }
  NodeRelease::run(node);
}

HashState hash_expr_kind(const ExprKind& kind, HashState state) {
  state.absorb(kind.index());
  std::visit(
      [&state](const auto& k) {
        using K = std::decay_t<decltype(k)>;
        auto sum_of = [](const std::vector<ExprPtr>& list) {
          std::uint64_t total = 0;
          for (const ExprPtr& child : list) total += child->hash();
          return total;
        };
        if constexpr (std::is_same_v<K, Number>) {
          state.absorb(number_word(k.value));
        } else if constexpr (std::is_same_v<K, Symbol>) {
          state.absorb(k.symbol.key.as_u64());
        } else if constexpr (std::is_same_v<K, FunctionCall>) {
          state.absorb(k.name.key.as_u64());
          state.absorb(k.args.size());
          for (const ExprPtr& arg : k.args) state.absorb(arg->hash());
        } else if constexpr (std::is_same_v<K, Sum>) {
          state.absorb(sum_of(k.terms));
        } else if constexpr (std::is_same_v<K, Product>) {
          state.absorb(sum_of(k.factors));
        } else if constexpr (std::is_same_v<K, Div>) {
          state.absorb(k.numerator->hash());
          state.absorb(k.denominator->hash());
        } else if constexpr (std::is_same_v<K, Pow>) {
          state.absorb(k.base->hash());
          state.absorb(k.exponent->hash());
        } else if constexpr (std::is_same_v<K, Derivative>) {
          state.absorb(k.inner->hash());
          state.absorb(k.var.key.as_u64());
          state.absorb(k.order);
        } else if constexpr (std::is_same_v<K, Poly>) {
          state.absorb(k.polynomial.base->hash());
          std::uint64_t total = 0;
          for (const PolyTerm& term : k.polynomial.terms) total += poly_term_hash(term);
          state.absorb(total);
        }
      },
      kind);
  return state;
}

bool expr_structural_eq(const ExprKind& a, const ExprKind& b) {
  PairStack stack;
  return kinds_eq_shallow(a, b, stack) && drain_eq(stack);
}

bool expr_structural_eq(const Expr& a, const Expr& b) {
  PairStack stack;
  stack.push(NodePair{&a, &b});
  return drain_eq(stack);
}

bool expr_structural_eq(const ExprPtr& a, const ExprPtr& b) {
  PairStack stack;
  push_pair(stack, a, b);
  return drain_eq(stack);
}

ExprKind clone_expr_kind(const ExprKind& kind) { return kind; }

ExprPtr new_derivative_expr(ExprPtr inner, const std::string* var_name, std::uint32_t order) {
  const DefaultKey key = intern_symbol(var_name != nullptr ? std::string_view(*var_name) : std::string_view());
  auto var = symbol_by_key(key.as_u64());
  if (!var) fatal_error("Just-created symbol should always be found");
  return expr_from_kind(Derivative{std::move(inner), *var, order});
}

const ExprPtr& constant_one() {
  // Held for the whole process: its count never reaches zero, so no exit-time release races users.
  static const ExprPtr* const one = new ExprPtr(Expr::with_fixed_id(0, Number{1.0}));
  return *one;
}

std::uint64_t constant_one_hash() {
  static const std::uint64_t hash = constant_one()->hash();
  return hash;
}

}  // namespace norvi::symbolic
