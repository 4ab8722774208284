#include "norvi/core/circuit/debug_text.hpp"

#include <array>
#include <string_view>
#include <type_traits>

#include "norvi/symbolic/expr_text.hpp"
#include "norvi/symbolic/overloaded.hpp"

namespace norvi::core {

using symbolic::DebugWriter;
using symbolic::Overloaded;

namespace {

// One element of a list, set or option: names are quoted texts.
template <typename T>
void write_item(const T& item, DebugWriter& w) {
  if constexpr (std::is_same_v<T, std::string>) {
    w.string_value(item);
  } else {
    write_debug(item, w);
  }
}

// `Name(payload)`.
template <typename T>
void write_tuple(std::string_view name, const T& payload, DebugWriter& w) {
  w.open_tuple(name);
  write_debug(payload, w);
  w.close();
}

template <typename List>
void write_list(const List& items, DebugWriter& w) {
  w.open_list();
  for (const auto& item : items) write_item(item, w);
  w.close();
}

template <typename Set>
void write_set(const Set& items, DebugWriter& w) {
  w.open_set();
  for (const auto& item : items) write_item(item, w);
  w.close();
}

template <typename T>
void write_optional(const std::optional<T>& value, DebugWriter& w) {
  if (!value) return w.none();
  w.open_some();
  write_item(*value, w);
  w.close();
}

template <typename T>
void write_shared(const std::shared_ptr<const T>& value, DebugWriter& w) {
  if (!value) return w.none();
  w.open_some();
  write_debug(*value, w);
  w.close();
}

template <typename T>
void write_array(const Array2<T>& array, DebugWriter& w) {
  w.open_record("Array2");
  w.field("shape");
  w.open_list();
  w.unsigned_value(array.rows());
  w.unsigned_value(array.cols());
  w.close();
  w.field("rows");
  w.open_list();
  for (std::size_t r = 0; r < array.rows(); ++r) write_list(array.row(r), w);
  w.close();
  w.close();
}

template <typename Enum, std::size_t N>
void write_word(Enum value, const std::array<std::string_view, N>& names, DebugWriter& w) {
  w.word(names[static_cast<std::size_t>(value)]);
}

void write_literal(std::string_view name, std::uint32_t width, UInt128 value, DebugWriter& w) {
  w.open_record(name);
  w.field("width");
  w.unsigned_value(width);
  w.field("value");
  w.unsigned128_value(value);
  w.close();
}

// `Name { op: ..., lhs: ..., rhs: ... }`.
template <typename Op>
void write_operator(std::string_view name, Op op, const ClassicalExpr& lhs, const ClassicalExpr& rhs, DebugWriter& w) {
  w.open_record(name);
  w.field("op");
  write_debug(op, w);
  w.field("lhs");
  write_debug(lhs, w);
  w.field("rhs");
  write_debug(rhs, w);
  w.close();
}

}  // namespace

void write_debug(const CircuitId& id, DebugWriter& w) {
  w.open_tuple("CircuitId");
  w.unsigned_value(id.value);
  w.close();
}

void write_debug(const Qubit& qubit, DebugWriter& w) {
  w.open_tuple("Qubit");
  w.unsigned_value(qubit.index);
  w.close();
}

void write_debug(const QubitList& qubits, DebugWriter& w) { write_list(qubits, w); }

void write_debug(const ParamRef& param, DebugWriter& w) {
  std::visit(Overloaded{
                 [&](const param_ref::Fixed& f) {
                   w.open_tuple("Fixed");
                   w.float_value(f.value);
                   w.close();
                 },
                 [&](const param_ref::Index& i) {
                   w.open_tuple("Index");
                   w.unsigned_value(i.index);
                   w.close();
                 },
             },
             param);
}

void write_debug(const Parameter& parameter, DebugWriter& w) {
  w.open_record("Parameter");
  w.field("expr");
  symbolic::expr_write_debug(*parameter.expr, w);
  w.close();
}

void write_debug(const SymbolicComplex& value, DebugWriter& w) {
  w.open_record("SymbolicComplex");
  w.field("re");
  write_debug(value.re, w);
  w.field("im");
  write_debug(value.im, w);
  w.close();
}

void write_debug(const Complex& value, DebugWriter& w) {
  w.open_record("Complex");
  w.field("re");
  w.float_value(value.real());
  w.field("im");
  w.float_value(value.imag());
  w.close();
}

void write_debug(const SymbolicMatrix& matrix, DebugWriter& w) { write_array(matrix, w); }
void write_debug(const NumericMatrix& matrix, DebugWriter& w) { write_array(matrix, w); }

void write_debug(const GateMatrix& matrix, DebugWriter& w) {
  std::visit(Overloaded{
                 [&](const SymbolicMatrix& m) { write_tuple("Symbolic", m, w); },
                 [&](const NumericMatrix& m) { write_tuple("Numeric", m, w); },
             },
             matrix);
}

void write_debug(const Uuid& id, DebugWriter& w) {
  // 8-4-4-4-12 lowercase hexadecimal digits.
  static constexpr char kHex[] = "0123456789abcdef";
  char text[36];
  std::size_t at = 0;
  for (int nibble = 31; nibble >= 0; --nibble) {
    if (nibble == 23 || nibble == 19 || nibble == 15 || nibble == 11) text[at++] = '-';
    text[at++] = kHex[static_cast<unsigned>(id.value >> (4 * nibble)) & 0xfU];
  }
  w.word(std::string_view(text, sizeof text));
}

void write_debug(const ClassicalType& ty, DebugWriter& w) {
  std::visit(Overloaded{
                 [&](const classical_type::Bit&) { w.word("Bit"); },
                 [&](const classical_type::UInt& t) {
                   w.open_tuple("UInt");
                   w.unsigned_value(t.width);
                   w.close();
                 },
                 [&](const classical_type::Bool&) { w.word("Bool"); },
                 [&](const classical_type::BitVec& t) {
                   w.open_tuple("BitVec");
                   w.unsigned_value(t.width);
                   w.close();
                 },
             },
             ty);
}

namespace {

template <typename Classical>
void write_classical_ref(std::string_view name, const Classical& value, DebugWriter& w) {
  w.open_record(name);
  w.field("circuit_id");
  write_debug(value.circuit_id, w);
  w.field("index");
  w.unsigned_value(value.index);
  w.field("ty");
  write_debug(value.ty, w);
  w.close();
}

}  // namespace

void write_debug(const ClassicalVar& var, DebugWriter& w) { write_classical_ref("ClassicalVar", var, w); }
void write_debug(const ClassicalValue& value, DebugWriter& w) { write_classical_ref("ClassicalValue", value, w); }

void write_debug(const ClassicalExpr& expr, DebugWriter& w) {
  w.open_record("ClassicalExpr");
  w.field("node");
  if (expr.node) {
    write_debug(*expr.node, w);
  } else {
    w.none();  // only a default-made expression has no node
  }
  w.close();
}

void write_debug(const ClassicalExprNode& node, DebugWriter& w) {
  w.open_record("ClassicalExprNode");
  w.field("ty");
  write_debug(node.ty, w);
  w.field("kind");
  write_debug(node.kind, w);
  w.close();
}

void write_debug(const ClassicalExprKind& kind, DebugWriter& w) {
  namespace ce = classical_expr;
  std::visit(Overloaded{
                 [&](const ce::Var& k) { write_tuple("Var", k.var, w); },
                 [&](const ce::Value& k) { write_tuple("Value", k.value, w); },
                 [&](const ce::BoolLiteral& k) {
                   w.open_tuple("BoolLiteral");
                   w.bool_value(k.value);
                   w.close();
                 },
                 [&](const ce::BitLiteral& k) {
                   w.open_tuple("BitLiteral");
                   w.bool_value(k.value);
                   w.close();
                 },
                 [&](const ce::UIntLiteral& k) { write_literal("UIntLiteral", k.width, k.value, w); },
                 [&](const ce::BitVecLiteral& k) { write_literal("BitVecLiteral", k.width, k.value, w); },
                 [&](const ce::Unary& k) {
                   w.open_record("Unary");
                   w.field("op");
                   write_debug(k.op, w);
                   w.field("expr");
                   write_debug(k.expr, w);
                   w.close();
                 },
                 [&](const ce::Binary& k) { write_operator("Binary", k.op, k.lhs, k.rhs, w); },
                 [&](const ce::Compare& k) { write_operator("Compare", k.op, k.lhs, k.rhs, w); },
                 [&](const ce::Cast& k) {
                   w.open_record("Cast");
                   w.field("cast");
                   write_debug(k.cast, w);
                   w.field("expr");
                   write_debug(k.expr, w);
                   w.close();
                 },
                 [&](const ce::Select& k) {
                   w.open_record("Select");
                   w.field("condition");
                   write_debug(k.condition, w);
                   w.field("then_expr");
                   write_debug(k.then_expr, w);
                   w.field("else_expr");
                   write_debug(k.else_expr, w);
                   w.close();
                 },
                 [&](const ce::ExtractBit& k) {
                   w.open_record("ExtractBit");
                   w.field("value");
                   write_debug(k.value, w);
                   w.field("index");
                   w.unsigned_value(k.index);
                   w.close();
                 },
                 [&](const ce::ExtractBits& k) {
                   w.open_record("ExtractBits");
                   w.field("value");
                   write_debug(k.value, w);
                   w.field("offset");
                   w.unsigned_value(k.offset);
                   w.field("width");
                   w.unsigned_value(k.width);
                   w.close();
                 },
                 [&](const ce::Concat& k) {
                   w.open_record("Concat");
                   w.field("parts");
                   write_list(k.parts, w);
                   w.close();
                 },
                 [&](const ce::PackBits& k) {
                   w.open_record("PackBits");
                   w.field("bits");
                   write_list(k.bits, w);
                   w.close();
                 },
             },
             kind);
}

void write_debug(UnaryOp op, DebugWriter& w) { write_word(op, std::array<std::string_view, 1>{"Not"}, w); }
void write_debug(BinaryOp op, DebugWriter& w) {
  write_word(op, std::array<std::string_view, 3>{"And", "Or", "Xor"}, w);
}
void write_debug(CompareOp op, DebugWriter& w) {
  write_word(op, std::array<std::string_view, 6>{"Eq", "Ne", "Lt", "Le", "Gt", "Ge"}, w);
}
void write_debug(CastKind cast, DebugWriter& w) {
  write_word(cast, std::array<std::string_view, 2>{"BitToBool", "BitVecToUInt"}, w);
}

void write_debug(StandardGate gate, DebugWriter& w) { w.word(standard_gate_name(gate)); }

void write_debug(const MCGate& gate, DebugWriter& w) {
  w.open_record("MCGate");
  w.field("num_controls");
  w.unsigned_value(gate.num_controls);
  w.field("gate");
  write_debug(gate.gate, w);
  w.close();
}

void write_debug(const UnitaryGate& gate, DebugWriter& w) {
  w.open_record("UnitaryGate");
  w.field("id");
  write_debug(gate.id, w);
  w.field("label");
  w.string_value(gate.label);
  w.field("matrix");
  write_optional(gate.matrix, w);
  w.field("matrix_params");
  if (gate.matrix_params) {
    w.open_some();
    write_list(*gate.matrix_params, w);
    w.close();
  } else {
    w.none();
  }
  w.field("num_qubits");
  w.unsigned_value(gate.num_qubits);
  w.field("num_params");
  w.unsigned_value(gate.num_params);
  w.field("circuit");
  write_shared(gate.circuit, w);
  w.close();
}

void write_debug(const CircuitGate& gate, DebugWriter& w) {
  w.open_record("CircuitGate");
  w.field("name");
  w.string_value(gate.name);
  w.field("num_qubits");
  w.unsigned_value(gate.num_qubits);
  w.field("num_params");
  w.unsigned_value(gate.num_params);
  w.field("signature_params");
  write_set(gate.signature_params, w);
  w.field("circuit");
  if (gate.circuit) {
    write_debug(*gate.circuit, w);
  } else {
    w.none();  // only a default-made gate has no circuit
  }
  w.close();
}

void write_debug(DirectiveKind kind, DebugWriter& w) {
  write_word(kind, std::array<std::string_view, 3>{"Barrier", "Measure", "Reset"}, w);
}

void write_debug(const ClassicalDataOp& op, DebugWriter& w) {
  std::visit(Overloaded{
                 [&](const classical_data::Store& s) {
                   w.open_record("Store");
                   w.field("target");
                   write_debug(s.target, w);
                   w.field("value");
                   write_debug(s.value, w);
                   w.close();
                 },
                 [&](const classical_data::MeasureBit& m) {
                   w.open_record("MeasureBit");
                   w.field("result");
                   write_debug(m.result, w);
                   w.close();
                 },
                 [&](const classical_data::MeasureBits& m) {
                   w.open_record("MeasureBits");
                   w.field("result");
                   write_debug(m.result, w);
                   w.close();
                 },
             },
             op);
}

void write_debug(const ControlFlow& flow, DebugWriter& w) {
  std::visit(Overloaded{
                 [&](const IfOp& op) { write_tuple("If", op, w); },
                 [&](const WhileOp& op) { write_tuple("While", op, w); },
                 [&](const ForOp& op) { write_tuple("For", op, w); },
                 [&](const SwitchOp& op) { write_tuple("Switch", op, w); },
                 [&](const control_flow::Break&) { w.word("Break"); },
                 [&](const control_flow::Continue&) { w.word("Continue"); },
             },
             flow);
}

void write_debug(const IfOp& op, DebugWriter& w) {
  w.open_record("IfOp");
  w.field("condition");
  write_debug(op.condition, w);
  w.field("then_body");
  write_debug(op.then_body, w);
  w.field("else_body");
  write_optional(op.else_body, w);
  w.close();
}

void write_debug(const WhileOp& op, DebugWriter& w) {
  w.open_record("WhileOp");
  w.field("condition");
  write_debug(op.condition, w);
  w.field("body");
  write_debug(op.body, w);
  w.close();
}

void write_debug(const ForOp& op, DebugWriter& w) {
  w.open_record("ForOp");
  w.field("var");
  write_debug(op.var, w);
  w.field("start");
  write_debug(op.start, w);
  w.field("stop");
  write_debug(op.stop, w);
  w.field("step");
  write_debug(op.step, w);
  w.field("body");
  write_debug(op.body, w);
  w.close();
}

void write_debug(const SwitchOp& op, DebugWriter& w) {
  w.open_record("SwitchOp");
  w.field("target");
  write_debug(op.target, w);
  w.field("cases");
  write_list(op.cases, w);
  w.field("default");
  write_optional(op.default_, w);
  w.close();
}

void write_debug(const SwitchCase& value, DebugWriter& w) {
  w.open_record("SwitchCase");
  w.field("value");
  w.unsigned128_value(value.value);
  w.field("body");
  write_debug(value.body, w);
  w.close();
}

void write_debug(const ControlBody& body, DebugWriter& w) {
  w.open_record("ControlBody");
  w.field("operations");
  write_list(body.operations, w);
  w.close();
}

void write_debug(const Instruction& instruction, DebugWriter& w) {
  std::visit(Overloaded{
                 [&](StandardGate gate) { write_tuple("Standard", gate, w); },
                 [&](const std::shared_ptr<const MCGate>& gate) { write_tuple("McGate", *gate, w); },
                 [&](const std::shared_ptr<const UnitaryGate>& gate) { write_tuple("UnitaryGate", *gate, w); },
                 [&](const std::shared_ptr<const CircuitGate>& gate) { write_tuple("CircuitGate", *gate, w); },
                 [&](DirectiveKind kind) { write_tuple("Directive", kind, w); },
                 [&](const ClassicalDataOp& op) { write_tuple("ClassicalData", op, w); },
                 [&](const ControlFlow& flow) { write_tuple("ClassicalControl", flow, w); },
                 [&](DelayInstruction) { w.word("Delay"); },
             },
             instruction.value());
}

void write_debug(const Operation& operation, DebugWriter& w) {
  w.open_record("Operation");
  w.field("instruction");
  write_debug(operation.instruction, w);
  w.field("qubits");
  write_debug(operation.qubits, w);
  w.field("params");
  write_list(operation.params, w);
  w.field("label");
  write_optional(operation.label, w);
  w.close();
}

void write_debug(ControlScope scope, DebugWriter& w) {
  write_word(scope, std::array<std::string_view, 2>{"Loop", "Switch"}, w);
}

void write_debug(const Circuit& circuit, DebugWriter& w) {
  w.open_record("Circuit");
  w.field("circuit_id");
  write_debug(circuit.circuit_id, w);
  w.field("qubits");
  write_set(circuit.qubits, w);
  w.field("symbols");
  write_set(circuit.symbols, w);
  w.field("parameters");
  write_set(circuit.parameters, w);
  w.field("data");
  write_list(circuit.data, w);
  w.field("classical_vars");
  write_list(circuit.classical_vars, w);
  w.field("classical_values");
  write_list(circuit.classical_values, w);
  w.field("control_scope_stack");
  write_list(circuit.control_scope_stack, w);
  w.field("global_phase");
  write_debug(circuit.global_phase, w);
  w.close();
}

void write_debug(const FrozenCircuit& circuit, DebugWriter& w) {
  w.open_record("FrozenCircuit");
  w.field("circuit");
  write_debug(circuit.circuit, w);
  w.field("used_symbols");
  write_set(circuit.used_symbols, w);
  w.field("symbolic_matrix_cache");
  w.open_tuple("OnceLock");
  if (const SymbolicMatrix* matrix = circuit.symbolic_matrix_cache.get()) {
    write_debug(*matrix, w);
  } else {
    w.word("<uninit>");
  }
  w.close();
  w.close();
}

}  // namespace norvi::core
