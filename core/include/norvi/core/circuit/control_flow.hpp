#pragma once
// Classical control flow of circuits: conditionals, loops and switches whose bodies are operations.

#include <optional>
#include <variant>
#include <vector>

#include "norvi/core/circuit/classical.hpp"

namespace norvi::core {

struct Operation;

// Its special members are defined where Operation is whole: an operation can hold a control-flow
// instruction, so copying or destroying a body may only be spelled out after Operation.
struct ControlBody {
  ControlBody() noexcept;
  ControlBody(std::vector<Operation> operations) noexcept;  // NOLINT(google-explicit-constructor)
  ControlBody(const ControlBody& other);
  ControlBody(ControlBody&& other) noexcept;
  ControlBody& operator=(const ControlBody& other);
  ControlBody& operator=(ControlBody&& other) noexcept;
  ~ControlBody();

  std::vector<Operation> operations;
};

struct IfOp {
  ClassicalExpr condition;
  ControlBody then_body;
  std::optional<ControlBody> else_body;
};

struct WhileOp {
  ClassicalExpr condition;
  ControlBody body;
};

struct ForOp {
  ClassicalVar var;
  ClassicalExpr start;
  ClassicalExpr stop;
  ClassicalExpr step;
  ControlBody body;
};

struct SwitchCase {
  UInt128 value = 0;
  ControlBody body;
};

struct SwitchOp {
  ClassicalExpr target;
  std::vector<SwitchCase> cases;
  std::optional<ControlBody> default_;  // `default` in the structural text form
};

namespace control_flow {
struct Break {};
struct Continue {};
}  // namespace control_flow

using ControlFlow = std::variant<IfOp, WhileOp, ForOp, SwitchOp, control_flow::Break, control_flow::Continue>;

}  // namespace norvi::core
