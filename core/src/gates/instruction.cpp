#include "norvi/core/gates/instruction.hpp"

#include "norvi/symbolic/overloaded.hpp"

#include <fmt/format.h>

namespace norvi::core {

bool operator==(const Instruction& a, const Instruction& b) noexcept {
  if (a.value_.index() != b.value_.index()) return false;
  if (const auto* mc = std::get_if<std::shared_ptr<const MCGate>>(&a.value_))
    return **mc == *std::get<std::shared_ptr<const MCGate>>(b.value_);
  return a.value_ == b.value_;
}

std::string instruction_name(const Instruction& instruction) {
  return std::visit(symbolic::Overloaded{
                        [](StandardGate gate) { return std::string(standard_gate_name(gate)); },
                        [](const std::shared_ptr<const MCGate>& mc) {
                          if (mc->num_controls == 0) return std::string(standard_gate_name(mc->gate));
                          return fmt::format("C{}-{}", unsigned{mc->num_controls}, mc->gate);
                        },
                        [](DirectiveKind kind) {
                          switch (kind) {
                            case DirectiveKind::Barrier: return std::string("barrier");
                            case DirectiveKind::Measure: return std::string("measure");
                            case DirectiveKind::Reset: break;
                          }
                          return std::string("reset");
                        },
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
