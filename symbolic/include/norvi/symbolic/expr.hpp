#pragma once
// Expression nodes: immutable, shared by reference counting, each with an id from one process-wide
// counter and a structural hash computed once from its children's cached hashes.
#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "norvi/symbolic/hash_state.hpp"
#include "norvi/symbolic/symbol.hpp"

namespace norvi::symbolic {

class Expr;
// A shared node. Nodes are never modified once made, so they are handed around as const.
using ExprPtr = std::shared_ptr<const Expr>;

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

// The alternatives' order numbers them; the number seeds each alternative's hash.
using ExprKind = std::variant<Number, Symbol, FunctionCall, Sum, Product, Div, Pow, Derivative, Poly>;

class Expr {
 public:
  // A copy keeps the source's id and hash and shares its children.
  Expr(const Expr&) = default;
  Expr(Expr&&) noexcept = default;
  // Assignment would free the old tree by plain recursion; nodes are immutable anyway.
  Expr& operator=(const Expr&) = delete;
  Expr& operator=(Expr&&) = delete;
  // Frees the tree with an explicit stack, so deep chains never exhaust the call stack.
  ~Expr();

  [[nodiscard]] std::uint64_t id() const { return id_; }
  [[nodiscard]] std::uint64_t hash() const { return hash_; }
  [[nodiscard]] const ExprKind& kind() const { return kind_; }

  // A node with a fixed id that draws nothing from the counter (the engine's shared constants).
  static Expr with_fixed_id(std::uint64_t id, ExprKind kind);

 private:
  Expr(std::uint64_t id, ExprKind kind);
  friend Expr expr_from_kind(ExprKind kind);
  friend void take_children(Expr& node, std::vector<ExprPtr>& stack);

  std::uint64_t id_;
  std::uint64_t hash_;
  ExprKind kind_;
};

// The constructor: draws the next id and computes the structural hash.
Expr expr_from_kind(ExprKind kind);

// Wraps a node into a new shared node; the node keeps its id and hash.
ExprPtr share(Expr node);

// Absorbs the words of a kind into the state; a node's hash is the result for a fresh state, finished.
HashState hash_expr_kind(const ExprKind& kind, HashState state);

// Structural equality; ids are never compared.
bool expr_structural_eq(const ExprKind& a, const ExprKind& b);
bool expr_structural_eq(const ExprPtr& a, const ExprPtr& b);

// A copy that shares every child and symbol name and copies the lists.
ExprKind clone_expr_kind(const ExprKind& kind);

// The derivative node of `inner` by the named variable (an absent name is the empty name).
Expr new_derivative_expr(Expr inner, const std::shared_ptr<const std::string>& var_name, std::uint32_t order);

// The shared Number 1.0 node with id 0, and its hash.
const ExprPtr& constant_one();
std::uint64_t constant_one_hash();

}  // namespace norvi::symbolic
