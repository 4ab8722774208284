#pragma once
// Expression nodes: immutable, shared by an intrusive reference count, each with an id from one
// process-wide counter and a structural hash computed once from its children's cached hashes.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "norvi/symbolic/hash_state.hpp"
#include "norvi/symbolic/symbol.hpp"

namespace norvi::symbolic {

class Expr;
class ExprPtr;
struct Number;
struct Symbol;
struct FunctionCall;
struct Sum;
struct Product;
struct Div;
struct Pow;
struct Derivative;
struct Poly;
using ExprKind = std::variant<Number, Symbol, FunctionCall, Sum, Product, Div, Pow, Derivative, Poly>;

// A shared node: one pointer, the count lives in the node. Nodes are never modified once made, so
// they are handed around as const. Copying a handle shares the node (same id, same hash).
class ExprPtr {
 public:
  ExprPtr() noexcept = default;
  ExprPtr(std::nullptr_t) noexcept {}  // NOLINT: a null handle converts implicitly, as a pointer does
  ExprPtr(const ExprPtr& other) noexcept;
  ExprPtr(ExprPtr&& other) noexcept : node_(std::exchange(other.node_, nullptr)) {}
  ExprPtr& operator=(const ExprPtr& other) noexcept {
    ExprPtr copy(other);
    swap(copy);
    return *this;
  }
  ExprPtr& operator=(ExprPtr&& other) noexcept {
    ExprPtr taken(std::move(other));
    swap(taken);
    return *this;
  }
  ~ExprPtr();

  [[nodiscard]] const Expr* get() const noexcept { return node_; }
  const Expr& operator*() const noexcept { return *node_; }
  const Expr* operator->() const noexcept { return node_; }
  explicit operator bool() const noexcept { return node_ != nullptr; }
  void reset() noexcept { ExprPtr().swap(*this); }
  void swap(ExprPtr& other) noexcept { std::swap(node_, other.node_); }
  // The number of handles on the node; exact only while no other thread holds it.
  [[nodiscard]] std::size_t use_count() const noexcept;

  friend bool operator==(const ExprPtr& a, const ExprPtr& b) noexcept { return a.node_ == b.node_; }
  friend bool operator==(const ExprPtr& a, std::nullptr_t) noexcept { return a.node_ == nullptr; }

 private:
  // Takes over the single reference a freshly made node starts with.
  explicit ExprPtr(const Expr* fresh) noexcept : node_(fresh) {}
  // Gives up the reference without releasing it.
  const Expr* detach() noexcept { return std::exchange(node_, nullptr); }

  friend class Expr;
  friend ExprPtr expr_from_kind(ExprKind kind);
  friend ExprPtr share(const Expr& node) noexcept;
  friend struct NodeRelease;

  const Expr* node_ = nullptr;
};

struct PolyTerm {
  std::uint32_t exponent = 0;
  double coefficient = 0.0;
};

// The sum of coefficient * base^exponent over the terms, sorted by ascending exponent.
struct Polynomial {
  ExprPtr base;
  std::vector<PolyTerm> terms;
};

struct Number {
  double value = 0.0;
};
struct Symbol {
  InternedSymbol symbol;
};
struct FunctionCall {
  InternedSymbol name;
  std::vector<ExprPtr> args;
};
struct Sum {
  std::vector<ExprPtr> terms;
};
struct Product {
  std::vector<ExprPtr> factors;
};
struct Div {
  ExprPtr numerator;
  ExprPtr denominator;
};
struct Pow {
  ExprPtr base;
  ExprPtr exponent;
};
struct Derivative {
  ExprPtr inner;
  InternedSymbol var;
  std::uint32_t order = 0;
};
struct Poly {
  Polynomial polynomial;
};

// ExprKind (declared above): the alternatives' order numbers them; the number seeds each
// alternative's hash.

// A node. It lives on the heap only, made by `expr_from_kind` (or a builder) and freed when its last
// handle goes; the freeing walks the tree with an explicit stack, so deep chains never exhaust the
// call stack.
class Expr {
 public:
  Expr(const Expr&) = delete;
  Expr& operator=(const Expr&) = delete;

  [[nodiscard]] std::uint64_t id() const { return id_; }
  [[nodiscard]] std::uint64_t hash() const { return hash_; }
  [[nodiscard]] const ExprKind& kind() const { return kind_; }

  // A node with a fixed id that draws nothing from the counter (the engine's shared constants).
  static ExprPtr with_fixed_id(std::uint64_t id, ExprKind kind);

 private:
  Expr(std::uint64_t id, ExprKind kind);
  ~Expr() = default;

  friend class ExprPtr;
  friend struct NodeRelease;
  friend ExprPtr expr_from_kind(ExprKind kind);
  friend ExprPtr share(const Expr& node) noexcept;

  mutable std::atomic<std::size_t> refs_{1};
  std::uint64_t id_;
  std::uint64_t hash_;
  ExprKind kind_;
};

inline ExprPtr::ExprPtr(const ExprPtr& other) noexcept : node_(other.node_) {
  // A new handle is made from one already held, so no ordering is needed to take it.
  if (node_ != nullptr) node_->refs_.fetch_add(1, std::memory_order_relaxed);
}

// Frees a node whose count has reached zero, and every child whose count that takes to zero.
void expr_release_last(const Expr* node) noexcept;

inline ExprPtr::~ExprPtr() {
  // Acquire-release: whoever takes the count to zero sees every other holder's use of the node.
  if (node_ != nullptr && node_->refs_.fetch_sub(1, std::memory_order_acq_rel) == 1) expr_release_last(node_);
}

inline std::size_t ExprPtr::use_count() const noexcept {
  return node_ != nullptr ? node_->refs_.load(std::memory_order_relaxed) : 0;
}

// The constructor: draws the next id and computes the structural hash.
ExprPtr expr_from_kind(ExprKind kind);
// Draws the next id for a node that is made later, if at all, with `Expr::with_fixed_id`; so a
// value that may never need its node still takes its id in construction order.
std::uint64_t expr_draw_id();

// Another handle on a node already held elsewhere: the same node, its id and hash.
inline ExprPtr share(const Expr& node) noexcept {
  node.refs_.fetch_add(1, std::memory_order_relaxed);
  return ExprPtr(&node);
}

// Absorbs the words of a kind into the state; a node's hash is the result for a fresh state, finished.
HashState hash_expr_kind(const ExprKind& kind, HashState state);

// Structural equality; ids are never compared. Walks with an explicit stack, any depth.
bool expr_structural_eq(const ExprKind& a, const ExprKind& b);
bool expr_structural_eq(const ExprPtr& a, const ExprPtr& b);
bool expr_structural_eq(const Expr& a, const Expr& b);

// A copy that shares every child and symbol name and copies the lists.
ExprKind clone_expr_kind(const ExprKind& kind);

// The derivative node of `inner` by the named variable (an absent name is the empty name).
ExprPtr new_derivative_expr(ExprPtr inner, const std::string* var_name, std::uint32_t order);

// The shared Number 1.0 node with id 0, and its hash.
const ExprPtr& constant_one();
std::uint64_t constant_one_hash();

}  // namespace norvi::symbolic
