#include "norvi/symbolic/expr.hpp"

#include <atomic>
#include <bit>
#include <type_traits>
#include <utility>

#include "norvi/symbolic/fatal.hpp"
#include "norvi/symbolic/symbol_registry.hpp"

namespace norvi::symbolic {
namespace {

std::atomic<std::uint64_t> next_expr_id{0};

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

bool lists_eq(const std::vector<ExprPtr>& a, const std::vector<ExprPtr>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (!expr_structural_eq(a[i], b[i])) return false;
  }
  return true;
}

bool terms_eq(const std::vector<PolyTerm>& a, const std::vector<PolyTerm>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i].exponent != b[i].exponent || !(a[i].coefficient == b[i].coefficient)) return false;
  }
  return true;
}

// Quick answers for two shared nodes; none when their kinds must be compared.
enum class Shortcut { Equal, Unequal, CompareKinds };
Shortcut shortcut(const ExprPtr& a, const ExprPtr& b) {
  if (a == b) return Shortcut::Equal;
  if (!a || !b || a->hash() != b->hash()) return Shortcut::Unequal;
  return Shortcut::CompareKinds;
}

}  // namespace

Expr::Expr(std::uint64_t id, ExprKind kind)
    : id_(id), hash_(hash_expr_kind(kind, HashState{}).finish()), kind_(std::move(kind)) {}

Expr Expr::with_fixed_id(std::uint64_t id, ExprKind kind) { return Expr(id, std::move(kind)); }

Expr expr_from_kind(ExprKind kind) {
  return Expr(next_expr_id.fetch_add(1, std::memory_order_relaxed), std::move(kind));
}

// Made non-const so that the last owner may move the children out while freeing it.
ExprPtr share(Expr node) { return std::make_shared<Expr>(std::move(node)); }

void take_children(Expr& node, std::vector<ExprPtr>& stack) {
  auto move_all = [&stack](std::vector<ExprPtr>& list) {
    for (ExprPtr& child : list) stack.push_back(std::move(child));
    list.clear();
  };
  std::visit(
      [&](auto& k) {
        using K = std::decay_t<decltype(k)>;
        if constexpr (std::is_same_v<K, FunctionCall>) {
          move_all(k.args);
        } else if constexpr (std::is_same_v<K, Sum>) {
          move_all(k.terms);
        } else if constexpr (std::is_same_v<K, Product>) {
          move_all(k.factors);
        } else if constexpr (std::is_same_v<K, Div>) {
          stack.push_back(std::move(k.numerator));
          stack.push_back(std::move(k.denominator));
        } else if constexpr (std::is_same_v<K, Pow>) {
          stack.push_back(std::move(k.base));
          stack.push_back(std::move(k.exponent));
        } else if constexpr (std::is_same_v<K, Derivative>) {
          stack.push_back(std::move(k.inner));
        } else if constexpr (std::is_same_v<K, Poly>) {
          stack.push_back(std::move(k.polynomial.base));
        }
      },
      node.kind_);
}

Expr::~Expr() {
  if (std::holds_alternative<Number>(kind_) || std::holds_alternative<Symbol>(kind_)) return;
  std::vector<ExprPtr> stack;
  take_children(*this, stack);
  while (!stack.empty()) {
    ExprPtr node = std::move(stack.back());
    stack.pop_back();
    // Sole owner: nobody else can reach the node, so its children move onto this stack and the node
    // is then freed childless. Otherwise dropping our reference frees nothing here, or frees the node
    // through its own destructor, which again works with a stack of its own.
    if (node && node.use_count() == 1) take_children(const_cast<Expr&>(*node), stack);
    node.reset();
  }
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

bool expr_structural_eq(const ExprKind& first, const ExprKind& second) {
  // The right operand of a quotient or power is followed by this loop, not by a nested call, so
  // right-leaning chains compare in constant stack depth.
  const ExprKind* a = &first;
  const ExprKind* b = &second;
  for (;;) {
    if (a->index() != b->index()) return false;
    const ExprPtr* next_a = nullptr;
    const ExprPtr* next_b = nullptr;
    if (const auto* x = std::get_if<Number>(a)) {
      return x->value == std::get<Number>(*b).value;
    } else if (const auto* s = std::get_if<Symbol>(a)) {
      return s->symbol.key == std::get<Symbol>(*b).symbol.key;
    } else if (const auto* f = std::get_if<FunctionCall>(a)) {
      const auto& g = std::get<FunctionCall>(*b);
      return f->name.key == g.name.key && lists_eq(f->args, g.args);
    } else if (const auto* sum = std::get_if<Sum>(a)) {
      return lists_eq(sum->terms, std::get<Sum>(*b).terms);
    } else if (const auto* product = std::get_if<Product>(a)) {
      return lists_eq(product->factors, std::get<Product>(*b).factors);
    } else if (const auto* div = std::get_if<Div>(a)) {
      const auto& other = std::get<Div>(*b);
      if (!expr_structural_eq(div->numerator, other.numerator)) return false;
      next_a = &div->denominator;
      next_b = &other.denominator;
    } else if (const auto* pow = std::get_if<Pow>(a)) {
      const auto& other = std::get<Pow>(*b);
      if (!expr_structural_eq(pow->base, other.base)) return false;
      next_a = &pow->exponent;
      next_b = &other.exponent;
    } else if (const auto* d = std::get_if<Derivative>(a)) {
      const auto& other = std::get<Derivative>(*b);
      return d->order == other.order && d->var.key == other.var.key && expr_structural_eq(d->inner, other.inner);
    } else {
      const auto& p = std::get<Poly>(*a).polynomial;
      const auto& q = std::get<Poly>(*b).polynomial;
      return expr_structural_eq(p.base, q.base) && terms_eq(p.terms, q.terms);
    }
    switch (shortcut(*next_a, *next_b)) {
      case Shortcut::Equal:
        return true;
      case Shortcut::Unequal:
        return false;
      case Shortcut::CompareKinds:
        a = &(*next_a)->kind();
        b = &(*next_b)->kind();
        break;
    }
  }
}

bool expr_structural_eq(const ExprPtr& a, const ExprPtr& b) {
  switch (shortcut(a, b)) {
    case Shortcut::Equal:
      return true;
    case Shortcut::Unequal:
      return false;
    case Shortcut::CompareKinds:
      break;
  }
  return expr_structural_eq(a->kind(), b->kind());
}

ExprKind clone_expr_kind(const ExprKind& kind) { return kind; }

Expr new_derivative_expr(Expr inner, const std::shared_ptr<const std::string>& var_name, std::uint32_t order) {
  ExprPtr shared_inner = share(std::move(inner));
  const DefaultKey key = intern_symbol(var_name ? std::string_view(*var_name) : std::string_view());
  auto var = symbol_by_key(key.as_u64());
  if (!var) fatal_error("Just-created symbol should always be found");
  return expr_from_kind(Derivative{std::move(shared_inner), std::move(*var), order});
}

const ExprPtr& constant_one() {
  static const ExprPtr one = share(Expr::with_fixed_id(0, Number{1.0}));
  return one;
}

std::uint64_t constant_one_hash() { return constant_one()->hash(); }

}  // namespace norvi::symbolic
