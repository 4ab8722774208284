#pragma once
// Custom gates: a unitary given by its matrix (numbers, or expressions over symbolic parameters) and
// optionally by a circuit that implements it, or a gate defined by a circuit.

#include <complex>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "norvi/core/circuit/array2.hpp"
#include "norvi/core/circuit/classical.hpp"
#include "norvi/core/circuit/ordered_set.hpp"
#include "norvi/symbolic/expr.hpp"

namespace norvi::core {

// A symbolic gate parameter: a handle on an expression node (never null), which nodes only have.
struct Parameter {
  symbolic::ExprPtr expr;
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
