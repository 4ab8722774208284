// Nested circuit values at any depth: operations inside control-flow bodies and inside the circuits of
// custom gates, and classical expressions inside expressions. Writing, comparing, copying, converting
// and freeing them must not use the call stack once per level: a million levels on the main thread,
// and on a thread with a small stack a depth that a recursive walk cannot reach.

#include <gtest/gtest.h>

#include <cstddef>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "norvi/core/circuit/debug_text.hpp"
#include "norvi/core/circuit/vesk.hpp"
#include "support/circuit_builders.hpp"
#include "support/small_stack.hpp"

namespace {

using namespace norvi::core;
namespace ce = classical_expr;
using norvi::testing::cexpr;
using norvi::testing::op;
using norvi::testing::run_on_small_stack;

// A million levels; a tenth of that under AddressSanitizer, whose unoptimised allocations make a
// million levels take tens of seconds per kind (a recursive walk overflowed there at about 1,000).
#if defined(__SANITIZE_ADDRESS__)
constexpr std::size_t kDeep = 100'000;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr std::size_t kDeep = 100'000;
#else
constexpr std::size_t kDeep = 1'000'000;
#endif
#else
constexpr std::size_t kDeep = 1'000'000;
#endif
// On a 256 KiB stack a walk that recursed once per level overflows within a few hundred levels.
constexpr std::size_t kSmallStack = 256 * 1024;
constexpr std::size_t kSmallStackDepth = 20'000;
// The multi-line form indents each level further, so its size grows with the square of the depth.
constexpr std::size_t kMultiLineDepth = 1'000;

const ClassicalVar kVar{CircuitId{1}, 0, classical_type::UInt{8}};

// One shared node for every operand that is not the nesting's own.
ClassicalExpr truth() {
  static const ClassicalExpr node = cexpr(classical_type::Bool{}, ce::BoolLiteral{true});
  return node;
}
ClassicalExpr bottom(bool value) { return cexpr(classical_type::Bit{}, ce::BitLiteral{value}); }

ControlBody body_of(Operation inner) {
  std::vector<Operation> operations;
  operations.push_back(std::move(inner));
  return ControlBody(std::move(operations));
}

Operation control(ControlFlow flow) { return op(Instruction::classical_control(std::move(flow)), {}); }

std::shared_ptr<const FrozenCircuit> frozen_of(Operation inner) {
  auto frozen = std::make_shared<FrozenCircuit>();
  std::vector<Operation> operations;
  operations.push_back(std::move(inner));
  frozen->circuit.data = OperationList(std::move(operations));
  return frozen;
}

// Each nesting kind puts an operation one level deeper.
struct OperationNesting {
  const char* name;
  Operation (*wrap)(Operation inner);  // conditions have no node: expressions are nested below
  bool control_flow;  // converted to a refusal that carries the structural text
};

const OperationNesting kOperationNestings[] = {
    {"if", [](Operation in) { return control(IfOp{ClassicalExpr{}, body_of(std::move(in)), std::nullopt}); }, true},
    {"else", [](Operation in) { return control(IfOp{ClassicalExpr{}, ControlBody{}, body_of(std::move(in))}); }, true},
    {"while", [](Operation in) { return control(WhileOp{ClassicalExpr{}, body_of(std::move(in))}); }, true},
    {"for", [](Operation in) { return control(ForOp{kVar, {}, {}, {}, body_of(std::move(in))}); }, true},
    {"switch case",
     [](Operation in) {
       std::vector<SwitchCase> cases;
       cases.push_back(SwitchCase{3, body_of(std::move(in))});
       return control(SwitchOp{ClassicalExpr{}, std::move(cases), std::nullopt});
     },
     true},
    {"switch default", [](Operation in) { return control(SwitchOp{ClassicalExpr{}, {}, body_of(std::move(in))}); }, true},
    {"circuit gate",
     [](Operation in) {
       return op(Instruction::circuit_gate(std::make_shared<const CircuitGate>(
                     CircuitGate{"g", 1, 0, {}, frozen_of(std::move(in))})),
                 {0});
     },
     false},
    {"unitary gate",
     [](Operation in) {
       UnitaryGate gate;
       gate.label = "u";
       gate.num_qubits = 1;
       gate.circuit = frozen_of(std::move(in));
       return op(Instruction::unitary_gate(std::make_shared<const UnitaryGate>(std::move(gate))), {0});
     },
     false},
};

Operation leaf(StandardGate gate) { return op(gate, {7}, {}, "leaf"); }

Operation nest(const OperationNesting& nesting, std::size_t depth, StandardGate at_bottom) {
  Operation operation = leaf(at_bottom);
  for (std::size_t i = 0; i < depth; ++i) operation = nesting.wrap(std::move(operation));
  return operation;
}

// Each nesting kind puts an expression one level deeper.
struct ExprNesting {
  const char* name;
  ClassicalExpr (*wrap)(ClassicalExpr inner);
};

ClassicalExpr bool_node(ClassicalExprKind kind) { return cexpr(classical_type::Bool{}, std::move(kind)); }
std::vector<ClassicalExpr> one(ClassicalExpr e) {
  std::vector<ClassicalExpr> list;
  list.push_back(std::move(e));
  return list;
}

const ExprNesting kExprNestings[] = {
    {"not", [](ClassicalExpr e) { return bool_node(ce::Unary{UnaryOp::Not, std::move(e)}); }},
    {"binary lhs", [](ClassicalExpr e) { return bool_node(ce::Binary{BinaryOp::And, std::move(e), truth()}); }},
    {"binary rhs", [](ClassicalExpr e) { return bool_node(ce::Binary{BinaryOp::Or, truth(), std::move(e)}); }},
    {"compare", [](ClassicalExpr e) { return bool_node(ce::Compare{CompareOp::Ne, truth(), std::move(e)}); }},
    {"cast", [](ClassicalExpr e) { return bool_node(ce::Cast{CastKind::BitToBool, std::move(e)}); }},
    {"select condition", [](ClassicalExpr e) { return bool_node(ce::Select{std::move(e), truth(), truth()}); }},
    {"select else", [](ClassicalExpr e) { return bool_node(ce::Select{truth(), truth(), std::move(e)}); }},
    {"extract bit", [](ClassicalExpr e) { return bool_node(ce::ExtractBit{std::move(e), 1}); }},
    {"extract bits", [](ClassicalExpr e) { return bool_node(ce::ExtractBits{std::move(e), 1, 2}); }},
    {"concat", [](ClassicalExpr e) { return bool_node(ce::Concat{one(std::move(e))}); }},
    {"pack bits", [](ClassicalExpr e) { return bool_node(ce::PackBits{one(std::move(e))}); }},
};

ClassicalExpr nest(const ExprNesting& nesting, std::size_t depth, bool at_bottom) {
  ClassicalExpr expr = bottom(at_bottom);
  for (std::size_t i = 0; i < depth; ++i) expr = nesting.wrap(std::move(expr));
  return expr;
}

// A nested value's text: the part before the innermost value `depth` times, that value, then the part
// after it, whose outermost copy may differ from the nested ones (a list element is followed by a
// separator in the multi-line form). Both parts come from the texts at one and two levels; the deep
// text is checked in place, since it may be hundreds of MB.
void expect_layers(const std::string& text, const std::string& one_level, const std::string& two_levels,
                   const std::string& innermost, std::size_t depth) {
  const std::size_t at = one_level.find(innermost);
  ASSERT_NE(at, std::string::npos);
  const std::string before = one_level.substr(0, at);
  const std::string outer_after = one_level.substr(at + innermost.size());
  ASSERT_GT(two_levels.size(), one_level.size() + before.size());
  const std::string after = two_levels.substr(2 * before.size() + innermost.size(),
                                              two_levels.size() - one_level.size() - before.size());
  ASSERT_EQ(two_levels, before + before + innermost + after + outer_after);
  ASSERT_EQ(text.size(), depth * before.size() + innermost.size() + (depth - 1) * after.size() + outer_after.size());
  std::size_t pos = 0;
  for (std::size_t i = 0; i < depth; ++i, pos += before.size()) {
    ASSERT_EQ(text.compare(pos, before.size(), before), 0) << "level " << i;
  }
  ASSERT_EQ(text.compare(pos, innermost.size(), innermost), 0);
  pos += innermost.size();
  for (std::size_t i = 1; i < depth; ++i, pos += after.size()) {
    ASSERT_EQ(text.compare(pos, after.size(), after), 0) << "level " << i;
  }
  ASSERT_EQ(text.compare(pos, outer_after.size(), outer_after), 0);
}

// The multi-line text with each line's indentation removed, and the deepest indentation.
struct Unindented {
  std::string text;
  std::size_t deepest = 0;
};

Unindented unindent(const std::string& text) {
  Unindented out;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::size_t first = text.find_first_not_of(' ', start);
    const std::size_t indent = (first == std::string::npos || first > end ? end : first) - start;
    out.deepest = std::max(out.deepest, indent);
    out.text.append(text, start + indent, end - start - indent);
    out.text += '|';
    start = end + 1;
  }
  return out;
}

void expect_multi_line(const OperationNesting& nesting, const Operation& deep, std::size_t depth) {
  const Unindented text = unindent(debug_text(deep, true));
  const Unindented one = unindent(debug_text(nesting.wrap(leaf(StandardGate::H)), true));
  const Unindented two = unindent(debug_text(nesting.wrap(nesting.wrap(leaf(StandardGate::H))), true));
  const Unindented innermost = unindent(debug_text(leaf(StandardGate::H), true));
  // Without its last line break: nested, the innermost operation is followed by a separator.
  expect_layers(text.text, one.text, two.text, innermost.text.substr(0, innermost.text.size() - 1), depth);
  EXPECT_EQ(text.deepest, one.deepest + (depth - 1) * (two.deepest - one.deepest));
}

// A one-operation circuit of the nested operation, so the operation is built once and not copied.
Circuit nest_circuit(const OperationNesting& nesting, std::size_t depth, StandardGate at_bottom) {
  std::vector<Operation> operations;
  operations.push_back(nest(nesting, depth, at_bottom));
  return norvi::testing::circuit(std::move(operations));
}

// Conversion: control flow is refused with its structural text, a custom gate by its kind.
void expect_refused(const OperationNesting& nesting, const Circuit& circuit, const std::string& text) {
  const auto converted = circuit_to_vesk(circuit);
  ASSERT_FALSE(converted.has_value());
  if (!nesting.control_flow) {
    EXPECT_EQ(converted.error().kind, VeskErrorKind::UnsupportedGate);
    return;
  }
  EXPECT_EQ(converted.error().kind, VeskErrorKind::UnsupportedClassicalControl);
  // The flow's text is the operation's without "Operation { instruction: ClassicalControl(" and the rest.
  const std::string& detail = converted.error().detail;
  const std::string head = "Operation { instruction: ClassicalControl(";
  const std::string tail = "), qubits: [], params: [], label: None }";
  ASSERT_EQ(detail.size() + head.size() + tail.size(), text.size());
  EXPECT_EQ(text.compare(head.size(), detail.size(), detail), 0);
}

// Everything a nested operation goes through at `depth` levels; the values are freed on return.
void exercise_operations(const OperationNesting& nesting, std::size_t depth, bool multi_line) {
  SCOPED_TRACE(nesting.name);
  const Circuit circuit = nest_circuit(nesting, depth, StandardGate::H);
  const Operation& deep = circuit.data[0];
  {
    // The text goes before the second structure is made: at a million levels each is hundreds of MB.
    const std::string text = debug_text(deep);
    const Operation one = nesting.wrap(leaf(StandardGate::H));
    expect_layers(text, debug_text(one), debug_text(nesting.wrap(one)), debug_text(leaf(StandardGate::H)), depth);
    expect_refused(nesting, circuit, text);
  }
  {
    const Operation copy = deep;  // NOLINT(performance-unnecessary-copy-initialization): the copy is tested
    EXPECT_EQ(copy, deep);
  }
  {
    // Control flow compares body by body down to the differing bottom; custom gates by identity.
    const Circuit other = nest_circuit(nesting, depth, StandardGate::X);
    EXPECT_NE(other.data[0], deep);
  }
  if (multi_line) expect_multi_line(nesting, deep, depth);
}

void exercise_exprs(const ExprNesting& nesting, std::size_t depth) {
  SCOPED_TRACE(nesting.name);
  const ClassicalExpr deep = nest(nesting, depth, true);
  const ClassicalExpr innermost = bottom(true);
  const ClassicalExpr one = nesting.wrap(innermost);
  expect_layers(debug_text(deep), debug_text(one), debug_text(nesting.wrap(one)), debug_text(innermost), depth);
  // One at a time, each freed before the next is made.
  EXPECT_EQ(nest(nesting, depth, true), deep);
  EXPECT_NE(nest(nesting, depth, false), deep);
  // As a loop's condition, refused by the conversion with the loop's text.
  const Operation loop = control(WhileOp{deep, ControlBody{}});
  const auto converted = circuit_to_vesk(norvi::testing::circuit({loop}));
  ASSERT_FALSE(converted.has_value());
  EXPECT_EQ(converted.error().kind, VeskErrorKind::UnsupportedClassicalControl);
  EXPECT_EQ(converted.error().detail, debug_text(std::get<ControlFlow>(loop.instruction.value())));
}

class OperationNestingTest : public ::testing::TestWithParam<OperationNesting> {};
class ExprNestingTest : public ::testing::TestWithParam<ExprNesting> {};

TEST_P(OperationNestingTest, Deep) { exercise_operations(GetParam(), kDeep, false); }
TEST_P(OperationNestingTest, OnASmallStack) {
  run_on_small_stack(kSmallStack, [] { exercise_operations(GetParam(), kSmallStackDepth, false); });
}
TEST_P(OperationNestingTest, MultiLineOnASmallStack) {
  run_on_small_stack(kSmallStack, [] { exercise_operations(GetParam(), kMultiLineDepth, true); });
}
TEST_P(ExprNestingTest, Deep) { exercise_exprs(GetParam(), kDeep); }
TEST_P(ExprNestingTest, OnASmallStack) {
  run_on_small_stack(kSmallStack, [] { exercise_exprs(GetParam(), kSmallStackDepth); });
}

template <typename Nesting>
std::string nesting_name(const ::testing::TestParamInfo<Nesting>& info) {
  std::string name = info.param.name;
  for (char& c : name) {
    if (c == ' ') c = '_';
  }
  return name;
}

INSTANTIATE_TEST_SUITE_P(CircuitNesting, OperationNestingTest, ::testing::ValuesIn(kOperationNestings),
                         nesting_name<OperationNesting>);
INSTANTIATE_TEST_SUITE_P(CircuitNesting, ExprNestingTest, ::testing::ValuesIn(kExprNestings),
                         nesting_name<ExprNesting>);

// Bodies met inside a copy are filled by the outermost copy; assignment copies in a walk of its own.
TEST(CircuitNesting, AssignmentCopiesAndMovesNestedBodies) {
  const OperationNesting& loop = kOperationNestings[2];
  const Circuit circuit = nest_circuit(loop, kSmallStackDepth, StandardGate::H);
  const Operation& deep = circuit.data[0];
  const ControlBody& deep_body = std::get<WhileOp>(std::get<ControlFlow>(deep.instruction.value())).body;
  run_on_small_stack(kSmallStack, [&] {
    Operation assigned = leaf(StandardGate::X);
    assigned = deep;
    EXPECT_EQ(assigned, deep);
    ControlBody body = body_of(leaf(StandardGate::X));
    body = deep_body;
    EXPECT_EQ(body, deep_body);
    ControlBody moved_into = body_of(nest(loop, kSmallStackDepth, StandardGate::X));
    moved_into = std::move(body);  // frees the deep body it held
    EXPECT_TRUE(body.operations.empty());  // NOLINT(bugprone-use-after-move): a moved-from body is empty
    EXPECT_EQ(moved_into, deep_body);
  });
}

}  // namespace
