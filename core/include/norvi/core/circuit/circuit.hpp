#pragma once
// The circuit model: a circuit is a list of operations, each an instruction applied to qubits with gate
// parameters. Parameters are numbers or references into the circuit's table of symbolic parameters.
//
// Only plain construction is offered: records are aggregates taking their fields in declaration order
// and lists take initializer lists. Building a consistent circuit (indices into its tables, the scope
// stack, the uniqueness of the ordered sets) is up to whoever assembles one.

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "norvi/core/circuit/classical.hpp"
#include "norvi/core/circuit/once_lock.hpp"
#include "norvi/core/circuit/operation.hpp"
#include "norvi/core/circuit/ordered_set.hpp"
#include "norvi/core/gates/custom_gate.hpp"

namespace norvi::core {

// The kind of an open control-flow scope.
enum class ControlScope : std::uint8_t { Loop, Switch };

// The operations of a circuit, shared by every copy of the circuit.
class OperationList {
 public:
  OperationList() = default;
  OperationList(const OperationList&) = default;
  OperationList(OperationList&&) noexcept = default;
  OperationList& operator=(const OperationList&) = default;
  OperationList& operator=(OperationList&&) noexcept = default;
  // The last holder hands the operations to an iterative release: custom gates nest circuits.
  ~OperationList();
  OperationList(std::initializer_list<Operation> operations)
      : operations_(std::make_shared<const std::vector<Operation>>(operations)) {}
  explicit OperationList(std::vector<Operation> operations)
      : operations_(std::make_shared<const std::vector<Operation>>(std::move(operations))) {}

  std::size_t size() const noexcept { return operations_ ? operations_->size() : 0; }
  bool empty() const noexcept { return size() == 0; }
  const Operation* begin() const noexcept { return operations_ ? operations_->data() : nullptr; }
  const Operation* end() const noexcept { return begin() + size(); }
  const Operation& operator[](std::size_t i) const noexcept { return (*operations_)[i]; }
  // Whether both are the one shared list (two empty lists always are).
  bool shares_with(const OperationList& other) const noexcept { return begin() == other.begin(); }

 private:
  std::shared_ptr<const std::vector<Operation>> operations_;
};

struct Circuit {
  CircuitId circuit_id;
  OrderedSet<Qubit> qubits;
  OrderedSet<std::string> symbols;
  OrderedSet<Parameter> parameters;
  OperationList data;
  std::vector<ClassicalType> classical_vars;    // the type of each classical variable, by index
  std::vector<ClassicalType> classical_values;  // the type of each classical value, by index
  std::vector<ControlScope> control_scope_stack;  // innermost last
  ParamRef global_phase;
};

struct FrozenCircuit {
  Circuit circuit;
  std::set<std::string> used_symbols;
  OnceLock<SymbolicMatrix> symbolic_matrix_cache;
};

}  // namespace norvi::core
