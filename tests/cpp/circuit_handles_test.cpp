// Values of the circuit model that could hold nothing or something out of range: parameters without
// an expression, custom-gate instructions without a gate, moved-from values, enum numbers outside
// their names and variants left without a value. Each is refused where it is made or written as
// readable text; none may crash a reader.

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "norvi/core/circuit/debug_text.hpp"
#include "norvi/core/circuit/vesk.hpp"
#include "support/circuit_builders.hpp"

namespace {

using namespace norvi::core;
using norvi::testing::index;
using norvi::testing::num;
using norvi::testing::op;

TEST(CircuitHandles, ParametersAlwaysHoldAnExpression) {
  // No default: it would have no expression (a table sized by count cannot be made either).
  EXPECT_FALSE(std::is_default_constructible_v<Parameter>);
  EXPECT_FALSE(std::is_default_constructible_v<SymbolicComplex>);
  EXPECT_THROW(static_cast<void>(Parameter{norvi::symbolic::ExprPtr{}}), std::invalid_argument);

  // A moved-from parameter still holds its node, so a table that has given its entries away is whole.
  std::vector<Parameter> table{{num(0.5)}, {num(2)}};
  const std::vector<Parameter> taken = std::move(table);
  Parameter source{num(0.25)};
  const Parameter moved = std::move(source);
  const std::vector<Parameter> leftovers{source, table.empty() ? moved : table[0]};  // NOLINT(bugprone-use-after-move)
  EXPECT_EQ(debug_text(source), debug_text(moved));  // NOLINT(bugprone-use-after-move)
  EXPECT_EQ(debug_text(SymbolicComplex{source, moved}),  // NOLINT(bugprone-use-after-move)
            "SymbolicComplex { re: " + debug_text(moved) + ", im: " + debug_text(moved) + " }");
  EXPECT_EQ(format_vesk_params(std::vector<ParamRef>{index(0), index(1)}, leftovers),
            (std::vector<std::string>{"0.25", "0.25"}));
  EXPECT_EQ(circuit_to_vesk(norvi::testing::circuit({op(StandardGate::RX, {0}, {index(1)})}, leftovers)),
            "RX Q0 0.25\n");
  EXPECT_EQ(format_vesk_params(std::vector<ParamRef>{index(1)}, taken), (std::vector<std::string>{"2"}));
}

TEST(CircuitHandles, CustomGateInstructionsAlwaysHoldTheirGate) {
  EXPECT_THROW(Instruction::unitary_gate(nullptr), std::invalid_argument);
  EXPECT_THROW(Instruction::circuit_gate(nullptr), std::invalid_argument);

  // A moved-from instruction is the identity gate, never a kind with a null gate pointer.
  const Instruction kinds[] = {
      Instruction::mc_gate(2, StandardGate::X),
      Instruction::unitary_gate(std::make_shared<const UnitaryGate>(UnitaryGate{.label = "u"})),
      Instruction::circuit_gate(std::make_shared<const CircuitGate>(CircuitGate{.name = "g"})),
      Instruction::classical_control(WhileOp{}),
  };
  for (const Instruction& kind : kinds) {
    Instruction source = kind;
    const Instruction moved = std::move(source);
    EXPECT_EQ(moved, kind);
    EXPECT_EQ(instruction_name(source), "I");  // NOLINT(bugprone-use-after-move)
    EXPECT_EQ(debug_text(source), "Standard(I)");
    EXPECT_EQ(source, Instruction(StandardGate::I));
    Instruction assigned = Instruction::delay();
    Instruction other = kind;
    assigned = std::move(other);
    EXPECT_EQ(assigned, kind);
    EXPECT_EQ(debug_text(other), "Standard(I)");  // NOLINT(bugprone-use-after-move)
  }
}

TEST(CircuitHandles, EnumNumbersOutsideTheirNames) {
  struct Case {
    std::string actual;
    const char* expected;
  };
  const Case cases[] = {
      {debug_text(static_cast<DirectiveKind>(7)), "DirectiveKind(7)"},
      {debug_text(static_cast<DirectiveKind>(255)), "DirectiveKind(255)"},
      {debug_text(static_cast<UnaryOp>(1)), "UnaryOp(1)"},
      {debug_text(static_cast<BinaryOp>(3)), "BinaryOp(3)"},
      {debug_text(static_cast<CompareOp>(6)), "CompareOp(6)"},
      {debug_text(static_cast<CastKind>(2)), "CastKind(2)"},
      {debug_text(static_cast<ControlScope>(9)), "ControlScope(9)"},
      {debug_text(static_cast<StandardGate>(200)), "StandardGate(200)"},
      {debug_text(Instruction::directive(static_cast<DirectiveKind>(3))), "Directive(DirectiveKind(3))"},
      {debug_text(static_cast<DirectiveKind>(3), true), "DirectiveKind(\n    3,\n)"},
      {instruction_name(Instruction::directive(static_cast<DirectiveKind>(7))), "DirectiveKind(7)"},
      {instruction_name(Instruction(static_cast<StandardGate>(200))), "StandardGate(200)"},
      // The last of each still has its name.
      {debug_text(DirectiveKind::Reset), "Reset"},
      {debug_text(CompareOp::Ge), "Ge"},
      {instruction_name(Instruction::directive(DirectiveKind::Reset)), "reset"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.actual, c.expected);
}

// Converts to the alternative but throws on the way, which leaves a variant without a value.
template <typename T>
struct ThrowingConversion {
  operator T() const { throw std::runtime_error("conversion refused"); }  // NOLINT(google-explicit-constructor)
};

template <typename Alternative, typename Variant>
Variant valueless(Variant value) {
  try {
    value.template emplace<Alternative>(ThrowingConversion<Alternative>{});
  } catch (const std::runtime_error&) {
  }
  return value;
}

TEST(CircuitHandles, VariantsWithoutAValue) {
  const ControlFlow flow = valueless<WhileOp>(ControlFlow{control_flow::Break{}});
  const ClassicalDataOp data = valueless<classical_data::Store>(ClassicalDataOp{classical_data::MeasureBit{}});
  const ClassicalExprKind kind = valueless<classical_expr::Unary>(ClassicalExprKind{classical_expr::BoolLiteral{}});
  ASSERT_TRUE(flow.valueless_by_exception());
  ASSERT_TRUE(data.valueless_by_exception());
  ASSERT_TRUE(kind.valueless_by_exception());

  EXPECT_EQ(instruction_name(Instruction::classical_control(flow)), "<valueless>");
  EXPECT_EQ(instruction_name(Instruction::classical_data(data)), "<valueless>");
  EXPECT_EQ(debug_text(flow), "<valueless>");
  EXPECT_EQ(debug_text(Instruction::classical_data(data)), "ClassicalData(<valueless>)");
  EXPECT_EQ(debug_text(kind), "<valueless>");
  const auto converted = circuit_to_vesk(norvi::testing::circuit({op(Instruction::classical_control(flow), {})}));
  ASSERT_FALSE(converted.has_value());
  EXPECT_EQ(converted.error().kind, VeskErrorKind::UnsupportedClassicalControl);
  EXPECT_EQ(converted.error().detail, "<valueless>");
}

}  // namespace
