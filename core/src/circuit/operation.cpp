#include "norvi/core/circuit/operation.hpp"

#include <fmt/format.h>

#include <string_view>

#include "norvi/core/gates/custom_gate.hpp"
#include "norvi/symbolic/overloaded.hpp"

namespace norvi::core {

ControlBody::ControlBody() noexcept = default;
ControlBody::ControlBody(std::vector<Operation> operations) noexcept : operations(std::move(operations)) {}
ControlBody::ControlBody(const ControlBody& other) = default;
ControlBody::ControlBody(ControlBody&& other) noexcept = default;
ControlBody& ControlBody::operator=(const ControlBody& other) = default;
ControlBody& ControlBody::operator=(ControlBody&& other) noexcept = default;
ControlBody::~ControlBody() = default;

bool operator==(const ControlBody& a, const ControlBody& b) { return a.operations == b.operations; }

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

std::string classical_data_name(const ClassicalDataOp& op) {
  constexpr std::string_view kNames[] = {"store", "measure_bit", "measure_bits"};
  return std::string(kNames[op.index()]);
}

std::string control_flow_name(const ControlFlow& flow) {
  constexpr std::string_view kNames[] = {"if", "while", "for", "switch", "break", "continue"};
  return std::string(kNames[flow.index()]);
}

}  // namespace

std::string instruction_name(const Instruction& instruction) {
  return std::visit(symbolic::Overloaded{
                        [](StandardGate gate) { return std::string(standard_gate_name(gate)); },
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
                            case DirectiveKind::Reset: break;
                          }
                          return std::string("reset");
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
