#pragma once
// The structural text form of the circuit model's types: records as `Name { field: value }`, variants
// as their name with the payload in parentheses, lists in brackets, sets in braces; compact, or
// (alternate) multi-line with each field and element on its own line.

#include <string>

#include "norvi/core/circuit/circuit.hpp"
#include "norvi/symbolic/debug_writer.hpp"

namespace norvi::core {

// Each writes one value into a structural form being written.
void write_debug(const CircuitId& id, symbolic::DebugWriter& w);
void write_debug(const Qubit& qubit, symbolic::DebugWriter& w);
void write_debug(const QubitList& qubits, symbolic::DebugWriter& w);
void write_debug(const ParamRef& param, symbolic::DebugWriter& w);
void write_debug(const Parameter& parameter, symbolic::DebugWriter& w);
void write_debug(const SymbolicComplex& value, symbolic::DebugWriter& w);
void write_debug(const Complex& value, symbolic::DebugWriter& w);
void write_debug(const SymbolicMatrix& matrix, symbolic::DebugWriter& w);
void write_debug(const NumericMatrix& matrix, symbolic::DebugWriter& w);
void write_debug(const GateMatrix& matrix, symbolic::DebugWriter& w);
void write_debug(const Uuid& id, symbolic::DebugWriter& w);
void write_debug(const ClassicalType& ty, symbolic::DebugWriter& w);
void write_debug(const ClassicalVar& var, symbolic::DebugWriter& w);
void write_debug(const ClassicalValue& value, symbolic::DebugWriter& w);
void write_debug(const ClassicalExpr& expr, symbolic::DebugWriter& w);
void write_debug(const ClassicalExprNode& node, symbolic::DebugWriter& w);
void write_debug(const ClassicalExprKind& kind, symbolic::DebugWriter& w);
void write_debug(UnaryOp op, symbolic::DebugWriter& w);
void write_debug(BinaryOp op, symbolic::DebugWriter& w);
void write_debug(CompareOp op, symbolic::DebugWriter& w);
void write_debug(CastKind cast, symbolic::DebugWriter& w);
void write_debug(StandardGate gate, symbolic::DebugWriter& w);
void write_debug(const MCGate& gate, symbolic::DebugWriter& w);
void write_debug(const UnitaryGate& gate, symbolic::DebugWriter& w);
void write_debug(const CircuitGate& gate, symbolic::DebugWriter& w);
void write_debug(DirectiveKind kind, symbolic::DebugWriter& w);
void write_debug(const ClassicalDataOp& op, symbolic::DebugWriter& w);
void write_debug(const ControlFlow& flow, symbolic::DebugWriter& w);
void write_debug(const IfOp& op, symbolic::DebugWriter& w);
void write_debug(const WhileOp& op, symbolic::DebugWriter& w);
void write_debug(const ForOp& op, symbolic::DebugWriter& w);
void write_debug(const SwitchOp& op, symbolic::DebugWriter& w);
void write_debug(const SwitchCase& value, symbolic::DebugWriter& w);
void write_debug(const ControlBody& body, symbolic::DebugWriter& w);
void write_debug(const Instruction& instruction, symbolic::DebugWriter& w);
void write_debug(const Operation& operation, symbolic::DebugWriter& w);
void write_debug(ControlScope scope, symbolic::DebugWriter& w);
void write_debug(const Circuit& circuit, symbolic::DebugWriter& w);
void write_debug(const FrozenCircuit& circuit, symbolic::DebugWriter& w);

// The structural text of a value on its own.
template <typename T>
  requires requires(const T& value, symbolic::DebugWriter& w) { write_debug(value, w); }
std::string debug_text(const T& value, bool alternate = false) {
  std::string out;
  symbolic::DebugWriter w(out, alternate);
  write_debug(value, w);
  return out;
}

}  // namespace norvi::core
