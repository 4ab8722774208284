// VESK text: angles, labels, the line of every kind of operation, delays, parameters from the table,
// the conversion failures and their messages, and the evaluation of gate parameters.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "norvi/core/circuit/debug_text.hpp"
#include "norvi/core/circuit/vesk.hpp"
#include "norvi/symbolic/expr_text.hpp"
#include "support/circuit_builders.hpp"

namespace {

using namespace norvi::core;
using norvi::testing::circuit;
using norvi::testing::fixed;
using norvi::testing::index;
using norvi::testing::num;
using norvi::testing::op;
using norvi::testing::var;
namespace sym = norvi::symbolic;

constexpr double kPi = 3.141592653589793;
constexpr double kInf = std::numeric_limits<double>::infinity();


std::string message(VeskErrorKind kind, const std::string& detail) { return VeskError{kind, detail}.message(); }

std::string convert(const Circuit& c) {
  auto text = circuit_to_vesk(c);
  return text ? *text : "failure: " + text.error().message();
}

std::string failure(const std::string& text) { return "failure: " + text; }

TEST(VeskAngle, Texts) {
  struct Case {
    double x;
    const char* text;
  };
  const Case cases[] = {
      {3.14159265359, "pi"},   {kPi, "pi"},          {-kPi, "-pi"},        {kPi / 2, "pi/2"},
      {-kPi / 2, "-pi/2"},     {kPi / 4, "pi/4"},    {-kPi / 4, "-pi/4"},  {3.1416, "3.1416"},
      {0.5, "0.5"},            {2.0, "2"},           {-3.0, "-3"},         {0.0, "0"},
      {-0.0, "0"},             {1.0, "1"},           {-1.0, "-1"},         {1e-11, "0"},
      {-1e-11, "-0"},          {0.1 + 0.2, "0.3"},   {1.0 / 3, "0.3333333333"}, {2.0 / 3, "0.6666666667"},
      {1e20, "100000000000000000000"},               {123456.000000000001, "123456"},
      {1.23456789012345, "1.2345678901"},            {-0.00000000006, "-0.0000000001"},
      {kPi + 2e-10, "3.1415926538"},                 {std::nan(""), "NaN"},
      {kInf, "inf"},           {-kInf, "-inf"},
  };
  for (const Case& c : cases) EXPECT_EQ(format_vesk_angle(c.x), c.text) << c.x;
}

TEST(VeskLabels, JoinedWithBlanks) {
  EXPECT_EQ(format_qubit_labels(QubitList{}), "");
  EXPECT_EQ(format_qubit_labels(QubitList{7}), "Q7");
  EXPECT_EQ(format_qubit_labels(QubitList{0, 10, 4294967295U, 3, 2}), "Q0 Q10 Q4294967295 Q3 Q2");
}

TEST(VeskLine, EveryKindThatHasOne) {
  const std::vector<Parameter> table{{num(0.25)}, {var("pi")}, {num(4)}};
  struct Case {
    Operation operation;
    const char* line;
  };
  const Case cases[] = {
      {op(StandardGate::RX, {3}, {fixed(kPi / 2)}), "RX Q3 pi/2"},
      {op(StandardGate::CZ, {0, 1}), "CZ Q0 Q1"},
      {op(StandardGate::SDG, {2}), "SD Q2"},
      {op(StandardGate::TDG, {2}), "TD Q2"},
      {op(StandardGate::Phase, {0}, {fixed(0.25)}), "PHASE Q0 0.25"},
      {op(StandardGate::U, {1}, {fixed(0.5), index(0), index(1)}), "U Q1 0.5 0.25 pi"},
      // Fixed values that are not numbers are written as they are.
      {op(StandardGate::RY, {0}, {fixed(std::nan("")), fixed(-kInf)}), "RY Q0 NaN -inf"},
      // The gate's shape is not checked against its qubits and parameters.
      {op(StandardGate::H, {0, 1, 2, 3, 4}, {fixed(1)}), "H Q0 Q1 Q2 Q3 Q4 1"},
      {op(Instruction::directive(DirectiveKind::Barrier), {0, 1, 2}), "B Q0 Q1 Q2"},
      {op(Instruction::directive(DirectiveKind::Measure), {4, 5}), "M Q4 Q5"},
      {op(Instruction::classical_data(classical_data::MeasureBit{}), {3}), "M Q3"},
      {op(Instruction::classical_data(classical_data::MeasureBits{}), {3, 4}), "M Q3 Q4"},
      {op(Instruction::delay(), {0}, {fixed(10)}), "I Q0 10"},
      {op(Instruction::delay(), {0}, {fixed(-0.0)}), "I Q0 0"},
      {op(Instruction::delay(), {1, 2}, {index(2)}), "I Q1 Q2 4"},
      // Accepted just above a whole number: the whole number of ticks is written.
      {op(Instruction::delay(), {0}, {fixed(10.00000000006)}), "I Q0 10"},
      {op(Instruction::delay(), {0}, {fixed(3.00000000009)}), "I Q0 3"},
      {op(Instruction::delay(), {0}, {fixed(1e-300)}), "I Q0 0"},
  };
  for (const Case& c : cases) {
    Circuit one = circuit({c.operation}, table);
    EXPECT_EQ(convert(one), std::string(c.line) + "\n") << debug_text(c.operation);
  }
}

TEST(VeskConversion, WholeCircuits) {
  EXPECT_EQ(convert(circuit({op(StandardGate::H, {1}), op(Instruction::directive(DirectiveKind::Measure), {1})})),
            "H Q1\nM Q1\n");
  EXPECT_EQ(convert(circuit({})), "");
  // The label, the global phase, classical variables and symbols are not written.
  Circuit decorated = circuit({op(StandardGate::X, {0}, {}, "flip")});
  decorated.global_phase = fixed(1.5);
  decorated.symbols = {"theta"};
  decorated.classical_vars = {classical_type::Bit{}};
  EXPECT_EQ(convert(decorated), "X Q0\n");
}

TEST(VeskConversion, Failures) {
  const std::vector<Parameter> table{{num(1)}, {num(2)}, {num(3)}};
  const ControlFlow loop =
      WhileOp{norvi::testing::cexpr(classical_type::Bool{}, classical_expr::BoolLiteral{true}), ControlBody{}};
  const auto unitary = std::make_shared<const UnitaryGate>(UnitaryGate{.label = "u"});
  const auto custom = std::make_shared<const CircuitGate>(CircuitGate{.name = "bell"});
  const std::string delay_ticks = " is not a non-negative integer number of 0.5 ns ticks";
  struct Case {
    Operation operation;
    VeskErrorKind kind;
    std::string detail;
  };
  const Case cases[] = {
      {op(StandardGate::I, {0}), VeskErrorKind::UnsupportedGate, "I"},
      {op(StandardGate::GPhase, {}, {fixed(1)}), VeskErrorKind::UnsupportedGate, "GPhase"},
      {op(Instruction::mc_gate(2, StandardGate::X), {0, 1, 2}), VeskErrorKind::UnsupportedGate, "Multi-controlled gate"},
      {op(Instruction::unitary_gate(unitary), {0}), VeskErrorKind::UnsupportedGate, "UnitaryGate"},
      {op(Instruction::circuit_gate(custom), {0}), VeskErrorKind::UnsupportedGate, "CircuitGate (custom gate)"},
      {op(Instruction::directive(DirectiveKind::Reset), {0}), VeskErrorKind::UnsupportedGate, "Reset"},
      {op(Instruction::classical_data(classical_data::Store{}), {}), VeskErrorKind::UnsupportedClassicalData, "store"},
      {op(Instruction::classical_control(control_flow::Break{}), {}), VeskErrorKind::UnsupportedClassicalControl,
       "Break"},
      {op(Instruction::classical_control(loop), {}), VeskErrorKind::UnsupportedClassicalControl,
       "While(WhileOp { condition: ClassicalExpr { node: ClassicalExprNode { ty: Bool, kind: BoolLiteral(true) } }, "
       "body: ControlBody { operations: [] } })"},
      // Parameter indices at or beyond the table's end, in gates and in delays.
      {op(StandardGate::RX, {0}, {index(7)}), VeskErrorKind::SymbolicParameter, "p7"},
      {op(StandardGate::RX, {0}, {index(3)}), VeskErrorKind::SymbolicParameter, "p3"},
      {op(Instruction::delay(), {0}, {index(3)}), VeskErrorKind::SymbolicParameter, "p3"},
      {op(Instruction::delay(), {0}, {index(4294967295U)}), VeskErrorKind::SymbolicParameter, "p4294967295"},
      // A parameter failure comes before an unsupported name.
      {op(StandardGate::GPhase, {}, {index(9)}), VeskErrorKind::SymbolicParameter, "p9"},
      {op(Instruction::delay(), {0}, {fixed(2.5)}), VeskErrorKind::InvalidDelay, "2.5" + delay_ticks},
      {op(Instruction::delay(), {0}, {fixed(2.9999999999999996)}), VeskErrorKind::InvalidDelay,
       "2.9999999999999996" + delay_ticks},
      {op(Instruction::delay(), {0}, {fixed(-1)}), VeskErrorKind::InvalidDelay, "-1" + delay_ticks},
      {op(Instruction::delay(), {0}, {fixed(std::nan(""))}), VeskErrorKind::InvalidDelay, "NaN" + delay_ticks},
      {op(Instruction::delay(), {0}, {fixed(kInf)}), VeskErrorKind::InvalidDelay, "inf" + delay_ticks},
      {op(Instruction::delay(), {0}, {fixed(1e-9)}), VeskErrorKind::InvalidDelay, "0.000000001" + delay_ticks},
      {op(Instruction::delay(), {0}, {fixed(1), fixed(2)}), VeskErrorKind::InvalidDelay,
       "VESK delay requires exactly one tick parameter"},
      {op(Instruction::delay(), {0}), VeskErrorKind::InvalidDelay, "VESK delay requires exactly one tick parameter"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(convert(circuit({op(StandardGate::H, {0}), c.operation, op(StandardGate::I, {0})}, table)),
              failure(message(c.kind, c.detail)))
        << debug_text(c.operation);
  }
}

TEST(VeskConversion, Messages) {
  struct Case {
    VeskErrorKind kind;
    const char* text;
  };
  const Case cases[] = {
      {VeskErrorKind::UnsupportedGate, "Unsupported gate 'I': it is not represented by the VESK circuit format"},
      {VeskErrorKind::UnsupportedClassicalData,
       "Unsupported classical data operation 'I': VESK does not represent classical storage"},
      {VeskErrorKind::UnsupportedClassicalControl,
       "Unsupported classical control operation 'I': VESK does not represent classical control flow"},
      {VeskErrorKind::SymbolicParameter,
       "Symbolic parameter 'I': VESK only supports numeric parameters. Please bind all symbolic parameters to numeric "
       "values before dumping."},
      {VeskErrorKind::InvalidDelay, "Invalid VESK delay parameter: I"},
  };
  for (const Case& c : cases) EXPECT_EQ(message(c.kind, "I"), c.text);
}

TEST(VeskConversion, SymbolicParametersFromTheTable) {
  const auto half_theta = norvi::testing::div(var("theta"), num(2));
  const auto theta_pi = norvi::testing::product({var("theta"), var("π")});
  const Circuit gates = circuit({op(StandardGate::RZ, {0}, {index(0)}), op(StandardGate::RZ, {1}, {index(1)})},
                                {{half_theta}, {theta_pi}});
  // Written as text, with "pi" for the sign π.
  std::string pi_written = sym::plain_text(*theta_pi);
  ASSERT_NE(pi_written.find("π"), std::string::npos);
  pi_written.replace(pi_written.find("π"), std::string("π").size(), "pi");
  EXPECT_EQ(convert(gates), "RZ Q0 theta/2\nRZ Q1 " + pi_written + "\n");
  EXPECT_EQ(format_vesk_params(std::vector<ParamRef>{index(1), fixed(1)}, gates.parameters).value(),
            (std::vector<std::string>{pi_written, "1"}));

  // As a delay the same expression fails, named by its text (the sign π kept).
  const Circuit delays = circuit({op(Instruction::delay(), {0}, {index(1)})}, {{half_theta}, {theta_pi}});
  EXPECT_EQ(convert(delays), failure(message(VeskErrorKind::SymbolicParameter, sym::plain_text(*theta_pi))));
  EXPECT_EQ(convert(circuit({op(Instruction::delay(), {0}, {index(0)})}, {{half_theta}})),
            failure(message(VeskErrorKind::SymbolicParameter, "theta/2")));
}

TEST(VeskParams, FixedAndTableEntries) {
  const std::vector<Parameter> table{{num(0.1)}, {var("e")}};
  EXPECT_EQ(format_vesk_params(std::vector<ParamRef>{}, table).value(), std::vector<std::string>{});
  EXPECT_EQ(format_vesk_params(std::vector<ParamRef>{fixed(-kPi), index(0), index(1), index(0)}, table).value(),
            (std::vector<std::string>{"-pi", "0.1", "2.7182818285", "0.1"}));
  auto beyond = format_vesk_params(std::vector<ParamRef>{fixed(1), index(2)}, table);
  ASSERT_FALSE(beyond);
  EXPECT_EQ(beyond.error().kind, VeskErrorKind::SymbolicParameter);
  EXPECT_EQ(beyond.error().detail, "p2");
}

TEST(EvaluateExprF64, NumbersConstantsAndFailures) {
  using Kind = CircuitError::Kind;
  EXPECT_EQ(evaluate_expr_f64(*var("pi")).value(), kPi);
  EXPECT_EQ(evaluate_expr_f64(*var("π")).value(), kPi);  // only with the host's bindings
  EXPECT_EQ(evaluate_expr_f64(*norvi::testing::div(var("π"), num(2))).value(), kPi / 2);
  EXPECT_EQ(evaluate_expr_f64(*var("e")).value(), 2.718281828459045);
  struct Case {
    norvi::symbolic::ExprPtr expr;
    Kind kind;
  };
  const Case cases[] = {
      {var("theta"), Kind::NotNumeric},
      {num(std::nan("")), Kind::NaN},
      {norvi::testing::pow(num(-1), num(0.5)), Kind::NaN},
      {norvi::testing::pow(num(0), num(-1)), Kind::Infinite},
      {num(-kInf), Kind::Infinite},
  };
  for (const Case& c : cases) {
    auto result = evaluate_expr_f64(*c.expr);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().kind, c.kind);
    EXPECT_EQ(result.error().expression, sym::plain_text(*c.expr));
  }
  EXPECT_EQ((CircuitError{Kind::NaN, "x"}.message()), "Evaluation of 'x' resulted in NaN");
  EXPECT_EQ((CircuitError{Kind::Infinite, "x"}.message()), "Evaluation of 'x' resulted in infinity");
}

}  // namespace
