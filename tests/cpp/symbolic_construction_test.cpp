// The simplifying builders: folding, flattening, canonical order, merged powers, collected terms, and
// the polynomial working form underneath.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "norvi/symbolic/construction.hpp"
#include "norvi/symbolic/symbol_registry.hpp"
#include "support/expr_shape.hpp"

namespace norvi::symbolic {
namespace {

using norvi::testing::expr_shape;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

InternedSymbol sym(const std::string& name) { return *symbol_by_key(intern_symbol(name).as_u64()); }
ExprPtr num(double v) { return expr_from_kind(Number{v}); }
ExprPtr var(const std::string& name) { return expr_from_kind(Symbol{sym(name)}); }
ExprPtr add(std::vector<ExprPtr> terms) { return expr_sum(std::move(terms)); }
ExprPtr mul(std::vector<ExprPtr> factors) { return expr_product(std::move(factors)); }
std::string shape(const ExprPtr& e) { return expr_shape(*e); }

struct BuildCase {
  const char* what;
  ExprPtr built;
  const char* expected;
};

void check_cases(const std::vector<BuildCase>& cases) {
  for (const BuildCase& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(shape(c.built), c.expected);
  }
}

TEST(SymbolicConstruction, SumsFoldOrderAndCollect) {
  const ExprPtr x = var("x");
  const ExprPtr y = var("y");
  const ExprPtr a = var("a");
  // A polynomial with a constant term, made directly, so that a run can cancel down to a number.
  const ExprPtr one_plus_x = expr_poly(Polynomial{x, {{0, 1.0}, {1, 1.0}}});
  check_cases({
      {"no term", add({}), "0"},
      {"numbers", add({num(2), num(3)}), "5"},
      {"cancelling numbers", add({num(2), num(-2)}), "0"},
      {"x + x", add({x, x}), "Poly(x; 1:2)"},
      {"x + (-1)*x", add({x, mul({num(-1), x})}), "0"},
      {"x + y", add({x, y}), "Sum[x, y]"},
      {"y + x", add({y, x}), "Sum[x, y]"},
      {"x*y + 2", add({mul({x, y}), num(2)}), "Sum[2, Product[x, y]]"},
      {"x^2 + x + 1", add({expr_pow(x, num(2)), x, num(1)}), "Sum[1, Poly(x; 1:1 2:1)]"},
      {"like terms among others", add({mul({num(3), x}), y, x, mul({num(2), y})}), "Sum[Poly(x; 1:4), Poly(y; 1:3)]"},
      {"spliced sum keeps its number", add({add({num(1), x}), num(2)}), "Sum[1, 2, x]"},
      {"total below the tolerance", add({num(1e-15), x}), "x"},
      {"total at the tolerance's edge", add({num(2e-14), x}), "Sum[2e-14, x]"},
      {"total exactly the tolerance", add({num(1e-14), x}), "x"},
      {"NaN total dropped", add({x, num(kNaN)}), "x"},
      {"run cancelling to a number, not sorted again", add({a, mul({num(-1), x}), one_plus_x, y}), "Sum[a, 1, y]"},
      {"sum as a term does not join a run", add({add({x, y}), x, y}), "Sum[Poly(x; 1:2), Poly(y; 1:2)]"},
      {"quotients stay apart", add({expr_div(x, y), expr_div(x, y)}), "Sum[Div(x, y), Div(x, y)]"},
      {"quotient after symbols, never collected", add({expr_div(x, num(2)), x, y}), "Sum[x, y, Div(x, 2)]"},
  });
}

TEST(SymbolicConstruction, SumOfOneTermIsThatTermUntouched) {
  const ExprPtr raw = expr_from_kind(Sum{{num(1), num(2)}});
  for (const ExprPtr& term : {raw, num(7), var("x")}) {
    EXPECT_EQ(add({term}).get(), term.get());
  }
}

TEST(SymbolicConstruction, ProductsFoldOrderAndMergePowers) {
  const ExprPtr x = var("x");
  const ExprPtr y = var("y");
  check_cases({
      {"no factor", mul({}), "1"},
      {"zero factor", mul({num(0), x}), "0"},
      {"negative zero factor", mul({x, num(-0.0)}), "0"},
      {"tiny factor kept", mul({num(1e-20), x}), "Product[1e-20, x]"},
      {"factors multiplying to one", mul({num(2), num(0.5), x}), "x"},
      {"x * x", mul({x, x}), "Pow(x, 2)"},
      {"x * x^-1", mul({x, expr_pow(x, num(-1))}), "1"},
      {"x * x^-1 * y", mul({x, expr_pow(x, num(-1)), y}), "Product[1, y]"},
      {"y * x ordered", mul({y, x}), "Product[x, y]"},
      {"x^2 * x^y", mul({expr_pow(x, y), expr_pow(x, num(2))}), "Pow(x, Sum[2, y])"},
      {"spliced product keeps its number", mul({mul({num(2), x}), num(3)}), "Product[2, 3, x]"},
      {"NaN coefficient dropped", mul({num(kNaN), x}), "x"},
      {"equal calls merge", mul({expr_from_kind(FunctionCall{sym("sin"), {x}}), expr_from_kind(FunctionCall{sym("sin"), {x}})}),
       "Pow(sin(x), 2)"},
  });
}

TEST(SymbolicConstruction, QuotientsAndPowers) {
  const ExprPtr x = var("x");
  check_cases({
      {"6/3", expr_div(num(6), num(3)), "2"},
      {"1/3", expr_div(num(1), num(3)), "Div(1, 3)"},
      {"-7/7", expr_div(num(-7), num(7)), "-1"},
      {"x/0", expr_div(x, num(0)), "Div(x, 0)"},
      {"0/0", expr_div(num(0), num(0)), "Div(0, 0)"},
      {"0/x", expr_div(num(0), x), "0"},
      {"1e-14/x", expr_div(num(1e-14), x), "Div(1e-14, x)"},
      {"x/1", expr_div(x, num(1)), "x"},
      {"x/(1 + 5e-15)", expr_div(x, num(1 + 5e-15)), "x"},
      {"x/(1 + 2e-14)", expr_div(x, num(1 + 2e-14)), "Div(x, 1.00000000000002)"},
      {"x/x", expr_div(x, var("x")), "1"},
      {"x^0", expr_pow(x, num(0)), "1"},
      {"0^0", expr_pow(num(0), num(0)), "1"},
      {"x^1", expr_pow(x, num(1)), "x"},
      {"x^1e-14", expr_pow(x, num(1e-14)), "Pow(x, 1e-14)"},
      {"1^x", expr_pow(num(1), x), "1"},
      {"0^2", expr_pow(num(0), num(2)), "0"},
      {"0^x", expr_pow(num(0), x), "Pow(0, x)"},
      {"0^-1", expr_pow(num(0), num(-1)), "Pow(0, -1)"},
      {"2^3", expr_pow(num(2), num(3)), "8"},
      {"(-2)^3", expr_pow(num(-2), num(3)), "-8"},
      {"2^-1", expr_pow(num(2), num(-1)), "Pow(2, -1)"},
      {"0.5^2", expr_pow(num(0.5), num(2)), "Pow(0.5, 2)"},
      {"2^0.5", expr_pow(num(2), num(0.5)), "Pow(2, 0.5)"},
      // Integral means within 1e-14 of the value truncated toward zero.
      {"2^3.000000000000001", expr_pow(num(2), num(3.000000000000001)), "8"},
      {"2^2.9999999999999996", expr_pow(num(2), num(2.9999999999999996)), "Pow(2, 2.9999999999999996)"},
  });
}

TEST(SymbolicConstruction, ResultsShareTheirInputs) {
  const ExprPtr x = var("x");
  const ExprPtr sum = add({x, var("y")});
  EXPECT_EQ(std::get<Sum>(sum->kind()).terms[0].get(), x.get());
  // Flattening splices the inner sum's children, it does not copy them.
  const ExprPtr outer = add({sum, var("z")});
  EXPECT_EQ(std::get<Sum>(outer->kind()).terms[0].get(), x.get());
  EXPECT_EQ(expr_div(x, num(1)).get(), x.get());
  EXPECT_EQ(expr_pow(x, num(1)).get(), x.get());
  EXPECT_EQ(std::get<Pow>(mul({x, x})->kind()).base.get(), x.get());
}

// Exponents at or beyond 2^32 are kept whole rather than cut down to 32 bits.
TEST(SymbolicConstruction, HugeExponentsStayWhole) {
  const ExprPtr x = var("x");
  const ExprPtr big = expr_pow(x, num(4294967296.0));
  const auto atom = to_polynomial(big);
  ASSERT_TRUE(atom);
  EXPECT_EQ(atom->base.get(), big.get());
  ASSERT_EQ(atom->terms.size(), 1U);
  EXPECT_EQ(atom->terms[0].exponent, 1U);
  EXPECT_EQ(shape(add({big, x})), "Sum[x, Pow(x, 4294967296)]");
  EXPECT_EQ(shape(add({expr_pow(x, num(1e10)), expr_pow(x, num(1e10))})), "Poly(Pow(x, 10000000000); 1:2)");
  const auto largest = to_polynomial(expr_pow(x, num(4294967295.0)));
  ASSERT_TRUE(largest);
  EXPECT_EQ(largest->base.get(), x.get());
  EXPECT_EQ(largest->terms[0].exponent, 4294967295U);

  // A product whose exponents would add up beyond 32 bits is no polynomial: collection keeps it.
  const Polynomial top{x, {{4294967295U, 1.0}}};
  const Polynomial linear{x, {{1, 1.0}}};
  EXPECT_FALSE(poly_mul(top, linear));
  EXPECT_FALSE(to_polynomial(expr_from_kind(Product{{expr_poly(top), x}})));
  const auto fits = poly_mul(Polynomial{x, {{4294967294U, 1.0}}}, linear);
  ASSERT_TRUE(fits);
  EXPECT_EQ(fits->terms[0].exponent, 4294967295U);
}

TEST(SymbolicConstruction, PolynomialOperations) {
  const ExprPtr x = var("x");
  const ExprPtr y = var("y");
  auto terms = [](const Polynomial& p) {
    std::string out;
    for (const PolyTerm& t : p.terms) out += fmt::format("{}:{} ", t.exponent, t.coefficient);
    return out;
  };
  // (1 + x)(1 - x): the middle terms cancel and are dropped.
  const auto product = poly_mul(Polynomial{x, {{0, 1.0}, {1, 1.0}}}, Polynomial{x, {{0, 1.0}, {1, -1.0}}});
  ASSERT_TRUE(product);
  EXPECT_EQ(terms(*product), "0:1 2:-1 ");

  Polynomial acc{x, {{1, 2.0}}};
  EXPECT_FALSE(poly_add_assign(acc, Polynomial{y, {{1, 1.0}}}));
  EXPECT_EQ(terms(acc), "1:2 ");
  EXPECT_TRUE(poly_add_assign(acc, poly_constant(3)));
  EXPECT_EQ(terms(acc), "0:3 1:2 ");
  EXPECT_TRUE(poly_add_assign(acc, Polynomial{var("x"), {{1, -2.0}, {3, 1e-15}, {2, 1.0}}}));
  EXPECT_EQ(terms(acc), "0:3 2:1 ");

  // A constant accumulator takes the other's base and keeps its constant.
  Polynomial constant = poly_constant(5);
  EXPECT_TRUE(poly_add_assign(constant, Polynomial{y, {{2, 1.0}}}));
  EXPECT_EQ(constant.base.get(), y.get());
  EXPECT_EQ(terms(constant), "0:5 2:1 ");

  EXPECT_TRUE(poly_constant(1e-15).terms.empty());
  // Exactly 1e-14 is not near zero: kept by every operation.
  EXPECT_EQ(terms(poly_constant(1e-14)), "0:1e-14 ");
  Polynomial tiny = poly_constant(1e-14);
  EXPECT_TRUE(poly_add_assign(tiny, Polynomial{x, {{1, 1.0}}}));
  EXPECT_EQ(terms(tiny), "0:1e-14 1:1 ");
  EXPECT_EQ(terms(*poly_mul(Polynomial{x, {{1, 1e-14}}}, Polynomial{x, {{1, 1.0}}})), "2:1e-14 ");
  Polynomial cancelling{x, {{1, 2e-14}}};
  EXPECT_TRUE(poly_add_assign(cancelling, Polynomial{x, {{1, -1e-14}}}));
  EXPECT_EQ(terms(cancelling), "1:1e-14 ");
  EXPECT_TRUE(poly_scale(Polynomial{x, {{1, 2.0}}}, 1e-15).terms.empty());
  EXPECT_EQ(terms(poly_scale(Polynomial{x, {{1, 2.0}, {2, 1.0}}}, 3)), "1:6 2:3 ");

  // Conversions by kind.
  EXPECT_EQ(terms(*to_polynomial(expr_from_kind(Div{expr_from_kind(Sum{{x, num(2)}}), num(4)}))), "0:0.5 1:0.25 ");
  EXPECT_EQ(terms(*to_polynomial(expr_from_kind(Product{{num(3), x, x}}))), "2:3 ");
  EXPECT_EQ(to_polynomial(expr_from_kind(Div{x, y}))->terms.size(), 1U);
  EXPECT_FALSE(to_polynomial(expr_from_kind(Product{{x, y}})));
  EXPECT_FALSE(to_polynomial(expr_from_kind(Sum{{x, y}})));

  const auto [base, exponent] = split_base_exponent(x);
  EXPECT_EQ(base.get(), x.get());
  EXPECT_EQ(exponent.get(), constant_one().get());
}

TEST(SymbolicConstruction, BaseKeys) {
  const ExprPtr x = var("x");
  const ExprPtr y = var("y");
  const ExprPtr sin_x = expr_from_kind(FunctionCall{sym("sin"), {x}});
  struct Case {
    const char* what;
    ExprPtr term;
    std::optional<std::uint64_t> key;
  };
  const std::vector<Case> cases = {
      {"number", num(3), 0},
      {"symbol", x, x->hash()},
      {"call", sin_x, sin_x->hash()},
      {"integral power", expr_from_kind(Pow{x, num(2)}), x->hash()},
      {"power below one", expr_from_kind(Pow{x, num(0.5)}), std::nullopt},
      {"symbolic power", expr_from_kind(Pow{x, y}), std::nullopt},
      {"polynomial", expr_from_kind(Poly{{x, {{2, 1.0}}}}), x->hash()},
      {"number times power", expr_from_kind(Product{{num(2), expr_from_kind(Pow{x, num(3)})}}), x->hash()},
      {"two variables", expr_from_kind(Product{{num(2), x, y}}), std::nullopt},
      {"only numbers", expr_from_kind(Product{{num(2), num(3)}}), std::nullopt},
      {"sum", expr_from_kind(Sum{{x, y}}), std::nullopt},
      {"quotient", expr_from_kind(Div{x, num(2)}), std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(poly_base_key(*c.term), c.key);
  }
}

}  // namespace
}  // namespace norvi::symbolic
