// The structural text form of the circuit model's types, compact and multi-line, and the sharing of a
// circuit's parts between copies.

#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "norvi/core/circuit/debug_text.hpp"
#include "norvi/symbolic/expr_text.hpp"
#include "support/circuit_builders.hpp"

namespace {

using namespace norvi::core;
using norvi::testing::cexpr;
using norvi::testing::fixed;
using norvi::testing::index;
using norvi::testing::num;
using norvi::testing::op;

constexpr UInt128 kU128Max = std::numeric_limits<UInt128>::max();
constexpr const char* kU128MaxText = "340282366920938463463374607431768211455";

struct TextCase {
  std::string actual;
  std::string expected;
};

void expect_texts(const std::vector<TextCase>& cases) {
  for (const TextCase& c : cases) EXPECT_EQ(c.actual, c.expected);
}

ClassicalExpr bit_true() { return cexpr(classical_type::Bit{}, classical_expr::BitLiteral{true}); }
const std::string kBitTrue = "ClassicalExpr { node: ClassicalExprNode { ty: Bit, kind: BitLiteral(true) } }";
const ClassicalVar kVar{CircuitId{1}, 0, classical_type::Bit{}};
const std::string kVarText = "ClassicalVar { circuit_id: CircuitId(1), index: 0, ty: Bit }";
const ClassicalValue kValue{CircuitId{1}, 2, classical_type::BitVec{3}};
const std::string kValueText = "ClassicalValue { circuit_id: CircuitId(1), index: 2, ty: BitVec(3) }";
const std::string kEmptyBody = "ControlBody { operations: [] }";

std::string expr_debug(const norvi::symbolic::ExprPtr& e) {
  std::string out;
  norvi::symbolic::expr_fmt_debug(*e, out, false);
  return out;
}

TEST(CircuitDebugText, OperationsAndTheirParts) {
  expect_texts({
      {debug_text(op(StandardGate::H, {0})),
       "Operation { instruction: Standard(H), qubits: [Qubit(0)], params: [], label: None }"},
      {debug_text(Instruction::delay()), "Delay"},
      {debug_text(op(Instruction::delay(), {0, 1}, {fixed(10)}, "wait")),
       "Operation { instruction: Delay, qubits: [Qubit(0), Qubit(1)], params: [Fixed(10.0)], label: Some(\"wait\") }"},
      {debug_text(fixed(1.0)), "Fixed(1.0)"},
      {debug_text(fixed(0.00001)), "Fixed(1e-5)"},
      {debug_text(fixed(-0.5)), "Fixed(-0.5)"},
      {debug_text(fixed(1e16)), "Fixed(1e16)"},
      {debug_text(index(2)), "Index(2)"},
      {debug_text(CircuitId{7}), "CircuitId(7)"},
      {debug_text(Qubit(3)), "Qubit(3)"},
      {debug_text(Instruction::mc_gate(2, StandardGate::X)), "McGate(MCGate { num_controls: 2, gate: X })"},
      {debug_text(Instruction::directive(DirectiveKind::Measure)), "Directive(Measure)"},
      {debug_text(Instruction(StandardGate::GPhase)), "Standard(GPhase)"},
      {debug_text(ClassicalType{classical_type::UInt{8}}), "UInt(8)"},
      {debug_text(ClassicalType{classical_type::BitVec{4}}), "BitVec(4)"},
      {debug_text(ClassicalType{classical_type::Bool{}}), "Bool"},
      {debug_text(ControlScope::Switch), "Switch"},
  });
}

TEST(CircuitDebugText, ClassicalExpressionKinds) {
  namespace ce = classical_expr;
  const ClassicalExpr b = bit_true();
  const std::string& B = kBitTrue;
  expect_texts({
      {debug_text(ClassicalExprKind{ce::Var{kVar}}), "Var(" + kVarText + ")"},
      {debug_text(ClassicalExprKind{ce::Value{kValue}}), "Value(" + kValueText + ")"},
      {debug_text(ClassicalExprKind{ce::BoolLiteral{false}}), "BoolLiteral(false)"},
      {debug_text(ClassicalExprKind{ce::BitLiteral{true}}), "BitLiteral(true)"},
      {debug_text(ClassicalExprKind{ce::UIntLiteral{128, kU128Max}}),
       std::string("UIntLiteral { width: 128, value: ") + kU128MaxText + " }"},
      {debug_text(ClassicalExprKind{ce::BitVecLiteral{4, 5}}), "BitVecLiteral { width: 4, value: 5 }"},
      {debug_text(ClassicalExprKind{ce::Unary{UnaryOp::Not, b}}), "Unary { op: Not, expr: " + B + " }"},
      {debug_text(ClassicalExprKind{ce::Binary{BinaryOp::Xor, b, b}}), "Binary { op: Xor, lhs: " + B + ", rhs: " + B + " }"},
      {debug_text(ClassicalExprKind{ce::Compare{CompareOp::Ge, b, b}}), "Compare { op: Ge, lhs: " + B + ", rhs: " + B + " }"},
      {debug_text(ClassicalExprKind{ce::Cast{CastKind::BitVecToUInt, b}}), "Cast { cast: BitVecToUInt, expr: " + B + " }"},
      {debug_text(ClassicalExprKind{ce::Select{b, b, b}}),
       "Select { condition: " + B + ", then_expr: " + B + ", else_expr: " + B + " }"},
      {debug_text(ClassicalExprKind{ce::ExtractBit{b, 3}}), "ExtractBit { value: " + B + ", index: 3 }"},
      {debug_text(ClassicalExprKind{ce::ExtractBits{b, 1, 2}}), "ExtractBits { value: " + B + ", offset: 1, width: 2 }"},
      // A shared node is written out in full at each place.
      {debug_text(ClassicalExprKind{ce::Concat{{b, b}}}), "Concat { parts: [" + B + ", " + B + "] }"},
      {debug_text(ClassicalExprKind{ce::PackBits{}}), "PackBits { bits: [] }"},
  });
}

TEST(CircuitDebugText, ClassicalDataAndControlFlow) {
  const ClassicalExpr condition = cexpr(
      classical_type::Bool{},
      classical_expr::Cast{CastKind::BitToBool,
                           cexpr(classical_type::Bit{}, classical_expr::Value{{CircuitId{7}, 0, classical_type::Bit{}}})});
  const std::string while_text =
      "While(WhileOp { condition: ClassicalExpr { node: ClassicalExprNode { ty: Bool, kind: Cast { cast: BitToBool, "
      "expr: ClassicalExpr { node: ClassicalExprNode { ty: Bit, kind: Value(ClassicalValue { circuit_id: CircuitId(7), "
      "index: 0, ty: Bit }) } } } } }, body: ControlBody { operations: [Operation { instruction: Standard(X), qubits: "
      "[Qubit(0)], params: [], label: None }] } })";
  const ControlFlow loop = WhileOp{condition, ControlBody{{op(StandardGate::X, {0})}}};

  const std::string& B = kBitTrue;
  expect_texts({
      {debug_text(loop), while_text},
      {debug_text(Instruction::classical_control(loop)), "ClassicalControl(" + while_text + ")"},
      {debug_text(ControlFlow{IfOp{bit_true(), ControlBody{}, std::nullopt}}),
       "If(IfOp { condition: " + B + ", then_body: " + kEmptyBody + ", else_body: None })"},
      {debug_text(ControlFlow{IfOp{bit_true(), ControlBody{}, ControlBody{}}}),
       "If(IfOp { condition: " + B + ", then_body: " + kEmptyBody + ", else_body: Some(" + kEmptyBody + ") })"},
      {debug_text(ControlFlow{SwitchOp{bit_true(), {SwitchCase{kU128Max, ControlBody{}}}, std::nullopt}}),
       "Switch(SwitchOp { target: " + B + ", cases: [SwitchCase { value: " + kU128MaxText + ", body: " + kEmptyBody +
           " }], default: None })"},
      {debug_text(ControlFlow{ForOp{kVar, bit_true(), bit_true(), bit_true(), ControlBody{}}}),
       "For(ForOp { var: " + kVarText + ", start: " + B + ", stop: " + B + ", step: " + B + ", body: " + kEmptyBody +
           " })"},
      {debug_text(ControlFlow{control_flow::Break{}}), "Break"},
      {debug_text(ControlFlow{control_flow::Continue{}}), "Continue"},
      {debug_text(Instruction::classical_data(classical_data::Store{kVar, bit_true()})),
       "ClassicalData(Store { target: " + kVarText + ", value: " + B + " })"},
      {debug_text(Instruction::classical_data(classical_data::MeasureBits{kValue})),
       "ClassicalData(MeasureBits { result: " + kValueText + " })"},
  });
}

TEST(CircuitDebugText, MultiLineNestedControlFlow) {
  const ControlFlow flow =
      IfOp{cexpr(classical_type::Bool{}, classical_expr::BoolLiteral{true}),
           ControlBody{{op(Instruction::classical_control(control_flow::Break{}), {})}}, std::nullopt};
  EXPECT_EQ(debug_text(Instruction::classical_control(flow), true),
            "ClassicalControl(\n"
            "    If(\n"
            "        IfOp {\n"
            "            condition: ClassicalExpr {\n"
            "                node: ClassicalExprNode {\n"
            "                    ty: Bool,\n"
            "                    kind: BoolLiteral(\n"
            "                        true,\n"
            "                    ),\n"
            "                },\n"
            "            },\n"
            "            then_body: ControlBody {\n"
            "                operations: [\n"
            "                    Operation {\n"
            "                        instruction: ClassicalControl(\n"
            "                            Break,\n"
            "                        ),\n"
            "                        qubits: [],\n"
            "                        params: [],\n"
            "                        label: None,\n"
            "                    },\n"
            "                ],\n"
            "            },\n"
            "            else_body: None,\n"
            "        },\n"
            "    ),\n"
            ")");
}

TEST(CircuitDebugText, CustomGatesAndTheirIdentifiers) {
  const Uuid id{(UInt128{0x67e5504410b1426fULL} << 64) | 0x9247bb680e5fe0c8ULL};
  const UnitaryGate gate{id,
                         "u\"1",
                         NumericMatrix{{Complex(1, 0), Complex(0, 0)}, {Complex(0, 0), Complex(0, -1.5)}},
                         std::vector<std::string>{"a"},
                         1,
                         0,
                         nullptr};
  expect_texts({
      {debug_text(id), "67e55044-10b1-426f-9247-bb680e5fe0c8"},
      {debug_text(Uuid{1}), "00000000-0000-0000-0000-000000000001"},
      {debug_text(Uuid{kU128Max}), "ffffffff-ffff-ffff-ffff-ffffffffffff"},
      {debug_text(Instruction::unitary_gate(std::make_shared<const UnitaryGate>(gate))),
       "UnitaryGate(UnitaryGate { id: 67e55044-10b1-426f-9247-bb680e5fe0c8, label: \"u\\\"1\", matrix: "
       "Some(Numeric(Array2 { shape: [2, 2], rows: [[Complex { re: 1.0, im: 0.0 }, Complex { re: 0.0, im: 0.0 }], "
       "[Complex { re: 0.0, im: 0.0 }, Complex { re: 0.0, im: -1.5 }]] })), matrix_params: Some([\"a\"]), "
       "num_qubits: 1, num_params: 0, circuit: None })"},
      {debug_text(UnitaryGate{Uuid{}, "", std::nullopt, std::nullopt, 0, 0, nullptr}),
       "UnitaryGate { id: 00000000-0000-0000-0000-000000000000, label: \"\", matrix: None, matrix_params: None, "
       "num_qubits: 0, num_params: 0, circuit: None }"},
  });
}

TEST(CircuitDebugText, CircuitsFrozenCircuitsAndTheMatrixCache) {
  const Circuit circuit{CircuitId{3},
                        {0, 2},
                        {"theta"},
                        {},
                        {op(StandardGate::H, {0})},
                        {classical_type::Bit{}, classical_type::UInt{8}},
                        {classical_type::Bool{}},
                        {ControlScope::Loop, ControlScope::Switch},
                        index(0)};
  const std::string circuit_text =
      "Circuit { circuit_id: CircuitId(3), qubits: {Qubit(0), Qubit(2)}, symbols: {\"theta\"}, parameters: {}, data: "
      "[Operation { instruction: Standard(H), qubits: [Qubit(0)], params: [], label: None }], classical_vars: [Bit, "
      "UInt(8)], classical_values: [Bool], control_scope_stack: [Loop, Switch], global_phase: Index(0) }";
  EXPECT_EQ(debug_text(circuit), circuit_text);

  auto frozen = std::make_shared<FrozenCircuit>(FrozenCircuit{circuit, {"b", "a"}, {}});
  const std::string frozen_head = "FrozenCircuit { circuit: " + circuit_text + ", used_symbols: {\"a\", \"b\"}, ";
  EXPECT_EQ(debug_text(*frozen), frozen_head + "symbolic_matrix_cache: OnceLock(<uninit>) }");

  const CircuitGate gate{"g", 2, 1, {"a"}, frozen};
  EXPECT_EQ(debug_text(Instruction::circuit_gate(std::make_shared<const CircuitGate>(gate))),
            "CircuitGate(CircuitGate { name: \"g\", num_qubits: 2, num_params: 1, signature_params: {\"a\"}, circuit: " +
                frozen_head + "symbolic_matrix_cache: OnceLock(<uninit>) } })");

  // Set once: the second value is refused and the first stays.
  const auto one = num(1.0);
  const auto zero = num(0.0);
  EXPECT_TRUE(frozen->symbolic_matrix_cache.set(SymbolicMatrix{{SymbolicComplex{Parameter{one}, Parameter{zero}}}}));
  EXPECT_FALSE(frozen->symbolic_matrix_cache.set(SymbolicMatrix{}));
  EXPECT_EQ(debug_text(*frozen),
            frozen_head + "symbolic_matrix_cache: OnceLock(Array2 { shape: [1, 1], rows: [[SymbolicComplex { re: "
                          "Parameter { expr: " + expr_debug(one) + " }, im: Parameter { expr: " + expr_debug(zero) +
                " } }]] }) }");
}

TEST(CircuitModel, CopiesShareWhatIsShared) {
  const Circuit original = norvi::testing::circuit({op(StandardGate::H, {0}), op(StandardGate::X, {1})});
  const Circuit copy = original;
  EXPECT_TRUE(copy.data.shares_with(original.data));
  EXPECT_EQ(&copy.data[1], &original.data[1]);

  // Qubits beyond four leave the inline buffer; copies and moves keep them whole.
  QubitList many{0, 1, 2, 3, 4, 5};
  const QubitList few{7, 8};
  const QubitList many_copy = many;
  EXPECT_EQ(many_copy, many);
  EXPECT_NE(many_copy.data(), many.data());
  const QubitList moved = std::move(many);
  EXPECT_EQ(debug_text(moved), "[Qubit(0), Qubit(1), Qubit(2), Qubit(3), Qubit(4), Qubit(5)]");
  EXPECT_TRUE(many.empty());  // NOLINT(bugprone-use-after-move): a moved-from list is empty
  QubitList assigned = few;
  assigned = many_copy;
  EXPECT_EQ(assigned, many_copy);
  assigned = few;
  EXPECT_EQ(debug_text(assigned), "[Qubit(7), Qubit(8)]");
}

}  // namespace
