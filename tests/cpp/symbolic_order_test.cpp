// The canonical order of expressions: sort keys, exponents, coefficients, and the order of kinds.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "norvi/symbolic/construction.hpp"
#include "norvi/symbolic/order.hpp"
#include "norvi/symbolic/symbol_registry.hpp"
#include "support/small_stack.hpp"

namespace norvi::symbolic {
namespace {

InternedSymbol sym(const std::string& name) { return *symbol_by_key(intern_symbol(name).as_u64()); }
ExprPtr num(double v) { return expr_from_kind(Number{v}); }
ExprPtr var(const std::string& name) { return expr_from_kind(Symbol{sym(name)}); }
// Nodes made directly, so that the builders' own folding does not change what is compared.
ExprPtr times(ExprPtr a, ExprPtr b) { return expr_from_kind(Product{{std::move(a), std::move(b)}}); }
ExprPtr power(ExprPtr a, ExprPtr b) { return expr_from_kind(Pow{std::move(a), std::move(b)}); }
ExprPtr call(const std::string& name, std::vector<ExprPtr> args) {
  return expr_from_kind(FunctionCall{sym(name), std::move(args)});
}

TEST(SymbolicOrder, PairsCompareAsListed) {
  const ExprPtr x = var("x");
  const ExprPtr y = var("y");
  const ExprPtr nan = num(std::numeric_limits<double>::quiet_NaN());
  const ExprPtr unnamed = expr_from_kind(Symbol{InternedSymbol{DefaultKey{7, 1}, nullptr}});
  struct Case {
    const char* what;
    ExprPtr a;
    ExprPtr b;
    std::strong_ordering expected;
  };
  const std::vector<Case> cases = {
      {"numbers by value", num(-1), num(3), std::strong_ordering::less},
      {"number before symbol", num(3), x, std::strong_ordering::less},
      {"x before 2*x", x, times(num(2), x), std::strong_ordering::less},
      {"2*x before x^2", times(num(2), x), power(x, num(2)), std::strong_ordering::less},
      {"x^2 before 3*x^2", power(x, num(2)), times(num(3), power(x, num(2))), std::strong_ordering::less},
      {"nested leading numbers strip", times(num(2), times(num(3), x)), x, std::strong_ordering::greater},
      {"polynomial in x equals x", expr_from_kind(Poly{{x, {{2, 1.0}}}}), x, std::strong_ordering::equal},
      {"x^2 before x^y", power(x, num(2)), power(x, y), std::strong_ordering::less},
      {"x^2 before y^3 by base", power(x, num(2)), power(y, num(3)), std::strong_ordering::less},
      {"X before x", var("X"), x, std::strong_ordering::less},
      {"x before x1", x, var("x1"), std::strong_ordering::less},
      {"names as unsigned bytes", var("z"), var("\u03c0"), std::strong_ordering::less},
      {"named before unnamed", x, unnamed, std::strong_ordering::less},
      {"sum before call", expr_from_kind(Sum{{x, num(1)}}), call("sin", {x}), std::strong_ordering::less},
      {"fewer terms first", expr_from_kind(Sum{{y, y}}), expr_from_kind(Sum{{x, x, x}}), std::strong_ordering::less},
      {"sin(x) before sin(x, y)", call("sin", {x}), call("sin", {x, y}), std::strong_ordering::less},
      {"calls by arguments before count", call("f", {y}), call("f", {x, y}), std::strong_ordering::greater},
      {"f(y) before g(x)", call("f", {y}), call("g", {x}), std::strong_ordering::less},
      {"quotient after a symbol", expr_from_kind(Div{var("a"), var("b")}), var("c"), std::strong_ordering::greater},
      {"quotient after a power's base", expr_from_kind(Div{var("a"), var("b")}), power(var("c"), var("d")),
       std::strong_ordering::greater},
      {"quotient before product", expr_from_kind(Div{var("a"), var("b")}), times(x, y), std::strong_ordering::less},
      {"3 and NaN", num(3), nan, std::strong_ordering::equal},
      {"2*x and NaN*x", times(num(2), x), times(nan, x), std::strong_ordering::equal},
      // As sort keys (bases of powers), polynomials compare by base, then by their terms.
      {"polynomials by terms", power(expr_from_kind(Poly{{x, {{1, 1.0}, {2, 5.0}}}}), num(2)),
       power(expr_from_kind(Poly{{x, {{1, 1.0}, {3, 1.0}}}}), num(2)), std::strong_ordering::less},
      {"polynomials by coefficient", power(expr_from_kind(Poly{{x, {{1, 1.0}}}}), num(2)),
       power(expr_from_kind(Poly{{x, {{1, -1.0}}}}), num(2)), std::strong_ordering::greater},
      {"derivatives by order", expr_from_kind(Derivative{x, sym("t"), 2}), expr_from_kind(Derivative{y, sym("t"), 1}),
       std::strong_ordering::greater},
      {"derivative last", expr_from_kind(Derivative{x, sym("t"), 1}), expr_from_kind(Poly{{x, {{2, 1.0}}}}),
       std::strong_ordering::greater},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(expr_cmp(*c.a, *c.b), c.expected);
    const auto reverse = c.expected == std::strong_ordering::less      ? std::strong_ordering::greater
                         : c.expected == std::strong_ordering::greater ? std::strong_ordering::less
                                                                        : std::strong_ordering::equal;
    EXPECT_EQ(expr_cmp(*c.b, *c.a), reverse);
  }
}

TEST(SymbolicOrder, KeyExponentAndCoefficient) {
  const ExprPtr x = var("x");
  const ExprPtr scaled = times(num(3), power(x, num(2)));
  EXPECT_EQ(&expr_sort_key(*scaled), x.get());
  EXPECT_EQ(std::get<Number>(expr_order_exponent(*scaled).kind()).value, 2.0);
  EXPECT_EQ(expr_order_coefficient(*scaled), 3.0);
  EXPECT_EQ(&expr_order_exponent(*x), constant_one().get());
  EXPECT_EQ(expr_order_coefficient(*times(x, num(3))), 1.0);
}

// Compared on a stack far too small for one call frame per level.
TEST(SymbolicOrder, DeepChainsCompareWithoutDeepRecursion) {
  constexpr int kDepth = 50'000;
  const ExprPtr x = var("x");
  const ExprPtr y = var("y");
  norvi::testing::run_on_small_stack(256 * 1024, [&] {
    ExprPtr a = x;
    ExprPtr b = x;
    ExprPtr c = y;
    for (int i = 0; i < kDepth; ++i) {
      a = expr_pow(x, std::move(a));
      b = expr_pow(x, std::move(b));
      c = expr_pow(x, std::move(c));
    }
    EXPECT_EQ(expr_cmp(*a, *b), std::strong_ordering::equal);
    EXPECT_EQ(expr_cmp(*a, *c), std::strong_ordering::less);
    EXPECT_TRUE(expr_structural_eq(a, b));
    EXPECT_FALSE(expr_structural_eq(a, c));
  });
}

}  // namespace
}  // namespace norvi::symbolic
