// Numeric evaluation: constants, bindings, known calls, folding, and what stays symbolic.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "norvi/symbolic/construction.hpp"
#include "norvi/symbolic/evaluate.hpp"
#include "norvi/symbolic/symbol_registry.hpp"
#include "support/expr_shape.hpp"
#include "support/small_stack.hpp"

namespace norvi::symbolic {
namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kE = 2.718281828459045;

InternedSymbol sym(const std::string& name) { return *symbol_by_key(intern_symbol(name).as_u64()); }
ExprPtr num(double v) { return expr_from_kind(Number{v}); }
ExprPtr var(const std::string& name) { return expr_from_kind(Symbol{sym(name)}); }
ExprPtr call(const std::string& name, std::vector<ExprPtr> args) {
  return expr_from_kind(FunctionCall{sym(name), std::move(args)});
}

const double* value_of(const ExprPtr& e) {
  const auto* n = std::get_if<Number>(&e->kind());
  return n ? &n->value : nullptr;
}

TEST(SymbolicEvaluate, ConstantsAndBindings) {
  const Bindings host = {{"π", kPi}, {"e", kE}};
  const Bindings e_rebound = {{"e", 2.0}};
  struct Case {
    const char* name;
    const Bindings* bindings;
    std::optional<double> expected;  // none: stays the symbol
  };
  const Case cases[] = {
      {"pi", nullptr, kPi}, {"PI", nullptr, kPi},     {"Pi", nullptr, kPi},      {"pI", nullptr, std::nullopt},
      {"e", nullptr, kE},   {"E", nullptr, kE},       {"π", nullptr, std::nullopt}, {"theta", nullptr, std::nullopt},
      {"π", &host, kPi},    {"e", &e_rebound, 2.0},   {"E", &e_rebound, kE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const ExprPtr input = var(c.name);
    const ExprPtr out = c.bindings ? evaluate_with_bindings(*input, *c.bindings, {}) : evaluate_expr_rec(*input, {});
    if (c.expected) {
      ASSERT_NE(value_of(out), nullptr);
      EXPECT_EQ(*value_of(out), *c.expected);
    } else {
      EXPECT_EQ(out->id(), input->id());
      EXPECT_TRUE(expr_structural_eq(out->kind(), input->kind()));
    }
  }
}

TEST(SymbolicEvaluate, FoldsNumbersAndKeepsTheRest) {
  const ExprPtr theta = var("theta");
  // The kept part goes through the builders: canonical order, the folded number first.
  const ExprPtr sum = evaluate_expr_rec(*expr_from_kind(Sum{{theta, num(2), num(3)}}), {});
  EXPECT_EQ(norvi::testing::expr_shape(*sum), "Sum[5, theta]");
  EXPECT_EQ(std::get<Sum>(sum->kind()).terms[1]->id(), theta->id());

  const ExprPtr product = evaluate_expr_rec(*expr_from_kind(Product{{theta, num(2), num(3)}}), {});
  EXPECT_EQ(norvi::testing::expr_shape(*product), "Product[6, theta]");

  // A zero factor stops evaluation: the call after it is never made.
  int calls = 0;
  const CustomFunctions counting = {{"counted", [&calls](std::span<const double>) -> std::optional<double> {
                                       ++calls;
                                       return 1.0;
                                     }}};
  const ExprPtr zero =
      evaluate_expr_rec(*expr_from_kind(Product{{num(2), num(0), call("counted", {num(1)})}}), counting);
  EXPECT_EQ(*value_of(zero), 0.0);
  EXPECT_EQ(calls, 0);

  const ExprPtr quotient = evaluate_expr_rec(*expr_from_kind(Div{num(4), num(0)}), {});
  EXPECT_TRUE(std::holds_alternative<Div>(quotient->kind()));
  EXPECT_EQ(*value_of(evaluate_expr_rec(*expr_from_kind(Pow{num(2), num(0.5)}), {})), std::sqrt(2.0));
  EXPECT_EQ(*value_of(evaluate_expr_rec(*expr_from_kind(Sum{{}}), {})), 0.0);
  EXPECT_EQ(*value_of(evaluate_expr_rec(*expr_from_kind(Product{{}}), {})), 1.0);
}

// What is left symbolic folds through the simplifying builders: like terms collect, bound parameters
// leave a single number.
TEST(SymbolicEvaluate, RebuildsThroughTheBuilders) {
  const ExprPtr x = var("x");
  const ExprPtr theta = var("theta");
  const ExprPtr gate = expr_sum({expr_div(theta, num(2)), var("pi")});
  const ExprPtr bound = evaluate_with_bindings(*gate, {{"theta", 1.0}}, {});
  ASSERT_NE(value_of(bound), nullptr);
  EXPECT_EQ(*value_of(bound), 0.5 + kPi);

  // Made directly, so only evaluation can collect them.
  const ExprPtr raw = expr_from_kind(Sum{{expr_from_kind(Product{{num(2), x}}), expr_from_kind(Product{{num(3), x}})}});
  EXPECT_EQ(norvi::testing::expr_shape(*evaluate_expr_rec(*raw, {})), "Poly(x; 1:5)");
  const ExprPtr cancelling =
      expr_from_kind(Sum{{expr_from_kind(Product{{num(2), x}}), expr_from_kind(Product{{num(-2), x}})}});
  EXPECT_EQ(norvi::testing::expr_shape(*evaluate_expr_rec(*cancelling, {})), "0");
  const ExprPtr powers = expr_from_kind(Product{{x, var("y"), x}});
  EXPECT_EQ(norvi::testing::expr_shape(*evaluate_expr_rec(*powers, {})), "Product[Pow(x, 2), y]");
}

// Deep chains evaluate on a stack far too small for one call frame per level.
TEST(SymbolicEvaluate, DeepChainsEvaluateWithoutDeepRecursion) {
  constexpr int kDepth = 50'000;
  const ExprPtr x = var("x");
  norvi::testing::run_on_small_stack(256 * 1024, [&] {
    ExprPtr tower = x;
    ExprPtr affine = x;
    for (int i = 0; i < kDepth; ++i) {
      tower = expr_pow(x, std::move(tower));
      affine = expr_product({expr_sum({std::move(affine), num(1)}), num(2)});
    }
    const ExprPtr same = evaluate_expr_rec(*tower, {});
    EXPECT_TRUE(expr_structural_eq(same, tower));
    const ExprPtr folded = evaluate_with_bindings(*affine, {{"x", -2.0}}, {});  // (-2 + 1) * 2 = -2 at every level
    ASSERT_NE(value_of(folded), nullptr);
    EXPECT_EQ(*value_of(folded), -2.0);
    EXPECT_TRUE(expr_structural_eq(evaluate_expr_rec(*affine, {}), affine));
  });
}

TEST(SymbolicEvaluate, CallsOfNumbers) {
  const ExprPtr half_pi = evaluate_expr_rec(*call("sin", {(expr_from_kind(Div{var("pi"), num(2)}))}), {});
  ASSERT_NE(value_of(half_pi), nullptr);
  EXPECT_EQ(*value_of(half_pi), 1.0);

  for (const ExprPtr& input : {call("log", {num(1), num(5)}), call("nosuchfunction", {num(1)}), call("sin", {var("x")})}) {
    const ExprPtr out = evaluate_expr_rec(*input, {});
    EXPECT_TRUE(std::holds_alternative<FunctionCall>(out->kind()));
    EXPECT_TRUE(expr_structural_eq(out->kind(), input->kind()));
  }
  // Too few values for the row: the call stays.
  EXPECT_TRUE(std::holds_alternative<FunctionCall>(evaluate_expr_rec(*call("atan2", {num(1)}), {})->kind()));

  CustomFunctions custom = {{"twice", [](std::span<const double> v) -> std::optional<double> { return 2 * v[0]; }},
                            {"sin", [](std::span<const double>) -> std::optional<double> { return std::nullopt; }}};
  EXPECT_EQ(*value_of(evaluate_expr_rec(*call("twice", {num(4)}), custom)), 8.0);
  // A custom function without a value falls through to the table.
  EXPECT_EQ(*value_of(evaluate_expr_rec(*call("sin", {num(0)}), custom)), 0.0);
}

TEST(SymbolicEvaluate, PolynomialsAndDerivatives) {
  const ExprPtr x = var("x");
  const ExprPtr poly = (expr_from_kind(Poly{{x, {{0, 1.0}, {2, 2.0}}}}));
  EXPECT_EQ(*value_of(evaluate_with_bindings(*poly, {{"x", 3.0}}, {})), 19.0);
  const ExprPtr unchanged = evaluate_expr_rec(*poly, {});
  EXPECT_EQ(unchanged->id(), poly->id());

  const std::string t = "t";
  const ExprPtr d = new_derivative_expr(var("pi"), &t, 1);
  const ExprPtr out = evaluate_expr_rec(*d, {});
  const auto& kind = std::get<Derivative>(out->kind());
  EXPECT_EQ(*value_of(kind.inner), kPi);
  EXPECT_EQ(kind.var.key, intern_symbol("t"));
  EXPECT_NE(out->id(), d->id());
}

}  // namespace
}  // namespace norvi::symbolic
