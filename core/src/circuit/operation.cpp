#include "norvi/core/circuit/operation.hpp"

#include <fmt/format.h>

#include <stdexcept>
#include <string_view>

#include "norvi/core/circuit/debug_text.hpp"
#include "norvi/core/gates/custom_gate.hpp"
#include "norvi/symbolic/overloaded.hpp"

namespace norvi::core {

Instruction::Instruction(Instruction&& other) noexcept : value_(std::move(other.value_)) {
  other.value_.emplace<StandardGate>(StandardGate::I);
}

Instruction& Instruction::operator=(Instruction&& other) noexcept {
  if (this != &other) {
    value_ = std::move(other.value_);
    other.value_.emplace<StandardGate>(StandardGate::I);
  }
  return *this;
}

Instruction Instruction::unitary_gate(std::shared_ptr<const UnitaryGate> gate) {
  if (!gate) throw std::invalid_argument("Instruction::unitary_gate: no gate");
  return Instruction(std::in_place_type<std::shared_ptr<const UnitaryGate>>, std::move(gate));
}

Instruction Instruction::circuit_gate(std::shared_ptr<const CircuitGate> gate) {
  if (!gate) throw std::invalid_argument("Instruction::circuit_gate: no gate");
  return Instruction(std::in_place_type<std::shared_ptr<const CircuitGate>>, std::move(gate));
}

bool operator==(const Instruction& a, const Instruction& b) {
  if (a.value_.index() != b.value_.index()) return false;
  return std::visit(
      symbolic::Overloaded{
          [&](const std::shared_ptr<const MCGate>& mc) { return *mc == *std::get<std::shared_ptr<const MCGate>>(b.value_); },
          [&](const std::shared_ptr<const UnitaryGate>& g) { return g == std::get<std::shared_ptr<const UnitaryGate>>(b.value_); },
          [&](const std::shared_ptr<const CircuitGate>& g) { return g == std::get<std::shared_ptr<const CircuitGate>>(b.value_); },
          [&](const ClassicalDataOp& op) { return op == std::get<ClassicalDataOp>(b.value_); },
          [&](const ControlFlow& flow) { return flow == std::get<ControlFlow>(b.value_); },
          [&](StandardGate gate) { return gate == std::get<StandardGate>(b.value_); },
          [&](DirectiveKind kind) { return kind == std::get<DirectiveKind>(b.value_); },
          [&](DelayInstruction) { return true; },
      },
      a.value_);
}

namespace {

// The alternative's name by its position; a variant left valueless by a failed assignment has none.
template <typename Variant, std::size_t N>
std::string alternative_name(const Variant& value, const std::string_view (&names)[N]) {
  static_assert(N == std::variant_size_v<Variant>);
  if (value.valueless_by_exception()) return "<valueless>";
  return std::string(names[value.index()]);
}

std::string classical_data_name(const ClassicalDataOp& op) {
  return alternative_name(op, {"store", "measure_bit", "measure_bits"});
}

std::string control_flow_name(const ControlFlow& flow) {
  return alternative_name(flow, {"if", "while", "for", "switch", "break", "continue"});
}

}  // namespace

std::string instruction_name(const Instruction& instruction) {
  return std::visit(symbolic::Overloaded{
                        [](StandardGate gate) {
                          const std::string_view name = standard_gate_name(gate);
                          return name.empty() ? debug_text(gate) : std::string(name);
                        },
                        [](const std::shared_ptr<const MCGate>& mc) {
                          if (mc->num_controls == 0) return std::string(standard_gate_name(mc->gate));
                          return fmt::format("C{}-{}", unsigned{mc->num_controls}, mc->gate);
                        },
                        [](const std::shared_ptr<const UnitaryGate>& gate) { return gate->label; },
                        [](const std::shared_ptr<const CircuitGate>& gate) { return gate->name; },
                        [](DirectiveKind kind) {
                          switch (kind) {
                            case DirectiveKind::Barrier: return std::string("barrier");
                            case DirectiveKind::Measure: return std::string("measure");
                            case DirectiveKind::Reset: return std::string("reset");
                          }
                          return debug_text(kind);  // a number outside the enum: "DirectiveKind(7)"
                        },
                        [](const ClassicalDataOp& op) { return classical_data_name(op); },
                        [](const ControlFlow& flow) { return control_flow_name(flow); },
                        [](DelayInstruction) { return std::string("delay"); },
                    },
                    instruction.value());
}

std::string instruction_name_string(const Instruction& instruction) {
  std::string name = instruction_name(instruction);
  name.shrink_to_fit();
  return name;
}

}  // namespace norvi::core
