// Derivative rules of the known functions: each agrees with a central difference of its row's own
// numeric function; the small builders settle trivial cases without building; a short list stops.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "norvi/symbolic/construction.hpp"
#include "norvi/symbolic/derivative_helpers.hpp"
#include "norvi/symbolic/evaluate.hpp"
#include "norvi/symbolic/expr_text.hpp"
#include "norvi/symbolic/function_table.hpp"
#include "norvi/symbolic/known_symbols.hpp"
#include "norvi/symbolic/symbol_registry.hpp"

namespace norvi::symbolic {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

ExprPtr number(double v) { return expr_from_kind(Number{v}); }
ExprPtr symbol_node(std::string_view name) { return expr_from_kind(Symbol{symbol_named(name)}); }

const FunctionDefinition& row_of(std::string_view name) {
  const FunctionDefinition* row = get_function_definition(intern_symbol(name));
  if (row == nullptr) throw std::runtime_error("no row for " + std::string(name));
  return *row;
}

ExprPtr derive_via(std::string_view function, const std::vector<ExprPtr>& args,
                   std::vector<ExprPtr> derivatives) {
  return row_of(function).derivative(args, derivatives);
}

const double* number_of(const ExprPtr& e) {
  const auto* n = std::get_if<Number>(&e->kind());
  return n != nullptr ? &n->value : nullptr;
}

// d/dx_i of the row at the point: central differences with one Richardson step, so the truncation
// error stays far below the tolerance while the step stays large against rounding noise.
double central_difference(const FunctionDefinition& row, std::vector<double> point, std::size_t i) {
  const double x0 = point[i];
  auto f = [&](double x) {
    point[i] = x;
    const auto v = row.eval(point);
    return v ? *v : kNaN;
  };
  auto d = [&](double h) { return (f(x0 + h) - f(x0 - h)) / (2 * h); };
  const double h = 1e-3 * std::max(1.0, std::fabs(x0));
  return (4 * d(h / 2) - d(h)) / 3;
}

// The first power met going down products, quotients and sums.
const Pow* find_pow(const ExprPtr& e) {
  if (const auto* p = std::get_if<Pow>(&e->kind())) return p;
  std::vector<ExprPtr> children;
  if (const auto* d = std::get_if<Div>(&e->kind())) children = {d->numerator, d->denominator};
  if (const auto* p = std::get_if<Product>(&e->kind())) children = p->factors;
  if (const auto* s = std::get_if<Sum>(&e->kind())) children = s->terms;
  for (const ExprPtr& child : children) {
    if (const Pow* found = find_pow(child)) return found;
  }
  return nullptr;
}

struct PointCase {
  const char* function;
  std::vector<double> point;
};

void PrintTo(const PointCase& c, std::ostream* os) {
  *os << c.function << "(";
  for (std::size_t i = 0; i < c.point.size(); ++i) *os << (i ? ", " : "") << c.point[i];
  *os << ")";
}

class DerivativeRuleNumeric : public ::testing::TestWithParam<PointCase> {};

// Every argument in turn gets a non-zero derivative while the others get 0: once the number 1 (the
// rule's shortcuts) and once a symbol bound to 1.7 (the general path, where a missing chain factor
// shows). The result, evaluated at the point, must match the partial derivative.
TEST_P(DerivativeRuleNumeric, MatchesCentralDifferenceOfTheRow) {
  constexpr double kWeight = 1.7;
  const PointCase& c = GetParam();
  const FunctionDefinition& row = row_of(c.function);
  ASSERT_NE(row.derivative, nullptr);
  ASSERT_EQ(c.point.size(), row.min_arity);

  std::vector<ExprPtr> args;
  Bindings bindings{{"w", kWeight}};
  for (std::size_t i = 0; i < c.point.size(); ++i) {
    const std::string name = "a" + std::to_string(i);
    args.push_back(symbol_node(name));
    bindings[name] = c.point[i];
  }
  for (std::size_t i = 0; i < c.point.size(); ++i) {
    const double partial = central_difference(row, c.point, i);
    ASSERT_TRUE(std::isfinite(partial)) << "argument " << i;
    for (const bool symbolic_weight : {false, true}) {
      std::vector<ExprPtr> derivatives;
      for (std::size_t j = 0; j < c.point.size(); ++j) {
        if (j != i) {
          derivatives.push_back(number(0.0));
        } else {
          derivatives.push_back(symbolic_weight ? symbol_node("w") : number(1.0));
        }
      }
      const ExprPtr value = evaluate_with_bindings(*row.derivative(args, derivatives), bindings, {});
      const double* got = number_of(value);
      ASSERT_NE(got, nullptr) << "argument " << i << " left " << plain_text(*value);
      const double want = partial * (symbolic_weight ? kWeight : 1.0);
      EXPECT_NEAR(*got, want, 1e-6 * std::max(std::fabs(want), 1e-3))
          << "argument " << i << (symbolic_weight ? ", symbolic derivative" : ", derivative 1");
    }
  }
}

// Points inside each domain, away from poles and branch cuts; signs chosen where the rule depends on
// one (abs in asec, acsc, acsch; the quadrants of atan2; the two branches of acot). Order arguments
// (rounded to integers) sit on integers, where the row is flat in them; a negative Legendre order
// is taken by its magnitude, by the rows and the rules alike.
INSTANTIATE_TEST_SUITE_P(
    AllRows, DerivativeRuleNumeric,
    ::testing::Values(
        PointCase{"sin", {0.7}}, PointCase{"cos", {0.7}}, PointCase{"tan", {0.7}}, PointCase{"cot", {0.7}},
        PointCase{"sec", {0.7}}, PointCase{"csc", {0.7}}, PointCase{"asin", {0.4}}, PointCase{"acos", {-0.4}},
        PointCase{"atan", {-1.3}}, PointCase{"atan2", {0.6, -1.1}}, PointCase{"atan2", {-0.6, 0.8}},
        PointCase{"acot", {0.7}}, PointCase{"acot", {-1.3}}, PointCase{"asec", {1.7}},
        PointCase{"asec", {-2.0}}, PointCase{"acsc", {1.7}}, PointCase{"acsc", {-2.0}},
        PointCase{"sinh", {0.7}}, PointCase{"cosh", {-0.7}}, PointCase{"tanh", {0.7}},
        PointCase{"coth", {0.7}}, PointCase{"sech", {0.7}}, PointCase{"csch", {-0.9}},
        PointCase{"asinh", {0.7}}, PointCase{"acosh", {1.6}}, PointCase{"atanh", {0.4}},
        PointCase{"acoth", {1.8}}, PointCase{"acoth", {-2.5}}, PointCase{"asech", {0.6}},
        PointCase{"acsch", {0.6}}, PointCase{"acsch", {-0.8}}, PointCase{"exp", {0.7}},
        PointCase{"ln", {1.7}}, PointCase{"log", {2.5, 3.5}}, PointCase{"log", {0.5, 3.5}},
        PointCase{"log10", {1.7}}, PointCase{"log2", {1.7}}, PointCase{"sqrt", {1.7}},
        PointCase{"cbrt", {1.7}}, PointCase{"abs", {0.7}}, PointCase{"abs", {-0.7}},
        PointCase{"signum", {-0.7}}, PointCase{"erf", {0.7}}, PointCase{"erfc", {-0.4}},
        PointCase{"gamma", {2.3}}, PointCase{"gamma", {-0.6}}, PointCase{"digamma", {2.3}},
        PointCase{"trigamma", {2.3}}, PointCase{"beta", {1.5, 2.5}}, PointCase{"besselj", {2, 3.5}},
        PointCase{"besselj", {0, 1.2}}, PointCase{"bessely", {1, 2.5}}, PointCase{"besseli", {2, 1.5}},
        PointCase{"besselk", {1, 1.5}}, PointCase{"polygamma", {1, 2.5}}, PointCase{"polygamma", {0, 1.7}},
        PointCase{"sinc", {0.9}}, PointCase{"lambertw", {1.5}}, PointCase{"elliptic_k", {0.5}},
        PointCase{"elliptic_e", {0.5}}, PointCase{"zeta", {6.0}}, PointCase{"zeta", {0.5}},
        PointCase{"zeta_deriv", {1, 6.0}}, PointCase{"hermite", {3, 0.7}},
        PointCase{"assoc_legendre", {3, 1, 0.4}}, PointCase{"spherical_harmonic", {3, 1, 0.7, 0.4}},
        PointCase{"spherical_harmonic", {4, 2, 1.1, -0.3}}, PointCase{"tetragamma", {2.3}},
        PointCase{"ynm", {3, 1, 0.7, 0.4}}, PointCase{"ynm", {3, -1, 0.7, 0.4}},
        PointCase{"assoc_legendre", {4, -2, -0.3}}, PointCase{"exp_polar", {0.7}}, PointCase{"floor", {1.3}},
        PointCase{"ceil", {1.3}}, PointCase{"round", {1.3}}));

TEST(DerivativeRules, EveryRowCarriesARuleAndTheRoundingRowsShareSignums) {
  for (const FunctionDefinition& row : function_rows()) EXPECT_NE(row.derivative, nullptr) << row.name;
  const DerivativeRule signum = row_of("signum").derivative;
  for (const char* name : {"floor", "ceil", "round"}) EXPECT_EQ(row_of(name).derivative, signum) << name;
}

TEST(DerivativeRules, ConstantRulesReadNeitherList) {
  for (const char* name : {"signum", "floor", "ceil", "round"}) {
    const ExprPtr result = row_of(name).derivative({}, {});
    const double* v = number_of(result);
    ASSERT_NE(v, nullptr) << name;
    EXPECT_EQ(*v, 0.0) << name;
  }
}

// The chain factor of sin decides the shape: 1 hands back the cos call itself, 0 (or what is
// within the tolerance of 0) gives the number 0, anything else a product.
TEST(DerivativeRules, SinChainFactorIsSettledBeforeBuilding) {
  const ExprPtr u = symbol_node("u");
  const std::vector<ExprPtr> args{u};
  const ExprPtr cos_u = expr_from_kind(FunctionCall{known_symbol(known_position("cos")), {u}});

  const ExprPtr by_one = derive_via("sin", args, {number(1.0)});
  const auto* call = std::get_if<FunctionCall>(&by_one->kind());
  ASSERT_NE(call, nullptr);
  EXPECT_EQ(call->name, known_symbol(known_position("cos")));
  ASSERT_EQ(call->args.size(), 1U);
  EXPECT_EQ(call->args[0], u) << "the argument node is shared, not copied";

  for (const double zero : {0.0, 1e-15}) {
    const ExprPtr result = derive_via("sin", args, {number(zero)});
    ASSERT_NE(number_of(result), nullptr) << zero;
    EXPECT_EQ(*number_of(result), 0.0);
  }

  const ExprPtr by_two = derive_via("sin", args, {number(2.0)});
  const ExprPtr expected = expr_product({cos_u, number(2.0)});
  EXPECT_EQ(by_two->hash(), expected->hash());
  EXPECT_TRUE(expr_structural_eq(by_two->kind(), expected->kind()));
}

// ln gives the power u^(-1), not a quotient; cbrt keeps its exponent as the exact quotient 2/3.
TEST(DerivativeRules, LnIsAPowerAndCbrtKeepsTheQuotientTwoThirds) {
  const ExprPtr u = symbol_node("u");
  const ExprPtr ln = derive_via("ln", {u}, {number(1.0)});
  const auto* pow = std::get_if<Pow>(&ln->kind());
  ASSERT_NE(pow, nullptr);
  EXPECT_EQ(pow->base, u);
  ASSERT_NE(number_of(pow->exponent), nullptr);
  EXPECT_EQ(*number_of(pow->exponent), -1.0);

  const ExprPtr cbrt = derive_via("cbrt", {u}, {number(1.0)});
  const Pow* root = find_pow(cbrt);
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->base, u);
  const auto* two_thirds = std::get_if<Div>(&root->exponent->kind());
  ASSERT_NE(two_thirds, nullptr) << "the exponent was folded to a number";
  EXPECT_EQ(*number_of(two_thirds->numerator), 2.0);
  EXPECT_EQ(*number_of(two_thirds->denominator), 3.0);
}

// atan2 with a constant abscissa: y·0 vanishes and x·1 is x itself, so the numerator is x's node.
TEST(DerivativeRules, Atan2WithConstantAbscissaHasTheAbscissaAsNumerator) {
  const ExprPtr y = symbol_node("y");
  const ExprPtr x = symbol_node("x");
  const ExprPtr result = derive_via("atan2", {y, x}, {number(1.0), number(0.0)});
  const auto* quotient = std::get_if<Div>(&result->kind());
  ASSERT_NE(quotient, nullptr);
  EXPECT_EQ(quotient->numerator->id(), x->id());
  const ExprPtr value = evaluate_with_bindings(*result, {{"x", 2.0}, {"y", 3.0}}, {});
  ASSERT_NE(number_of(value), nullptr);
  EXPECT_DOUBLE_EQ(*number_of(value), 2.0 / 13.0);
}

// The order arguments of these rows are integers: a derivative given for them is never read, so with
// the continuous argument constant the result is 0 whatever the order's derivative is.
TEST(DerivativeRules, OrderArgumentsContributeNothing) {
  struct Case {
    const char* function;
    std::size_t orders;  // leading order arguments
    std::size_t arity;
  };
  for (const Case& c : {Case{"besselj", 1, 2}, Case{"bessely", 1, 2}, Case{"besseli", 1, 2},
                        Case{"besselk", 1, 2}, Case{"polygamma", 1, 2}, Case{"zeta_deriv", 1, 2},
                        Case{"hermite", 1, 2}, Case{"assoc_legendre", 2, 3}}) {
    std::vector<ExprPtr> args;
    std::vector<ExprPtr> derivatives;
    for (std::size_t i = 0; i < c.arity; ++i) {
      args.push_back(symbol_node("a" + std::to_string(i)));
      derivatives.push_back(i < c.orders ? symbol_node("q") : number(0.0));
    }
    const ExprPtr result = derive_via(c.function, args, std::move(derivatives));
    ASSERT_NE(number_of(result), nullptr) << c.function;
    EXPECT_EQ(*number_of(result), 0.0) << c.function;
  }
}

// With a constant base the second term folds away entirely, leaving x′/(x·ln b).
TEST(DerivativeRules, LogWithConstantBaseIsTheFirstTermAlone) {
  const ExprPtr b = symbol_node("b");
  const ExprPtr x = symbol_node("x");
  const ExprPtr w = symbol_node("w");
  const ExprPtr result = derive_via("log", {b, x}, {number(0.0), w});
  const ExprPtr ln_b = expr_from_kind(FunctionCall{known_symbol(known_position("ln")), {b}});
  const ExprPtr expected = expr_div(w, expr_product({x, ln_b}));
  EXPECT_TRUE(expr_structural_eq(result->kind(), expected->kind()));
}

// Built: a new node that is not a number; Quotient and Power: a new node of that kind.
enum class Outcome { Value, First, Second, Built, Quotient, Power };
struct Operand {
  bool is_number;
  double value;  // for a number
};
constexpr Operand num_op(double v) { return {true, v}; }
constexpr Operand kX{false, 0};
constexpr Operand kY{false, 1};

ExprPtr operand_node(const Operand& o) {
  if (o.is_number) return number(o.value);
  return symbol_node(o.value == 0 ? "x" : "y");
}

ExprPtr mul(const ExprPtr& a, const ExprPtr& b) { return chain_rule_product(a, b); }
ExprPtr add(const ExprPtr& a, const ExprPtr& b) { return expr_add_pair(a, b); }
ExprPtr sub(const ExprPtr& a, const ExprPtr& b) { return expr_sub_pair(a, b); }

struct HelperCase {
  const char* label;
  ExprPtr (*helper)(const ExprPtr&, const ExprPtr&);
  Operand a;
  Operand b;
  Outcome outcome;
  double value = 0;  // for Outcome::Value
};

void PrintTo(const HelperCase& c, std::ostream* os) { *os << c.label; }

class DerivativeHelperCases : public ::testing::TestWithParam<HelperCase> {};

// Each case says whether the helper settles it as a number, hands back one operand (the node itself,
// same id), or builds a new node. Operands are separate nodes, so x/x is equal by structure only.
TEST_P(DerivativeHelperCases, SettleTrivialCasesWithoutBuilding) {
  const HelperCase& c = GetParam();
  const ExprPtr a = operand_node(c.a);
  const ExprPtr b = operand_node(c.b);
  const ExprPtr result = c.helper(a, b);
  switch (c.outcome) {
    case Outcome::First:
      EXPECT_EQ(result, a);
      return;
    case Outcome::Second:
      EXPECT_EQ(result, b);
      return;
    case Outcome::Value:
      ASSERT_NE(number_of(result), nullptr);
      EXPECT_EQ(*number_of(result), c.value);
      break;
    case Outcome::Built:
      EXPECT_EQ(number_of(result), nullptr);
      break;
    case Outcome::Quotient:
      EXPECT_TRUE(std::holds_alternative<Div>(result->kind()));
      break;
    case Outcome::Power:
      EXPECT_TRUE(std::holds_alternative<Pow>(result->kind()));
      break;
  }
  EXPECT_NE(result, a);
  EXPECT_NE(result, b);
}

INSTANTIATE_TEST_SUITE_P(
    AllHelpers, DerivativeHelperCases,
    ::testing::Values(HelperCase{"mul 0 x", mul, num_op(0), kX, Outcome::Value, 0},
                      HelperCase{"mul 1e-15 x", mul, num_op(1e-15), kX, Outcome::Value, 0},
                      HelperCase{"mul NaN 0", mul, num_op(kNaN), num_op(0), Outcome::Value, 0},
                      HelperCase{"mul x 0", mul, kX, num_op(0), Outcome::Value, 0},
                      HelperCase{"mul x 1e-15", mul, kX, num_op(1e-15), Outcome::Value, 0},
                      HelperCase{"mul 1 x", mul, num_op(1), kX, Outcome::Second},
                      HelperCase{"mul x 1", mul, kX, num_op(1), Outcome::First},
                      HelperCase{"mul 1 3", mul, num_op(1), num_op(3), Outcome::Second},
                      HelperCase{"mul 3 1", mul, num_op(3), num_op(1), Outcome::First},
                      HelperCase{"mul 2 3", mul, num_op(2), num_op(3), Outcome::Value, 6},
                      HelperCase{"mul 2 x", mul, num_op(2), kX, Outcome::Built},
                      HelperCase{"mul x y", mul, kX, kY, Outcome::Built},
                      HelperCase{"add 0 x", add, num_op(0), kX, Outcome::Second},
                      HelperCase{"add x 1e-15", add, kX, num_op(1e-15), Outcome::First},
                      HelperCase{"add 1e-15 2", add, num_op(1e-15), num_op(2), Outcome::Second},
                      HelperCase{"add 2 1e-15", add, num_op(2), num_op(1e-15), Outcome::First},
                      HelperCase{"add 2 3", add, num_op(2), num_op(3), Outcome::Value, 5},
                      HelperCase{"add 2 x", add, num_op(2), kX, Outcome::Built},
                      HelperCase{"add x y", add, kX, kY, Outcome::Built},
                      // Between two numbers the difference is exact, with no tolerance.
                      HelperCase{"sub 1e-15 2", sub, num_op(1e-15), num_op(2), Outcome::Value, 1e-15 - 2},
                      HelperCase{"sub 2 2", sub, num_op(2), num_op(2), Outcome::Value, 0},
                      HelperCase{"sub 0 x", sub, num_op(0), kX, Outcome::Built},
                      HelperCase{"sub x 1e-15", sub, kX, num_op(1e-15), Outcome::First},
                      HelperCase{"sub x y", sub, kX, kY, Outcome::Built},
                      // Quotients and powers of shared operands fold only the trivial cases.
                      HelperCase{"div x x", expr_div_shared, kX, kX, Outcome::Value, 1},
                      HelperCase{"div 2 2", expr_div_shared, num_op(2), num_op(2), Outcome::Value, 1},
                      HelperCase{"div 0 0", expr_div_shared, num_op(0), num_op(0), Outcome::Quotient},
                      HelperCase{"div x 1", expr_div_shared, kX, num_op(1), Outcome::First},
                      HelperCase{"div 0 x", expr_div_shared, num_op(0), kX, Outcome::Value, 0},
                      HelperCase{"div x 0", expr_div_shared, kX, num_op(0), Outcome::Quotient},
                      HelperCase{"div 6 3", expr_div_shared, num_op(6), num_op(3), Outcome::Quotient},
                      HelperCase{"div x y", expr_div_shared, kX, kY, Outcome::Quotient},
                      HelperCase{"pow x 0", expr_pow_shared, kX, num_op(0), Outcome::Value, 1},
                      HelperCase{"pow 0 0", expr_pow_shared, num_op(0), num_op(0), Outcome::Value, 1},
                      HelperCase{"pow x 1", expr_pow_shared, kX, num_op(1), Outcome::First},
                      HelperCase{"pow 1 x", expr_pow_shared, num_op(1), kX, Outcome::Value, 1},
                      HelperCase{"pow 0 2", expr_pow_shared, num_op(0), num_op(2), Outcome::Value, 0},
                      HelperCase{"pow 0 -1", expr_pow_shared, num_op(0), num_op(-1), Outcome::Power},
                      HelperCase{"pow 0 x", expr_pow_shared, num_op(0), kX, Outcome::Power},
                      HelperCase{"pow 2 3", expr_pow_shared, num_op(2), num_op(3), Outcome::Power}));

// The sum of shared terms settles numbers and one-term cases itself, yet must give what the general
// sum gives on every input; a term handed back is the node itself.
TEST(DerivativeHelpers, SumOfSharedTermsAgreesWithTheGeneralSum) {
  const ExprPtr x = symbol_node("x");
  const ExprPtr y = symbol_node("y");
  const ExprPtr one_plus_x = expr_sum({number(1), x});
  const ExprPtr two_plus_xy = expr_sum({number(2), expr_product({x, y})});
  const std::vector<std::vector<ExprPtr>> cases = {
      {},
      {x},
      {number(2), number(3)},
      {number(2), number(-2)},
      {number(1e-15), x},
      {x, x},
      {x, y},
      {y, x, expr_pow(x, number(2))},
      {one_plus_x, number(2)},
      {two_plus_xy, number(3)},
      {one_plus_x, one_plus_x},
      {x, number(2), number(-0.5)},
      {x, number(kNaN)},
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    EXPECT_TRUE(expr_structural_eq(expr_sum_shared(cases[i]), expr_sum(cases[i]))) << "case " << i;
  }
  EXPECT_EQ(expr_sum_shared({x}), x);
  EXPECT_EQ(expr_sum_shared({number(1e-15), x}), x);
}

// Two polynomials over one base (the same node or an equal one) multiply as polynomials.
TEST(DerivativeHelpers, ChainRuleProductOfPolynomialsOverOneBase) {
  const ExprPtr x = symbol_node("x");
  const ExprPtr x_again = symbol_node("x");
  const ExprPtr y = symbol_node("y");
  auto poly = [](const ExprPtr& base, std::vector<PolyTerm> terms) {
    return expr_poly(Polynomial{base, std::move(terms)});
  };
  const ExprPtr product = chain_rule_product(poly(x, {{0, 1}, {2, 1}}), poly(x_again, {{0, 1}, {1, 1}}));
  const auto* p = std::get_if<Poly>(&product->kind());
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->polynomial.base, x);
  ASSERT_EQ(p->polynomial.terms.size(), 4U);
  for (std::uint32_t k = 0; k < 4; ++k) {
    EXPECT_EQ(p->polynomial.terms[k].exponent, k);
    EXPECT_EQ(p->polynomial.terms[k].coefficient, 1.0);
  }
  const ExprPtr mixed = chain_rule_product(poly(x, {{0, 1}, {2, 1}}), poly(y, {{0, 1}, {1, 1}}));
  EXPECT_FALSE(std::holds_alternative<Poly>(mixed->kind()));
}

// A list shorter than a rule reads stops the process with a message naming the rule.
TEST(DerivativeRulesDeathTest, ShortListsStopNamingTheRule) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  struct Case {
    const char* function;
    std::size_t args;
    std::size_t derivatives;
  };
  for (const Case& c :
       {Case{"sin", 1, 0}, Case{"sin", 0, 1}, Case{"atan2", 2, 1}, Case{"log", 1, 2}, Case{"besselj", 2, 1},
        Case{"assoc_legendre", 3, 2}, Case{"spherical_harmonic", 4, 3}, Case{"ynm", 3, 4}}) {
    std::vector<ExprPtr> args(c.args, symbol_node("x"));
    const std::vector<ExprPtr> derivatives(c.derivatives, number(1.0));
    const std::string rule = std::string("derive_") + c.function;
    EXPECT_DEATH(row_of(c.function).derivative(args, derivatives), rule + " reads") << c.function;
  }
}

}  // namespace
}  // namespace norvi::symbolic
