#pragma once
// One operation of a circuit: an instruction applied to qubits with gate parameters, and the name every
// instruction goes by (in error texts and when native gates are matched by name). Classical control
// flow is an instruction whose bodies are operations again, so operations, instructions and the
// control-flow records are one recursive type, defined together here.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "norvi/core/circuit/classical.hpp"
#include "norvi/core/circuit/qubit_list.hpp"
#include "norvi/core/gates/standard_gate.hpp"

namespace norvi::core {

struct Operation;

// Its special members and equality are defined in the source file, where Operation is whole: an
// operation can hold a control-flow instruction, so copying, comparing or destroying a body may only be
// spelled out after Operation. Bodies nest to any depth, so all three walk with explicit stacks.
struct ControlBody {
  ControlBody() noexcept;
  ControlBody(std::vector<Operation> operations) noexcept;  // NOLINT(google-explicit-constructor)
  ControlBody(const ControlBody& other);
  ControlBody(ControlBody&& other) noexcept;
  ControlBody& operator=(const ControlBody& other);
  ControlBody& operator=(ControlBody&& other) noexcept;
  ~ControlBody();

  friend bool operator==(const ControlBody& a, const ControlBody& b);

  std::vector<Operation> operations;
};

struct IfOp {
  ClassicalExpr condition;
  ControlBody then_body;
  std::optional<ControlBody> else_body;
  bool operator==(const IfOp&) const = default;
};

struct WhileOp {
  ClassicalExpr condition;
  ControlBody body;
  bool operator==(const WhileOp&) const = default;
};

struct ForOp {
  ClassicalVar var;
  ClassicalExpr start;
  ClassicalExpr stop;
  ClassicalExpr step;
  ControlBody body;
  bool operator==(const ForOp&) const = default;
};

struct SwitchCase {
  UInt128 value = 0;
  ControlBody body;
  bool operator==(const SwitchCase&) const = default;
};

struct SwitchOp {
  ClassicalExpr target;
  std::vector<SwitchCase> cases;
  std::optional<ControlBody> default_;  // `default` in the structural text form
  bool operator==(const SwitchOp&) const = default;
};

namespace control_flow {
struct Break {
  bool operator==(const Break&) const = default;
};
struct Continue {
  bool operator==(const Continue&) const = default;
};
}  // namespace control_flow

using ControlFlow = std::variant<IfOp, WhileOp, ForOp, SwitchOp, control_flow::Break, control_flow::Continue>;

// A standard gate with extra control qubits.
struct MCGate {
  std::uint8_t num_controls = 0;
  StandardGate gate = StandardGate::I;
  bool operator==(const MCGate&) const = default;
};

struct UnitaryGate;
struct CircuitGate;

enum class DirectiveKind : std::uint8_t { Barrier, Measure, Reset };

// The operation's duration is its one parameter; the instruction itself carries nothing.
struct DelayInstruction {
  bool operator==(const DelayInstruction&) const = default;
};

class Instruction {
 public:
  // In declaration order: Standard, McGate, UnitaryGate, CircuitGate, Directive, ClassicalData,
  // ClassicalControl, Delay. The gates held through a pointer are immutable and shared by copies.
  using Variant = std::variant<StandardGate, std::shared_ptr<const MCGate>, std::shared_ptr<const UnitaryGate>,
                               std::shared_ptr<const CircuitGate>, DirectiveKind, ClassicalDataOp, ControlFlow,
                               DelayInstruction>;

  Instruction(StandardGate gate) : value_(std::in_place_type<StandardGate>, gate) {}  // NOLINT(google-explicit-constructor)
  Instruction(const Instruction&) = default;
  Instruction& operator=(const Instruction&) = default;
  // A moved-from instruction is Standard(I): moving the variant would leave a null gate pointer behind.
  Instruction(Instruction&& other) noexcept;
  Instruction& operator=(Instruction&& other) noexcept;
  ~Instruction() = default;

  static Instruction mc_gate(std::uint8_t num_controls, StandardGate gate) {
    return Instruction(std::in_place_type<std::shared_ptr<const MCGate>>,
                       std::make_shared<const MCGate>(MCGate{num_controls, gate}));
  }
  // Both refuse a null gate with std::invalid_argument: an instruction always has its gate.
  static Instruction unitary_gate(std::shared_ptr<const UnitaryGate> gate);
  static Instruction circuit_gate(std::shared_ptr<const CircuitGate> gate);
  static Instruction directive(DirectiveKind kind) { return Instruction(std::in_place_type<DirectiveKind>, kind); }
  static Instruction classical_data(ClassicalDataOp op) {
    return Instruction(std::in_place_type<ClassicalDataOp>, std::move(op));
  }
  static Instruction classical_control(ControlFlow flow) {
    return Instruction(std::in_place_type<ControlFlow>, std::move(flow));
  }
  static Instruction delay() { return Instruction(std::in_place_type<DelayInstruction>); }

  const Variant& value() const noexcept { return value_; }
  // The gate of the Standard variant; null for every other kind.
  const StandardGate* standard_gate() const noexcept { return std::get_if<StandardGate>(&value_); }

  // Gates, directives and delays compare by value; custom gates by identity (the same shared gate);
  // classical data and control flow by every field they hold: expressions by their nodes' contents,
  // the operations of bodies field by field, by these same rules.
  friend bool operator==(const Instruction& a, const Instruction& b);

 private:
  // Built in place: moving a whole variant in trips a false uninitialised-use warning of g++ 12.
  template <typename T, typename... Args>
  explicit Instruction(std::in_place_type_t<T> type, Args&&... args) : value_(type, std::forward<Args>(args)...) {}
  Variant value_;
};

// The gate's name; "C{}-{}" for a multi-controlled gate (its name alone with 0 controls); a custom
// gate's label or name; "barrier", "measure", "reset"; "store", "measure_bit", "measure_bits"; "if",
// "while", "for", "switch", "break", "continue"; "delay".
std::string instruction_name(const Instruction& instruction);

// The same text in an exactly sized string, for the error values that keep it.
std::string instruction_name_string(const Instruction& instruction);

namespace param_ref {
struct Fixed {
  double value = 0.0;
  bool operator==(const Fixed&) const = default;
};
// A position in the circuit's `parameters`.
struct Index {
  std::uint32_t index = 0;
  bool operator==(const Index&) const = default;
};
}  // namespace param_ref

// How an operation refers to a gate parameter; also the type of a circuit's global phase.
using ParamRef = std::variant<param_ref::Fixed, param_ref::Index>;

struct Operation {
  Instruction instruction;
  QubitList qubits;
  std::vector<ParamRef> params;
  std::optional<std::string> label;
  bool operator==(const Operation&) const = default;
};

}  // namespace norvi::core
