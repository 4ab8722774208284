// VESK text: angles, labels, the line of every kind of operation, delays, parameters from the table,
// the conversion failures and their messages, and the evaluation of gate parameters.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "norvi/core/circuit/debug_text.hpp"
#include "norvi/core/circuit/vesk.hpp"
#include "norvi/symbolic/expr_text.hpp"
#include "norvi/symbolic/symbol_registry.hpp"
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

sym::InternedSymbol interned(const std::string& name) { return *sym::symbol_by_key(sym::intern_symbol(name).as_u64()); }

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
      {kPi + 2e-10, "3.1415926538"},
      // Exact ties at the tenth decimal (2^-11 and 3 * 2^-11) go to the even digit.
      {0.00048828125, "0.0004882812"},               {0.00146484375, "0.0014648438"},
      {std::nan(""), "NaN"},
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
      {VeskErrorKind::ControlCharacter, "Control character in a parameter of 'I': VESK writes each operation on one line"},
      {VeskErrorKind::InvalidUtf8, "Invalid UTF-8 in a parameter of 'I': VESK text is UTF-8"},
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

  // An entry without a finite value counts as symbolic too (unlike a fixed NaN or infinity): written as
  // its text in a gate, refused as a symbolic parameter (not as an invalid delay) in a delay. A finite
  // entry still has to be a whole number of ticks.
  for (const auto& entry : {num(std::nan("")), norvi::testing::pow(num(0), num(-1))}) {
    const std::string text = sym::plain_text(*entry);
    EXPECT_EQ(convert(circuit({op(StandardGate::RZ, {0}, {index(0)})}, {{entry}})), "RZ Q0 " + text + "\n");
    EXPECT_EQ(convert(circuit({op(Instruction::delay(), {0}, {index(0)})}, {{entry}})),
              failure(message(VeskErrorKind::SymbolicParameter, text)));
  }
  EXPECT_EQ(convert(circuit({op(Instruction::delay(), {0}, {index(0)})}, {{num(2.5)}})),
            failure(message(VeskErrorKind::InvalidDelay, "2.5 is not a non-negative integer number of 0.5 ns ticks")));
}

// A table entry that stays symbolic is written as its text, which holds the caller's names: one with a
// line breaker in it would add a line of its own ("RX Q0 a\nX Q7" is an X on Q7), one that is not
// UTF-8 would make the text ill-formed (and the JSON body it is sent in).
TEST(VeskConversion, LineBreakersAndIllFormedUtf8InCallerTextFail) {
  struct Refused {
    std::string text;
    VeskErrorKind kind;
  };
  const Refused refused[] = {
      {"\n", VeskErrorKind::ControlCharacter}, {"\r", VeskErrorKind::ControlCharacter},
      {std::string(1, '\0'), VeskErrorKind::ControlCharacter}, {"\x01", VeskErrorKind::ControlCharacter},
      {"\t", VeskErrorKind::ControlCharacter}, {"\x1f", VeskErrorKind::ControlCharacter},
      {"\x7f", VeskErrorKind::ControlCharacter},
      {"\xc2\x80", VeskErrorKind::ControlCharacter},  // U+0080
      {"\xc2\x85", VeskErrorKind::ControlCharacter},  // U+0085, next line
      {"\xc2\x9f", VeskErrorKind::ControlCharacter},  // U+009F
      {"\xe2\x80\xa8", VeskErrorKind::ControlCharacter}, {"\xe2\x80\xa9", VeskErrorKind::ControlCharacter},  // separators
      {"\xff", VeskErrorKind::InvalidUtf8},              // a stray byte
      {"\xc0\xaf", VeskErrorKind::InvalidUtf8},          // an overlong form
      {"\xed\xa0\x80", VeskErrorKind::InvalidUtf8},      // an encoded surrogate
      {"\x80", VeskErrorKind::InvalidUtf8},              // a lone continuation byte
      {"\xf0\x9f\x99", VeskErrorKind::InvalidUtf8},      // a sequence cut short
      {"\xf4\x90\x80\x80", VeskErrorKind::InvalidUtf8},  // above U+10FFFF
      {"\xc2\n", VeskErrorKind::InvalidUtf8},            // both: ill-formed first
  };
  // Characters beside those classes are written unchanged.
  const std::string neighbours[] = {
      " ", "~", "\xc2\xa0", "\xc3\xa9", "\xe2\x80\xa7", "\xe2\x80\xaa", "\xe2\x81\xa8", "\xf0\x9f\x99\x82",
      "\xe2\x82\xac", "\xf4\x8f\xbf\xbf",
  };
  // The places of a caller's name in an entry's plain text.
  struct Place {
    const char* what;
    sym::ExprPtr (*entry)(const std::string& name);
  };
  const Place places[] = {
      {"symbol", [](const std::string& name) { return var(name); }},
      {"symbol inside an expression", [](const std::string& name) { return norvi::testing::div(var(name), num(2)); }},
      {"symbol beside pi", [](const std::string& name) { return norvi::testing::product({var(name), var("π")}); }},
      {"function name",
       [](const std::string& name) { return sym::expr_from_kind(sym::FunctionCall{interned(name), {var("x")}}); }},
      {"derivative variable",
       [](const std::string& name) { return sym::expr_from_kind(sym::Derivative{var("f"), interned(name), 1}); }},
  };
  for (const Place& place : places) {
    for (const Refused& r : refused) {
      const std::vector<Parameter> table{{num(1)}, {place.entry("a" + r.text + "X Q7")}};
      const std::string where = std::string(place.what) + " with " + ::testing::PrintToString(r.text);
      for (const StandardGate gate : {StandardGate::RX, StandardGate::GPhase}) {
        const Circuit c = circuit({op(StandardGate::H, {0}), op(gate, {0}, {index(0), index(1)})}, table);
        EXPECT_EQ(convert(c), failure(message(r.kind, std::string(standard_gate_name(gate))))) << where;
      }
      auto params = format_vesk_params(std::vector<ParamRef>{index(0), index(1)}, table);
      ASSERT_FALSE(params) << where;
      EXPECT_EQ(params.error().kind, r.kind) << where;
      EXPECT_EQ(params.error().detail, "p1") << where;
    }
    for (const std::string& neighbour : neighbours) {
      const std::vector<Parameter> table{{place.entry("a" + neighbour + "b")}};
      auto params = format_vesk_params(std::vector<ParamRef>{index(0)}, table);
      ASSERT_TRUE(params) << place.what << ' ' << neighbour;
      EXPECT_NE(params->front().find("a" + neighbour + "b"), std::string::npos) << place.what << ' ' << neighbour;
      EXPECT_EQ(convert(circuit({op(StandardGate::RX, {0}, {index(0)})}, table)), "RX Q0 " + params->front() + "\n");
    }
  }
  // Other caller texts never reach the lines: a label is not written, custom gates fail by their kind.
  const std::string injected = "a\nX Q7";
  EXPECT_EQ(convert(circuit({op(StandardGate::X, {0}, {}, injected)})), "X Q0\n");
  const auto custom = std::make_shared<const CircuitGate>(CircuitGate{.name = injected});
  const auto unitary = std::make_shared<const UnitaryGate>(UnitaryGate{.label = injected});
  EXPECT_EQ(convert(circuit({op(Instruction::circuit_gate(custom), {0})})),
            failure(message(VeskErrorKind::UnsupportedGate, "CircuitGate (custom gate)")));
  EXPECT_EQ(convert(circuit({op(Instruction::unitary_gate(unitary), {0})})),
            failure(message(VeskErrorKind::UnsupportedGate, "UnitaryGate")));
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

// Entries of a large table are kept apart while few are used, then all together: the texts stay those
// of the entries referred to, each entry repeated or not, on either side of the change.
TEST(VeskParams, EntriesOfALargeTable) {
  constexpr std::uint32_t kEntries = 1000;
  std::vector<Parameter> table;
  std::vector<std::string> texts;
  for (std::uint32_t k = 0; k < kEntries; ++k) {
    const bool symbolic = k % 3 == 0;
    table.push_back({symbolic ? var("s" + std::to_string(k)) : num(k + 0.5)});
    texts.push_back(symbolic ? "s" + std::to_string(k) : std::to_string(k) + ".5");
  }
  std::vector<ParamRef> refs;
  std::vector<std::string> expected;
  auto refer = [&](std::uint32_t k) {
    refs.push_back(index(k));
    expected.push_back(texts[k]);
  };
  refer(kEntries - 1);
  for (std::uint32_t k = 0; k < 200; ++k) {
    refer(k);
    refer(kEntries - 1 - k % 5);
  }
  for (std::uint32_t k = 0; k < kEntries; k += 7) refer(k);
  EXPECT_EQ(format_vesk_params(refs, table).value(), expected);

  std::vector<Operation> ops;
  std::string lines;
  for (std::size_t i = 0; i < refs.size(); ++i) {
    ops.push_back(op(StandardGate::RZ, {0}, {refs[i]}));
    lines += "RZ Q0 " + expected[i] + "\n";
  }
  EXPECT_EQ(convert(circuit(std::move(ops), table)), lines);
  // A failure after the change names the entry as before.
  refs.push_back(index(kEntries));
  EXPECT_EQ(format_vesk_params(refs, table).error().detail, "p1000");
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
