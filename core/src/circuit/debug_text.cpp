#include "norvi/core/circuit/debug_text.hpp"

#include <array>
#include <concepts>
#include <ranges>
#include <set>
#include <string_view>
#include <type_traits>

#include "norvi/symbolic/expr_text.hpp"
#include "norvi/symbolic/overloaded.hpp"

namespace norvi::core {

using symbolic::DebugWriter;
using symbolic::Overloaded;

namespace {

// Each type's writer below is its shape spelled out: `write_record(w, "Name", field("a", v.a), ...)` or
// `write_tuple(w, "Name", payload)`. The values inside go through one `write_item` family, which picks
// the form from the value's type; the few forms a type cannot decide on its own have a marker.

template <typename T>
concept Scalar = std::is_arithmetic_v<T> || std::same_as<T, UInt128> || std::same_as<T, symbolic::Int128>;

// Any range but a string is a list, unless marked as a set.
template <typename T>
concept List = std::ranges::input_range<const T> && !std::same_as<T, std::string>;

// Marks an insertion-ordered vector to be written as a set.
template <typename T>
struct AsSet {
  const T& items;
};
template <typename T>
AsSet<T> as_set(const T& items) {
  return {items};
}

// Marks a pointer that only a default-made value leaves null: its target as it stands, or None.
template <typename T>
struct PointeeOrNone {
  const std::shared_ptr<const T>& pointer;
};
template <typename T>
PointeeOrNone<T> pointee_or_none(const std::shared_ptr<const T>& pointer) {
  return {pointer};
}

template <typename T>
struct Field {
  std::string_view name;
  const T& value;
};
template <typename T>
Field<T> field(std::string_view name, const T& value) {
  return {name, value};
}

// Declared together, since each may hold any of the others.
template <Scalar T>
void write_item(T value, DebugWriter& w);
void write_item(const std::string& text, DebugWriter& w);
void write_item(const symbolic::Expr& expr, DebugWriter& w);
template <typename T>
void write_item(const std::optional<T>& value, DebugWriter& w);
template <typename T>
void write_item(const std::shared_ptr<const T>& value, DebugWriter& w);
template <typename T>
void write_item(PointeeOrNone<T> value, DebugWriter& w);
template <List T>
void write_item(const T& items, DebugWriter& w);
template <typename T>
void write_item(const std::set<T>& items, DebugWriter& w);
template <typename T>
void write_item(AsSet<T> set, DebugWriter& w);
template <typename T>
void write_item(const Array2<T>& array, DebugWriter& w);
template <typename T>
void write_item(const OnceLock<T>& lock, DebugWriter& w);
// Everything else has a writer of its own.
template <typename T>
  requires(!Scalar<T> && !List<T>)
void write_item(const T& value, DebugWriter& w) {
  write_debug(value, w);
}

// `Name { a: ..., b: ... }`.
template <typename... T>
void write_record(DebugWriter& w, std::string_view name, const Field<T>&... fields) {
  w.open_record(name);
  ((w.field(fields.name), write_item(fields.value, w)), ...);
  w.close();
}

// `Name(payload)`.
template <typename... T>
void write_tuple(DebugWriter& w, std::string_view name, const T&... payload) {
  w.open_tuple(name);
  (write_item(payload, w), ...);
  w.close();
}

// A unit variant, named by its position.
template <typename Enum, std::size_t N>
void write_word(DebugWriter& w, Enum value, const std::string_view (&names)[N]) {
  w.word(names[static_cast<std::size_t>(value)]);
}

template <Scalar T>
void write_item(T value, DebugWriter& w) {
  if constexpr (std::is_same_v<T, bool>) {
    w.bool_value(value);
  } else if constexpr (std::is_floating_point_v<T>) {
    w.float_value(value);
  } else if constexpr (std::is_same_v<T, UInt128>) {
    w.unsigned128_value(value);
  } else if constexpr (std::is_same_v<T, symbolic::Int128>) {
    w.signed128_value(value);
  } else if constexpr (std::is_signed_v<T>) {
    w.signed_value(value);
  } else {
    w.unsigned_value(value);
  }
}

void write_item(const std::string& text, DebugWriter& w) { w.string_value(text); }

void write_item(const symbolic::Expr& expr, DebugWriter& w) { symbolic::expr_write_debug(expr, w); }

template <typename T>
void write_item(const std::optional<T>& value, DebugWriter& w) {
  if (!value) return w.none();
  write_tuple(w, "Some", *value);
}

template <typename T>
void write_item(const std::shared_ptr<const T>& value, DebugWriter& w) {
  if (!value) return w.none();
  write_tuple(w, "Some", *value);
}

template <typename T>
void write_item(PointeeOrNone<T> value, DebugWriter& w) {
  if (!value.pointer) return w.none();
  write_item(*value.pointer, w);
}

template <List T>
void write_item(const T& items, DebugWriter& w) {
  w.open_list();
  for (const auto& item : items) write_item(item, w);
  w.close();
}

template <typename T>
void write_item(const std::set<T>& items, DebugWriter& w) {
  write_item(as_set(items), w);
}

template <typename T>
void write_item(AsSet<T> set, DebugWriter& w) {
  w.open_set();
  for (const auto& item : set.items) write_item(item, w);
  w.close();
}

template <typename T>
void write_item(const Array2<T>& array, DebugWriter& w) {
  auto rows = std::views::iota(std::size_t{0}, array.rows()) |
              std::views::transform([&](std::size_t r) { return array.row(r); });
  write_record(w, "Array2", field("shape", std::array{array.rows(), array.cols()}), field("rows", rows));
}

template <typename T>
void write_item(const OnceLock<T>& lock, DebugWriter& w) {
  w.open_tuple("OnceLock");
  if (const T* value = lock.get()) {
    write_item(*value, w);
  } else {
    w.word("<uninit>");
  }
  w.close();
}

template <typename Classical>
void write_classical_ref(DebugWriter& w, std::string_view name, const Classical& value) {
  write_record(w, name, field("circuit_id", value.circuit_id), field("index", value.index), field("ty", value.ty));
}

}  // namespace

void write_debug(const CircuitId& id, DebugWriter& w) { write_tuple(w, "CircuitId", id.value); }
void write_debug(const Qubit& qubit, DebugWriter& w) { write_tuple(w, "Qubit", qubit.index); }
// As a range it takes the list form; otherwise write_item would come straight back here.
static_assert(List<QubitList>);
void write_debug(const QubitList& qubits, DebugWriter& w) { write_item(qubits, w); }

void write_debug(const ParamRef& param, DebugWriter& w) {
  std::visit(Overloaded{
                 [&](const param_ref::Fixed& f) { write_tuple(w, "Fixed", f.value); },
                 [&](const param_ref::Index& i) { write_tuple(w, "Index", i.index); },
             },
             param);
}

void write_debug(const Parameter& parameter, DebugWriter& w) {
  write_record(w, "Parameter", field("expr", *parameter.expr));
}

void write_debug(const SymbolicComplex& value, DebugWriter& w) {
  write_record(w, "SymbolicComplex", field("re", value.re), field("im", value.im));
}

void write_debug(const Complex& value, DebugWriter& w) {
  write_record(w, "Complex", field("re", value.real()), field("im", value.imag()));
}

void write_debug(const SymbolicMatrix& matrix, DebugWriter& w) { write_item(matrix, w); }
void write_debug(const NumericMatrix& matrix, DebugWriter& w) { write_item(matrix, w); }

void write_debug(const GateMatrix& matrix, DebugWriter& w) {
  std::visit(Overloaded{
                 [&](const SymbolicMatrix& m) { write_tuple(w, "Symbolic", m); },
                 [&](const NumericMatrix& m) { write_tuple(w, "Numeric", m); },
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
                 [&](const classical_type::UInt& t) { write_tuple(w, "UInt", t.width); },
                 [&](const classical_type::Bool&) { w.word("Bool"); },
                 [&](const classical_type::BitVec& t) { write_tuple(w, "BitVec", t.width); },
             },
             ty);
}

void write_debug(const ClassicalVar& var, DebugWriter& w) { write_classical_ref(w, "ClassicalVar", var); }
void write_debug(const ClassicalValue& value, DebugWriter& w) { write_classical_ref(w, "ClassicalValue", value); }

void write_debug(const ClassicalExpr& expr, DebugWriter& w) {
  write_record(w, "ClassicalExpr", field("node", pointee_or_none(expr.node)));
}

void write_debug(const ClassicalExprNode& node, DebugWriter& w) {
  write_record(w, "ClassicalExprNode", field("ty", node.ty), field("kind", node.kind));
}

void write_debug(const ClassicalExprKind& kind, DebugWriter& w) {
  namespace ce = classical_expr;
  std::visit(
      Overloaded{
          [&](const ce::Var& k) { write_tuple(w, "Var", k.var); },
          [&](const ce::Value& k) { write_tuple(w, "Value", k.value); },
          [&](const ce::BoolLiteral& k) { write_tuple(w, "BoolLiteral", k.value); },
          [&](const ce::BitLiteral& k) { write_tuple(w, "BitLiteral", k.value); },
          [&](const ce::UIntLiteral& k) {
            write_record(w, "UIntLiteral", field("width", k.width), field("value", k.value));
          },
          [&](const ce::BitVecLiteral& k) {
            write_record(w, "BitVecLiteral", field("width", k.width), field("value", k.value));
          },
          [&](const ce::Unary& k) { write_record(w, "Unary", field("op", k.op), field("expr", k.expr)); },
          [&](const ce::Binary& k) {
            write_record(w, "Binary", field("op", k.op), field("lhs", k.lhs), field("rhs", k.rhs));
          },
          [&](const ce::Compare& k) {
            write_record(w, "Compare", field("op", k.op), field("lhs", k.lhs), field("rhs", k.rhs));
          },
          [&](const ce::Cast& k) { write_record(w, "Cast", field("cast", k.cast), field("expr", k.expr)); },
          [&](const ce::Select& k) {
            write_record(w, "Select", field("condition", k.condition), field("then_expr", k.then_expr),
                         field("else_expr", k.else_expr));
          },
          [&](const ce::ExtractBit& k) {
            write_record(w, "ExtractBit", field("value", k.value), field("index", k.index));
          },
          [&](const ce::ExtractBits& k) {
            write_record(w, "ExtractBits", field("value", k.value), field("offset", k.offset),
                         field("width", k.width));
          },
          [&](const ce::Concat& k) { write_record(w, "Concat", field("parts", k.parts)); },
          [&](const ce::PackBits& k) { write_record(w, "PackBits", field("bits", k.bits)); },
      },
      kind);
}

void write_debug(UnaryOp op, DebugWriter& w) { write_word(w, op, {"Not"}); }
void write_debug(BinaryOp op, DebugWriter& w) { write_word(w, op, {"And", "Or", "Xor"}); }
void write_debug(CompareOp op, DebugWriter& w) { write_word(w, op, {"Eq", "Ne", "Lt", "Le", "Gt", "Ge"}); }
void write_debug(CastKind cast, DebugWriter& w) { write_word(w, cast, {"BitToBool", "BitVecToUInt"}); }

void write_debug(StandardGate gate, DebugWriter& w) { w.word(standard_gate_name(gate)); }

void write_debug(const MCGate& gate, DebugWriter& w) {
  write_record(w, "MCGate", field("num_controls", gate.num_controls), field("gate", gate.gate));
}

void write_debug(const UnitaryGate& gate, DebugWriter& w) {
  write_record(w, "UnitaryGate", field("id", gate.id), field("label", gate.label), field("matrix", gate.matrix),
               field("matrix_params", gate.matrix_params), field("num_qubits", gate.num_qubits),
               field("num_params", gate.num_params), field("circuit", gate.circuit));
}

void write_debug(const CircuitGate& gate, DebugWriter& w) {
  write_record(w, "CircuitGate", field("name", gate.name), field("num_qubits", gate.num_qubits),
               field("num_params", gate.num_params), field("signature_params", as_set(gate.signature_params)),
               field("circuit", pointee_or_none(gate.circuit)));
}

void write_debug(DirectiveKind kind, DebugWriter& w) { write_word(w, kind, {"Barrier", "Measure", "Reset"}); }

void write_debug(const ClassicalDataOp& op, DebugWriter& w) {
  std::visit(Overloaded{
                 [&](const classical_data::Store& s) {
                   write_record(w, "Store", field("target", s.target), field("value", s.value));
                 },
                 [&](const classical_data::MeasureBit& m) { write_record(w, "MeasureBit", field("result", m.result)); },
                 [&](const classical_data::MeasureBits& m) {
                   write_record(w, "MeasureBits", field("result", m.result));
                 },
             },
             op);
}

void write_debug(const ControlFlow& flow, DebugWriter& w) {
  std::visit(Overloaded{
                 [&](const IfOp& op) { write_tuple(w, "If", op); },
                 [&](const WhileOp& op) { write_tuple(w, "While", op); },
                 [&](const ForOp& op) { write_tuple(w, "For", op); },
                 [&](const SwitchOp& op) { write_tuple(w, "Switch", op); },
                 [&](const control_flow::Break&) { w.word("Break"); },
                 [&](const control_flow::Continue&) { w.word("Continue"); },
             },
             flow);
}

void write_debug(const IfOp& op, DebugWriter& w) {
  write_record(w, "IfOp", field("condition", op.condition), field("then_body", op.then_body),
               field("else_body", op.else_body));
}

void write_debug(const WhileOp& op, DebugWriter& w) {
  write_record(w, "WhileOp", field("condition", op.condition), field("body", op.body));
}

void write_debug(const ForOp& op, DebugWriter& w) {
  write_record(w, "ForOp", field("var", op.var), field("start", op.start), field("stop", op.stop),
               field("step", op.step), field("body", op.body));
}

void write_debug(const SwitchOp& op, DebugWriter& w) {
  write_record(w, "SwitchOp", field("target", op.target), field("cases", op.cases), field("default", op.default_));
}

void write_debug(const SwitchCase& value, DebugWriter& w) {
  write_record(w, "SwitchCase", field("value", value.value), field("body", value.body));
}

void write_debug(const ControlBody& body, DebugWriter& w) {
  write_record(w, "ControlBody", field("operations", body.operations));
}

void write_debug(const Instruction& instruction, DebugWriter& w) {
  std::visit(Overloaded{
                 [&](StandardGate gate) { write_tuple(w, "Standard", gate); },
                 [&](const std::shared_ptr<const MCGate>& gate) { write_tuple(w, "McGate", *gate); },
                 [&](const std::shared_ptr<const UnitaryGate>& gate) { write_tuple(w, "UnitaryGate", *gate); },
                 [&](const std::shared_ptr<const CircuitGate>& gate) { write_tuple(w, "CircuitGate", *gate); },
                 [&](DirectiveKind kind) { write_tuple(w, "Directive", kind); },
                 [&](const ClassicalDataOp& op) { write_tuple(w, "ClassicalData", op); },
                 [&](const ControlFlow& flow) { write_tuple(w, "ClassicalControl", flow); },
                 [&](DelayInstruction) { w.word("Delay"); },
             },
             instruction.value());
}

void write_debug(const Operation& operation, DebugWriter& w) {
  write_record(w, "Operation", field("instruction", operation.instruction), field("qubits", operation.qubits),
               field("params", operation.params), field("label", operation.label));
}

void write_debug(ControlScope scope, DebugWriter& w) { write_word(w, scope, {"Loop", "Switch"}); }

void write_debug(const Circuit& circuit, DebugWriter& w) {
  write_record(w, "Circuit", field("circuit_id", circuit.circuit_id), field("qubits", as_set(circuit.qubits)),
               field("symbols", as_set(circuit.symbols)), field("parameters", as_set(circuit.parameters)),
               field("data", circuit.data), field("classical_vars", circuit.classical_vars),
               field("classical_values", circuit.classical_values),
               field("control_scope_stack", circuit.control_scope_stack), field("global_phase", circuit.global_phase));
}

void write_debug(const FrozenCircuit& circuit, DebugWriter& w) {
  write_record(w, "FrozenCircuit", field("circuit", circuit.circuit), field("used_symbols", circuit.used_symbols),
               field("symbolic_matrix_cache", circuit.symbolic_matrix_cache));
}

}  // namespace norvi::core
