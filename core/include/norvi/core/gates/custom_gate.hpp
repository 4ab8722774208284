#pragma once
// Custom gates: a unitary given by its matrix (numbers, or expressions over symbolic parameters) and
// optionally by a circuit that implements it, or a gate defined by a circuit.

#include <complex>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "norvi/core/circuit/array2.hpp"
#include "norvi/core/circuit/classical.hpp"
#include "norvi/core/circuit/ordered_set.hpp"
#include "norvi/symbolic/expr.hpp"

namespace norvi::core {

// A handle on an expression node that always holds one: it is made from a node only (a null handle
// is refused with std::invalid_argument), and a move shares the node (one count more) instead of
// emptying the source.
class ExprHandle {
 public:
  ExprHandle(symbolic::ExprPtr expr)  // NOLINT(google-explicit-constructor): a node converts as it is
      : expr_(std::move(expr)) {
    if (!expr_) throw std::invalid_argument("a gate parameter needs an expression node, not a null handle");
  }
  ExprHandle(const ExprHandle&) = default;
  ExprHandle& operator=(const ExprHandle&) = default;
  ~ExprHandle() = default;

  const symbolic::Expr& operator*() const noexcept { return *expr_; }
  const symbolic::Expr* operator->() const noexcept { return expr_.get(); }
  const symbolic::Expr* get() const noexcept { return expr_.get(); }
  operator const symbolic::ExprPtr&() const noexcept { return expr_; }  // NOLINT(google-explicit-constructor)

 private:
  symbolic::ExprPtr expr_;
};

// A symbolic gate parameter; there is no default one, since it would have no expression.
struct Parameter {
  ExprHandle expr;
};

struct SymbolicComplex {
  Parameter re;
  Parameter im;
};

using Complex = std::complex<double>;
using SymbolicMatrix = Array2<SymbolicComplex>;
using NumericMatrix = Array2<Complex>;
// Symbolic | Numeric.
using GateMatrix = std::variant<SymbolicMatrix, NumericMatrix>;

// A 128-bit unique identifier.
struct Uuid {
  UInt128 value = 0;
  bool operator==(const Uuid&) const = default;
};

struct FrozenCircuit;

// A custom gate given by its matrix, and optionally by a circuit that implements it.
struct UnitaryGate {
  Uuid id;
  std::string label;
  std::optional<GateMatrix> matrix;
  std::optional<std::vector<std::string>> matrix_params;
  std::uint16_t num_qubits = 0;
  std::uint16_t num_params = 0;
  std::shared_ptr<const FrozenCircuit> circuit;  // optional: null for none
};

// A custom gate defined by a circuit.
struct CircuitGate {
  std::string name;
  std::size_t num_qubits = 0;
  std::size_t num_params = 0;
  OrderedSet<std::string> signature_params;
  std::shared_ptr<const FrozenCircuit> circuit;
};

}  // namespace norvi::core
