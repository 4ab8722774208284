#pragma once
// What an operation of a circuit applies, and the name every instruction goes by (in error texts and
// when native gates are matched by name).
//
// The circuit model's other kinds (gates given by a matrix or by a circuit, classical data and control
// flow) join the variant in their declaration place, between McGate and Directive and after Directive,
// when the circuit model arrives; each brings its name to instruction_name.

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <variant>

#include "norvi/core/gates/standard_gate.hpp"

namespace norvi::core {

// A standard gate with extra control qubits.
struct MCGate {
  std::uint8_t num_controls = 0;
  StandardGate gate = StandardGate::I;
  bool operator==(const MCGate&) const = default;
};

enum class DirectiveKind : std::uint8_t { Barrier, Measure, Reset };

// The operation's duration is its one parameter; the instruction itself carries nothing.
struct DelayInstruction {
  bool operator==(const DelayInstruction&) const = default;
};

class Instruction {
 public:
  using Variant = std::variant<StandardGate, std::shared_ptr<const MCGate>, DirectiveKind, DelayInstruction>;

  Instruction(StandardGate gate) : value_(std::in_place_type<StandardGate>, gate) {}  // NOLINT(google-explicit-constructor)
  static Instruction mc_gate(std::uint8_t num_controls, StandardGate gate) {
    return Instruction(std::in_place_type<std::shared_ptr<const MCGate>>,
                       std::make_shared<const MCGate>(MCGate{num_controls, gate}));
  }
  static Instruction directive(DirectiveKind kind) { return Instruction(std::in_place_type<DirectiveKind>, kind); }
  static Instruction delay() { return Instruction(std::in_place_type<DelayInstruction>); }

  const Variant& value() const noexcept { return value_; }
  // The gate of the Standard variant; null for every other kind.
  const StandardGate* standard_gate() const noexcept { return std::get_if<StandardGate>(&value_); }

  friend bool operator==(const Instruction& a, const Instruction& b) noexcept;

 private:
  // Built in place: moving a whole variant in trips a false uninitialised-use warning of g++ 12.
  template <typename T, typename... Args>
  explicit Instruction(std::in_place_type_t<T> type, Args&&... args) : value_(type, std::forward<Args>(args)...) {}
  Variant value_;
};

// The gate's name; "C{}-{}" for a multi-controlled gate (its name alone with 0 controls);
// "barrier", "measure", "reset"; "delay".
std::string instruction_name(const Instruction& instruction);

// The same text in an exactly sized string, for the error values that keep it.
std::string instruction_name_string(const Instruction& instruction);

}  // namespace norvi::core
