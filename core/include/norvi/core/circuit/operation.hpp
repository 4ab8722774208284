#pragma once
// One operation of a circuit: an instruction applied to qubits with gate parameters.

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "norvi/core/circuit/qubit_list.hpp"
#include "norvi/core/gates/instruction.hpp"

namespace norvi::core {

namespace param_ref {
struct Fixed {
  double value = 0.0;
};
// A position in the circuit's `parameters`.
struct Index {
  std::uint32_t index = 0;
};
}  // namespace param_ref

// How an operation refers to a gate parameter; also the type of a circuit's global phase.
using ParamRef = std::variant<param_ref::Fixed, param_ref::Index>;

struct Operation {
  Instruction instruction;
  QubitList qubits;
  std::vector<ParamRef> params;
  std::optional<std::string> label;
};

}  // namespace norvi::core
