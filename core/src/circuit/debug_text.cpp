#include "norvi/core/circuit/debug_text.hpp"

#include <array>
#include <concepts>
#include <cstdint>
#include <memory>
#include <optional>
#include <ranges>
#include <set>
#include <string_view>
#include <type_traits>
#include <vector>

#include "norvi/symbolic/expr_text.hpp"
#include "norvi/symbolic/overloaded.hpp"
#include "norvi/symbolic/work_stack.hpp"

namespace norvi::core {

using symbolic::DebugWriter;
using symbolic::Overloaded;

namespace {

// Each type's writer below is its shape spelled out: `write_record(w, "Name", field("a", v.a), ...)` or
// `write_tuple(w, "Name", payload)`. The values inside go through one `write_item` family, which picks
// the form from the value's type; the few forms a type cannot decide on its own have a marker.
//
// Operations nest in control-flow bodies and in the circuits of custom gates, and classical
// expressions in expressions, to any depth. Those types (`Deep` below) are written by a walk with an
// explicit stack of tasks instead: a record of them writes its fields up to the first deep one, leaves
// a task to go on with the next field, and pushes a task for that value. A record whose deep field is
// its last leaves no task, only a close for the task below, so a chain costs about two tasks a level.

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

namespace ce = classical_expr;

template <typename T, typename... U>
concept OneOf = (std::same_as<T, U> || ...);

// The types whose values may hold operations or classical expressions: written by the walk only.
template <typename T>
concept Deep = OneOf<T, Operation, std::vector<Operation>, OperationList, Instruction, ControlFlow, IfOp, WhileOp,
                     ForOp, SwitchOp, SwitchCase, std::vector<SwitchCase>, ControlBody, ClassicalDataOp,
                     classical_data::Store, ClassicalExpr, std::vector<ClassicalExpr>, ClassicalExprNode,
                     ClassicalExprKind, ce::Unary, ce::Binary, ce::Compare, ce::Cast, ce::Select, ce::ExtractBit,
                     ce::ExtractBits, ce::Concat, ce::PackBits, UnitaryGate, CircuitGate, FrozenCircuit, Circuit>;

template <typename T>
struct DeepWrapper : std::false_type {};
template <Deep T>
struct DeepWrapper<std::optional<T>> : std::true_type {};
template <Deep T>
struct DeepWrapper<std::shared_ptr<const T>> : std::true_type {};
template <Deep T>
struct DeepWrapper<PointeeOrNone<T>> : std::true_type {};

// A field value that the walk writes: a deep value, or an optional or pointer to one.
template <typename T>
concept Deferred = Deep<T> || DeepWrapper<T>::value;

class Walk;
using Resume = void (*)(const void* value, std::uint32_t step, Walk& walk);

// Writing `value` from `step` on (a field or element position; 0 opens it). Neither count can reach
// 2^32: that many operations or open containers would not fit in memory.
struct Task {
  Resume resume;
  const void* value;
  std::uint32_t step;
  std::uint32_t closes;  // containers to close before resuming
};

template <Deep T>
void resume_as(const void* value, std::uint32_t step, Walk& walk);

class Walk {
 public:
  explicit Walk(DebugWriter& writer) : w(writer) {}

  template <Deep T>
  void push(const T& value, std::uint32_t step = 0) {
    tasks_.push({&resume_as<T>, &value, step, 0});
  }

  // Closes the innermost open container once everything pushed after this call is written.
  void close_later() {
    if (tasks_.empty()) {
      ++closes_at_end_;
    } else {
      ++tasks_.back().closes;
    }
  }

  void run() {
    while (!tasks_.empty()) {
      const Task task = tasks_.pop();
      for (std::uint32_t i = 0; i < task.closes; ++i) w.close();
      task.resume(task.value, task.step, *this);
    }
    for (; closes_at_end_ > 0; --closes_at_end_) w.close();
  }

  DebugWriter& w;

 private:
  symbolic::WorkStack<Task, 32> tasks_;
  std::size_t closes_at_end_ = 0;
};

// One per deep type, declared together since each may hold the others.
void resume(const Operation& op, std::uint32_t step, Walk& walk);
void resume(const std::vector<Operation>& ops, std::uint32_t step, Walk& walk);
void resume(const OperationList& ops, std::uint32_t step, Walk& walk);
void resume(const Instruction& instruction, std::uint32_t step, Walk& walk);
void resume(const ControlFlow& flow, std::uint32_t step, Walk& walk);
void resume(const IfOp& op, std::uint32_t step, Walk& walk);
void resume(const WhileOp& op, std::uint32_t step, Walk& walk);
void resume(const ForOp& op, std::uint32_t step, Walk& walk);
void resume(const SwitchOp& op, std::uint32_t step, Walk& walk);
void resume(const SwitchCase& value, std::uint32_t step, Walk& walk);
void resume(const std::vector<SwitchCase>& cases, std::uint32_t step, Walk& walk);
void resume(const ControlBody& body, std::uint32_t step, Walk& walk);
void resume(const ClassicalDataOp& op, std::uint32_t step, Walk& walk);
void resume(const classical_data::Store& store, std::uint32_t step, Walk& walk);
void resume(const ClassicalExpr& expr, std::uint32_t step, Walk& walk);
void resume(const std::vector<ClassicalExpr>& exprs, std::uint32_t step, Walk& walk);
void resume(const ClassicalExprNode& node, std::uint32_t step, Walk& walk);
void resume(const ClassicalExprKind& kind, std::uint32_t step, Walk& walk);
void resume(const ce::Unary& k, std::uint32_t step, Walk& walk);
void resume(const ce::Binary& k, std::uint32_t step, Walk& walk);
void resume(const ce::Compare& k, std::uint32_t step, Walk& walk);
void resume(const ce::Cast& k, std::uint32_t step, Walk& walk);
void resume(const ce::Select& k, std::uint32_t step, Walk& walk);
void resume(const ce::ExtractBit& k, std::uint32_t step, Walk& walk);
void resume(const ce::ExtractBits& k, std::uint32_t step, Walk& walk);
void resume(const ce::Concat& k, std::uint32_t step, Walk& walk);
void resume(const ce::PackBits& k, std::uint32_t step, Walk& walk);
void resume(const UnitaryGate& gate, std::uint32_t step, Walk& walk);
void resume(const CircuitGate& gate, std::uint32_t step, Walk& walk);
void resume(const FrozenCircuit& circuit, std::uint32_t step, Walk& walk);
void resume(const Circuit& circuit, std::uint32_t step, Walk& walk);

template <Deep T>
void resume_as(const void* value, std::uint32_t step, Walk& walk) {
  resume(*static_cast<const T*>(value), step, walk);
}

// A deep value as a whole: its writing starts here and ends in the walk.
template <Deep T>
void write_walked(const T& value, DebugWriter& w) {
  Walk walk(w);
  walk.push(value);
  walk.run();
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
  requires(!Deep<T>)
void write_item(const std::optional<T>& value, DebugWriter& w);
template <typename T>
  requires(!Deep<T>)
void write_item(const std::shared_ptr<const T>& value, DebugWriter& w);
template <typename T>
  requires(!Deep<T>)
void write_item(PointeeOrNone<T> value, DebugWriter& w);
template <List T>
  requires(!Deep<T>)
void write_item(const T& items, DebugWriter& w);
template <typename T>
void write_item(const std::set<T>& items, DebugWriter& w);
template <typename T>
void write_item(AsSet<T> set, DebugWriter& w);
template <typename T>
void write_item(const Array2<T>& array, DebugWriter& w);
template <typename T>
void write_item(const OnceLock<T>& lock, DebugWriter& w);
// Everything else has a writer of its own; deep values are the walk's.
template <typename T>
  requires(!Scalar<T> && !List<T> && !Deep<T>)
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

// A unit variant, named by its position; a number outside the names as `Type(number)`.
template <typename Enum, std::size_t N>
void write_word(DebugWriter& w, std::string_view type, Enum value, const std::string_view (&names)[N]) {
  const auto raw = static_cast<std::underlying_type_t<Enum>>(value);
  if (static_cast<std::size_t>(raw) < N) return w.word(names[static_cast<std::size_t>(raw)]);
  write_tuple(w, type, raw);
}

// A variant that a throwing assignment left without a value has no alternative to write.
void write_valueless(DebugWriter& w) { w.word("<valueless>"); }

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
  requires(!Deep<T>)
void write_item(const std::optional<T>& value, DebugWriter& w) {
  if (!value) return w.none();
  write_tuple(w, "Some", *value);
}

template <typename T>
  requires(!Deep<T>)
void write_item(const std::shared_ptr<const T>& value, DebugWriter& w) {
  if (!value) return w.none();
  write_tuple(w, "Some", *value);
}

template <typename T>
  requires(!Deep<T>)
void write_item(PointeeOrNone<T> value, DebugWriter& w) {
  if (!value.pointer) return w.none();
  write_item(*value.pointer, w);
}

template <List T>
  requires(!Deep<T>)
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

// A deferred field's value: pushed for the walk, or written at once when it is None.
template <Deep T>
void write_deferred(const T& value, Walk& walk) {
  walk.push(value);
}
template <Deep T>
void write_deferred(const std::optional<T>& value, Walk& walk) {
  if (!value) return walk.w.none();
  walk.w.open_some();
  walk.close_later();
  walk.push(*value);
}
template <Deep T>
void write_deferred(const std::shared_ptr<const T>& value, Walk& walk) {
  if (!value) return walk.w.none();
  walk.w.open_some();
  walk.close_later();
  walk.push(*value);
}
template <Deep T>
void write_deferred(PointeeOrNone<T> value, Walk& walk) {
  if (!value.pointer) return walk.w.none();
  walk.push(*value.pointer);
}

// `Name { a: ..., b: ... }` of a deep record, from field `step` on: up to and including the first
// deferred field, with a task left for the rest.
template <Deep Self, typename... T>
void resume_record(const Self& self, std::uint32_t step, Walk& walk, std::string_view name, const Field<T>&... fields) {
  constexpr std::uint32_t kCount = sizeof...(T);
  if (step == 0) walk.w.open_record(name);
  std::uint32_t at = 0;
  bool deferred = false;
  auto one = [&]<typename V>(const Field<V>& f) {
    const std::uint32_t index = at++;
    if (deferred || index < step) return;
    walk.w.field(f.name);
    if constexpr (Deferred<V>) {
      if (index + 1 < kCount) {
        walk.push(self, index + 1);
      } else {
        walk.close_later();
      }
      write_deferred(f.value, walk);
      deferred = true;
    } else {
      write_item(f.value, walk.w);
    }
  };
  (one(fields), ...);
  if (!deferred) walk.w.close();
}

// `Name(payload)` of a deep payload.
template <Deep T>
void resume_tuple(Walk& walk, std::string_view name, const T& payload) {
  walk.w.open_tuple(name);
  walk.close_later();
  walk.push(payload);
}

// `[...]` of deep elements, from element `step` on: one element, with a task left for the rest.
template <Deep L>
void resume_list(const L& items, std::uint32_t step, Walk& walk) {
  if (step == 0) walk.w.open_list();
  if (step >= items.size()) return walk.w.close();
  if (step + 1 < items.size()) {
    walk.push(items, step + 1);
  } else {
    walk.close_later();
  }
  walk.push(items[step]);
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

// ---- The deep types: each public writer starts a walk; the walk resumes them field by field.

void write_debug(const ClassicalExpr& expr, DebugWriter& w) { write_walked(expr, w); }
void write_debug(const ClassicalExprNode& node, DebugWriter& w) { write_walked(node, w); }
void write_debug(const ClassicalExprKind& kind, DebugWriter& w) { write_walked(kind, w); }
void write_debug(const UnitaryGate& gate, DebugWriter& w) { write_walked(gate, w); }
void write_debug(const CircuitGate& gate, DebugWriter& w) { write_walked(gate, w); }
void write_debug(const ClassicalDataOp& op, DebugWriter& w) { write_walked(op, w); }
void write_debug(const ControlFlow& flow, DebugWriter& w) { write_walked(flow, w); }
void write_debug(const IfOp& op, DebugWriter& w) { write_walked(op, w); }
void write_debug(const WhileOp& op, DebugWriter& w) { write_walked(op, w); }
void write_debug(const ForOp& op, DebugWriter& w) { write_walked(op, w); }
void write_debug(const SwitchOp& op, DebugWriter& w) { write_walked(op, w); }
void write_debug(const SwitchCase& value, DebugWriter& w) { write_walked(value, w); }
void write_debug(const ControlBody& body, DebugWriter& w) { write_walked(body, w); }
void write_debug(const Instruction& instruction, DebugWriter& w) { write_walked(instruction, w); }
void write_debug(const Operation& operation, DebugWriter& w) { write_walked(operation, w); }
void write_debug(const Circuit& circuit, DebugWriter& w) { write_walked(circuit, w); }
void write_debug(const FrozenCircuit& circuit, DebugWriter& w) { write_walked(circuit, w); }

void write_debug(UnaryOp op, DebugWriter& w) { write_word(w, "UnaryOp", op, {"Not"}); }
void write_debug(BinaryOp op, DebugWriter& w) { write_word(w, "BinaryOp", op, {"And", "Or", "Xor"}); }
void write_debug(CompareOp op, DebugWriter& w) {
  write_word(w, "CompareOp", op, {"Eq", "Ne", "Lt", "Le", "Gt", "Ge"});
}
void write_debug(CastKind cast, DebugWriter& w) { write_word(w, "CastKind", cast, {"BitToBool", "BitVecToUInt"}); }

void write_debug(StandardGate gate, DebugWriter& w) {
  const std::string_view name = standard_gate_name(gate);
  if (name.empty()) return write_tuple(w, "StandardGate", static_cast<std::underlying_type_t<StandardGate>>(gate));
  w.word(name);
}

void write_debug(const MCGate& gate, DebugWriter& w) {
  write_record(w, "MCGate", field("num_controls", gate.num_controls), field("gate", gate.gate));
}

void write_debug(DirectiveKind kind, DebugWriter& w) {
  write_word(w, "DirectiveKind", kind, {"Barrier", "Measure", "Reset"});
}

void write_debug(ControlScope scope, DebugWriter& w) { write_word(w, "ControlScope", scope, {"Loop", "Switch"}); }

namespace {

void resume(const ClassicalExpr& expr, std::uint32_t step, Walk& walk) {
  resume_record(expr, step, walk, "ClassicalExpr", field("node", pointee_or_none(expr.node)));
}

void resume(const std::vector<ClassicalExpr>& exprs, std::uint32_t step, Walk& walk) {
  resume_list(exprs, step, walk);
}

void resume(const ClassicalExprNode& node, std::uint32_t step, Walk& walk) {
  resume_record(node, step, walk, "ClassicalExprNode", field("ty", node.ty), field("kind", node.kind));
}

void resume(const ClassicalExprKind& kind, std::uint32_t /*step*/, Walk& walk) {
  if (kind.valueless_by_exception()) return write_valueless(walk.w);
  DebugWriter& w = walk.w;
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
          [&](const auto& k) { walk.push(k); },
      },
      kind);
}

void resume(const ce::Unary& k, std::uint32_t step, Walk& walk) {
  resume_record(k, step, walk, "Unary", field("op", k.op), field("expr", k.expr));
}
void resume(const ce::Binary& k, std::uint32_t step, Walk& walk) {
  resume_record(k, step, walk, "Binary", field("op", k.op), field("lhs", k.lhs), field("rhs", k.rhs));
}
void resume(const ce::Compare& k, std::uint32_t step, Walk& walk) {
  resume_record(k, step, walk, "Compare", field("op", k.op), field("lhs", k.lhs), field("rhs", k.rhs));
}
void resume(const ce::Cast& k, std::uint32_t step, Walk& walk) {
  resume_record(k, step, walk, "Cast", field("cast", k.cast), field("expr", k.expr));
}
void resume(const ce::Select& k, std::uint32_t step, Walk& walk) {
  resume_record(k, step, walk, "Select", field("condition", k.condition), field("then_expr", k.then_expr),
                field("else_expr", k.else_expr));
}
void resume(const ce::ExtractBit& k, std::uint32_t step, Walk& walk) {
  resume_record(k, step, walk, "ExtractBit", field("value", k.value), field("index", k.index));
}
void resume(const ce::ExtractBits& k, std::uint32_t step, Walk& walk) {
  resume_record(k, step, walk, "ExtractBits", field("value", k.value), field("offset", k.offset),
                field("width", k.width));
}
void resume(const ce::Concat& k, std::uint32_t step, Walk& walk) {
  resume_record(k, step, walk, "Concat", field("parts", k.parts));
}
void resume(const ce::PackBits& k, std::uint32_t step, Walk& walk) {
  resume_record(k, step, walk, "PackBits", field("bits", k.bits));
}

void resume(const UnitaryGate& gate, std::uint32_t step, Walk& walk) {
  resume_record(gate, step, walk, "UnitaryGate", field("id", gate.id), field("label", gate.label),
                field("matrix", gate.matrix), field("matrix_params", gate.matrix_params),
                field("num_qubits", gate.num_qubits), field("num_params", gate.num_params),
                field("circuit", gate.circuit));
}

void resume(const CircuitGate& gate, std::uint32_t step, Walk& walk) {
  resume_record(gate, step, walk, "CircuitGate", field("name", gate.name), field("num_qubits", gate.num_qubits),
                field("num_params", gate.num_params), field("signature_params", as_set(gate.signature_params)),
                field("circuit", pointee_or_none(gate.circuit)));
}

void resume(const ClassicalDataOp& op, std::uint32_t /*step*/, Walk& walk) {
  if (op.valueless_by_exception()) return write_valueless(walk.w);
  std::visit(Overloaded{
                 [&](const classical_data::Store& s) { walk.push(s); },
                 [&](const classical_data::MeasureBit& m) {
                   write_record(walk.w, "MeasureBit", field("result", m.result));
                 },
                 [&](const classical_data::MeasureBits& m) {
                   write_record(walk.w, "MeasureBits", field("result", m.result));
                 },
             },
             op);
}

void resume(const classical_data::Store& store, std::uint32_t step, Walk& walk) {
  resume_record(store, step, walk, "Store", field("target", store.target), field("value", store.value));
}

void resume(const ControlFlow& flow, std::uint32_t /*step*/, Walk& walk) {
  if (flow.valueless_by_exception()) return write_valueless(walk.w);
  std::visit(Overloaded{
                 [&](const IfOp& op) { resume_tuple(walk, "If", op); },
                 [&](const WhileOp& op) { resume_tuple(walk, "While", op); },
                 [&](const ForOp& op) { resume_tuple(walk, "For", op); },
                 [&](const SwitchOp& op) { resume_tuple(walk, "Switch", op); },
                 [&](const control_flow::Break&) { walk.w.word("Break"); },
                 [&](const control_flow::Continue&) { walk.w.word("Continue"); },
             },
             flow);
}

void resume(const IfOp& op, std::uint32_t step, Walk& walk) {
  resume_record(op, step, walk, "IfOp", field("condition", op.condition), field("then_body", op.then_body),
                field("else_body", op.else_body));
}

void resume(const WhileOp& op, std::uint32_t step, Walk& walk) {
  resume_record(op, step, walk, "WhileOp", field("condition", op.condition), field("body", op.body));
}

void resume(const ForOp& op, std::uint32_t step, Walk& walk) {
  resume_record(op, step, walk, "ForOp", field("var", op.var), field("start", op.start), field("stop", op.stop),
                field("step", op.step), field("body", op.body));
}

void resume(const SwitchOp& op, std::uint32_t step, Walk& walk) {
  resume_record(op, step, walk, "SwitchOp", field("target", op.target), field("cases", op.cases),
                field("default", op.default_));
}

void resume(const SwitchCase& value, std::uint32_t step, Walk& walk) {
  resume_record(value, step, walk, "SwitchCase", field("value", value.value), field("body", value.body));
}

void resume(const std::vector<SwitchCase>& cases, std::uint32_t step, Walk& walk) { resume_list(cases, step, walk); }

void resume(const ControlBody& body, std::uint32_t step, Walk& walk) {
  resume_record(body, step, walk, "ControlBody", field("operations", body.operations));
}

void resume(const Instruction& instruction, std::uint32_t /*step*/, Walk& walk) {
  DebugWriter& w = walk.w;
  std::visit(Overloaded{
                 [&](StandardGate gate) { write_tuple(w, "Standard", gate); },
                 [&](const std::shared_ptr<const MCGate>& gate) { write_tuple(w, "McGate", *gate); },
                 [&](const std::shared_ptr<const UnitaryGate>& gate) { resume_tuple(walk, "UnitaryGate", *gate); },
                 [&](const std::shared_ptr<const CircuitGate>& gate) { resume_tuple(walk, "CircuitGate", *gate); },
                 [&](DirectiveKind kind) { write_tuple(w, "Directive", kind); },
                 [&](const ClassicalDataOp& op) { resume_tuple(walk, "ClassicalData", op); },
                 [&](const ControlFlow& flow) { resume_tuple(walk, "ClassicalControl", flow); },
                 [&](DelayInstruction) { w.word("Delay"); },
             },
             instruction.value());
}

void resume(const Operation& op, std::uint32_t step, Walk& walk) {
  resume_record(op, step, walk, "Operation", field("instruction", op.instruction), field("qubits", op.qubits),
                field("params", op.params), field("label", op.label));
}

void resume(const std::vector<Operation>& ops, std::uint32_t step, Walk& walk) { resume_list(ops, step, walk); }
void resume(const OperationList& ops, std::uint32_t step, Walk& walk) { resume_list(ops, step, walk); }

void resume(const Circuit& circuit, std::uint32_t step, Walk& walk) {
  resume_record(circuit, step, walk, "Circuit", field("circuit_id", circuit.circuit_id),
                field("qubits", as_set(circuit.qubits)), field("symbols", as_set(circuit.symbols)),
                field("parameters", as_set(circuit.parameters)), field("data", circuit.data),
                field("classical_vars", circuit.classical_vars), field("classical_values", circuit.classical_values),
                field("control_scope_stack", circuit.control_scope_stack),
                field("global_phase", circuit.global_phase));
}

void resume(const FrozenCircuit& circuit, std::uint32_t step, Walk& walk) {
  resume_record(circuit, step, walk, "FrozenCircuit", field("circuit", circuit.circuit),
                field("used_symbols", circuit.used_symbols),
                field("symbolic_matrix_cache", circuit.symbolic_matrix_cache));
}

}  // namespace

}  // namespace norvi::core
