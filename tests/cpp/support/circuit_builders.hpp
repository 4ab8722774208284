#pragma once
// Short hands for the circuit values the tests write out.

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "norvi/core/circuit/circuit.hpp"
#include "norvi/symbolic/expr.hpp"
#include "norvi/symbolic/symbol_registry.hpp"

namespace norvi::testing {

inline core::ParamRef fixed(double value) { return core::param_ref::Fixed{value}; }
inline core::ParamRef index(std::uint32_t position) { return core::param_ref::Index{position}; }

inline core::Operation op(core::Instruction instruction, core::QubitList qubits, std::vector<core::ParamRef> params = {},
                          std::optional<std::string> label = std::nullopt) {
  return core::Operation{std::move(instruction), std::move(qubits), std::move(params), std::move(label)};
}

inline core::Circuit circuit(std::vector<core::Operation> operations, std::vector<core::Parameter> parameters = {}) {
  core::Circuit c;
  c.parameters = std::move(parameters);
  c.data = core::OperationList(std::move(operations));
  return c;
}

inline symbolic::ExprPtr num(double value) { return symbolic::expr_from_kind(symbolic::Number{value}); }
inline symbolic::ExprPtr var(const std::string& name) {
  return symbolic::expr_from_kind(symbolic::Symbol{*symbolic::symbol_by_key(symbolic::intern_symbol(name).as_u64())});
}
inline symbolic::ExprPtr div(symbolic::ExprPtr a, symbolic::ExprPtr b) {
  return symbolic::expr_from_kind(symbolic::Div{std::move(a), std::move(b)});
}
inline symbolic::ExprPtr pow(symbolic::ExprPtr a, symbolic::ExprPtr b) {
  return symbolic::expr_from_kind(symbolic::Pow{std::move(a), std::move(b)});
}
inline symbolic::ExprPtr product(std::vector<symbolic::ExprPtr> factors) {
  return symbolic::expr_from_kind(symbolic::Product{std::move(factors)});
}

// A classical expression node.
inline core::ClassicalExpr cexpr(core::ClassicalType ty, core::ClassicalExprKind kind) {
  return core::ClassicalExpr{std::make_shared<const core::ClassicalExprNode>(core::ClassicalExprNode{ty, std::move(kind)})};
}

}  // namespace norvi::testing
