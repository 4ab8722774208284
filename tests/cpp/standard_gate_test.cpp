// The gate table (positions, names, shapes) and instruction names.

#include <gtest/gtest.h>

#include <fmt/format.h>

#include "norvi/core/circuit/circuit.hpp"
#include "norvi/core/circuit/operation.hpp"
#include "norvi/core/gates/standard_gate.hpp"
#include "support/circuit_builders.hpp"

using namespace norvi::core;

TEST(StandardGate, TableInPositionOrder) {
  struct Row {
    const char* name;
    unsigned controls, targets, params;
  };
  // Positions are part of the contract: row i is gate i.
  const Row rows[] = {
      {"I", 0, 1, 0},      {"H", 0, 1, 0},     {"RX", 0, 1, 1},    {"RXX", 0, 2, 1},  {"RXY", 0, 1, 2},
      {"RY", 0, 1, 1},     {"RYY", 0, 2, 1},   {"RZ", 0, 1, 1},    {"RZX", 0, 2, 1},  {"RZZ", 0, 2, 1},
      {"S", 0, 1, 0},      {"SDG", 0, 1, 0},   {"SWAP", 0, 2, 0},  {"T", 0, 1, 0},    {"TDG", 0, 1, 0},
      {"U", 0, 1, 3},      {"X", 0, 1, 0},     {"XY", 0, 1, 1},    {"X2P", 0, 1, 0},  {"X2M", 0, 1, 0},
      {"XY2P", 0, 1, 1},   {"XY2M", 0, 1, 1},  {"Y", 0, 1, 0},     {"Y2P", 0, 1, 0},  {"Y2M", 0, 1, 0},
      {"Z", 0, 1, 0},      {"Phase", 0, 1, 1}, {"GPhase", 0, 0, 1}, {"CX", 1, 1, 0},  {"CCX", 2, 1, 0},
      {"CY", 1, 1, 0},     {"CZ", 1, 1, 0},    {"CRX", 1, 1, 1},   {"CRY", 1, 1, 1},  {"CRZ", 1, 1, 1},
      {"FSIM", 0, 2, 2},
  };
  static_assert(std::size(rows) == kStandardGateCount);
  static_assert(sizeof(StandardGate) == 1);
  const auto gates = all_standard_gates();
  for (std::size_t i = 0; i < kStandardGateCount; ++i) {
    SCOPED_TRACE(i);
    const StandardGate gate = gates[i];
    EXPECT_EQ(static_cast<std::size_t>(gate), i);
    EXPECT_EQ(standard_gate_name(gate), rows[i].name);
    EXPECT_EQ(fmt::format("{}", gate), rows[i].name);
    const GateShape shape = gate_shape(gate);
    EXPECT_EQ(shape.controls, rows[i].controls);
    EXPECT_EQ(shape.targets, rows[i].targets);
    EXPECT_EQ(shape.params, rows[i].params);
    EXPECT_EQ(shape.qubits(), rows[i].controls + rows[i].targets);
    EXPECT_EQ(instruction_name(Instruction(gate)), rows[i].name);
  }
}

TEST(StandardGate, DisplayIgnoresWidthAndAlignment) {
  EXPECT_EQ(fmt::format("[{:>8}]", StandardGate::CZ), "[CZ]");
  EXPECT_EQ(fmt::format("[{:*^9}]", StandardGate::GPhase), "[GPhase]");
}

TEST(InstructionName, EveryKind) {
  struct Case {
    Instruction instruction;
    const char* name;
  };
  const Case cases[] = {
      {Instruction::mc_gate(2, StandardGate::X), "C2-X"},
      {Instruction::mc_gate(0, StandardGate::X), "X"},
      {Instruction::mc_gate(10, StandardGate::Phase), "C10-Phase"},
      {Instruction::mc_gate(255, StandardGate::GPhase), "C255-GPhase"},
      {Instruction::directive(DirectiveKind::Barrier), "barrier"},
      {Instruction::directive(DirectiveKind::Measure), "measure"},
      {Instruction::directive(DirectiveKind::Reset), "reset"},
      {Instruction::delay(), "delay"},
      {Instruction::unitary_gate(std::make_shared<const UnitaryGate>(UnitaryGate{.label = "my-u"})), "my-u"},
      {Instruction::circuit_gate(std::make_shared<const CircuitGate>(CircuitGate{.name = "bell"})), "bell"},
      {Instruction::classical_data(classical_data::Store{}), "store"},
      {Instruction::classical_data(classical_data::MeasureBit{}), "measure_bit"},
      {Instruction::classical_data(classical_data::MeasureBits{}), "measure_bits"},
      {Instruction::classical_control(IfOp{}), "if"},
      {Instruction::classical_control(WhileOp{}), "while"},
      {Instruction::classical_control(ForOp{}), "for"},
      {Instruction::classical_control(SwitchOp{}), "switch"},
      {Instruction::classical_control(control_flow::Break{}), "break"},
      {Instruction::classical_control(control_flow::Continue{}), "continue"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(instruction_name(c.instruction), c.name);
    EXPECT_EQ(instruction_name_string(c.instruction), c.name);
  }
}

TEST(InstructionName, EqualityComparesMultiControlledGatesByValue) {
  EXPECT_EQ(Instruction::mc_gate(2, StandardGate::X), Instruction::mc_gate(2, StandardGate::X));
  EXPECT_NE(Instruction::mc_gate(2, StandardGate::X), Instruction::mc_gate(1, StandardGate::X));
  EXPECT_NE(Instruction(StandardGate::X), Instruction::mc_gate(0, StandardGate::X));
}

TEST(InstructionName, EqualityOfTheCircuitModelsKinds) {
  // Custom gates compare by identity; classical operations by every field they hold.
  const auto gate = std::make_shared<const CircuitGate>(CircuitGate{.name = "bell"});
  EXPECT_EQ(Instruction::circuit_gate(gate), Instruction::circuit_gate(gate));
  EXPECT_NE(Instruction::circuit_gate(gate), Instruction::circuit_gate(std::make_shared<const CircuitGate>(*gate)));
  const auto measure = [](std::uint32_t index) {
    return Instruction::classical_data(classical_data::MeasureBit{{CircuitId{1}, index, classical_type::Bit{}}});
  };
  EXPECT_EQ(measure(2), measure(2));
  EXPECT_NE(measure(2), measure(3));
  EXPECT_NE(Instruction::classical_control(control_flow::Break{}), Instruction::classical_control(control_flow::Continue{}));
  EXPECT_EQ(Instruction::delay(), Instruction::delay());
}

TEST(InstructionName, ClassicalOperationsCompareByContent) {
  // Expressions built apart are equal when their nodes hold the same; bodies compare operation by operation.
  using norvi::testing::cexpr;
  using norvi::testing::op;
  const auto literal = [](bool value) { return cexpr(classical_type::Bool{}, classical_expr::BoolLiteral{value}); };
  const ClassicalVar flag{CircuitId{1}, 0, classical_type::Bool{}};
  const auto store = [&](bool value) { return Instruction::classical_data(classical_data::Store{flag, literal(value)}); };
  EXPECT_EQ(store(true), store(true));
  EXPECT_NE(store(true), store(false));
  EXPECT_EQ(Instruction::classical_data(classical_data::Store{}), Instruction::classical_data(classical_data::Store{}));
  EXPECT_NE(store(true), Instruction::classical_data(classical_data::Store{flag, {}}));
  const auto loop = [&](bool condition, std::uint32_t qubit) {
    return Instruction::classical_control(WhileOp{literal(condition), ControlBody{{op(StandardGate::X, {qubit})}}});
  };
  EXPECT_EQ(loop(true, 0), loop(true, 0));
  EXPECT_NE(loop(true, 0), loop(false, 0));
  EXPECT_NE(loop(true, 0), loop(true, 1));
}
