// The plain, LaTeX and Unicode text forms of expressions. Nodes are built as the builders leave them
// (already in normal form), so each case shows the printer alone.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "norvi/symbolic/construction.hpp"
#include "norvi/symbolic/expr.hpp"
#include "norvi/symbolic/expr_text.hpp"
#include "norvi/symbolic/symbol_registry.hpp"
#include "support/small_stack.hpp"

namespace norvi::symbolic {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

InternedSymbol sym(const std::string& name) { return *symbol_by_key(intern_symbol(name).as_u64()); }
ExprPtr num(double v) { return expr_from_kind(Number{v}); }
ExprPtr var(const std::string& name) { return expr_from_kind(Symbol{sym(name)}); }
ExprPtr sum(std::vector<ExprPtr> terms) { return expr_from_kind(Sum{std::move(terms)}); }
ExprPtr product(std::vector<ExprPtr> factors) { return expr_from_kind(Product{std::move(factors)}); }
ExprPtr quotient(ExprPtr n, ExprPtr d) { return expr_from_kind(Div{std::move(n), std::move(d)}); }
ExprPtr power(ExprPtr b, ExprPtr e) { return expr_from_kind(Pow{std::move(b), std::move(e)}); }
ExprPtr call(const std::string& name, std::vector<ExprPtr> args) {
  return expr_from_kind(FunctionCall{sym(name), std::move(args)});
}
ExprPtr poly(ExprPtr base, std::vector<PolyTerm> terms) {
  return expr_from_kind(Poly{{std::move(base), std::move(terms)}});
}
ExprPtr derivative(ExprPtr inner, const std::string& v, std::uint32_t order) {
  return expr_from_kind(Derivative{std::move(inner), sym(v), order});
}

std::string latex(const ExprPtr& e, const NameMap* names = nullptr) {
  std::string out;
  expr_fmt_latex(*e, out, names);
  return out;
}
std::string unicode(const ExprPtr& e, const NameMap* names = nullptr) {
  std::string out;
  expr_fmt_unicode(*e, out, names);
  return out;
}

struct Case {
  ExprPtr expr;
  std::string text;
};

std::string plain(const ExprPtr& e) { return plain_text(*e); }
void expect_plain(const std::vector<Case>& cases) {
  for (const Case& c : cases) EXPECT_EQ(plain(c.expr), c.text) << "expected " << c.text;
}

class SymbolicPrint : public ::testing::Test {
 protected:
  ExprPtr x = var("x"), y = var("y"), a = var("a"), b = var("b"), c = var("c"), d = var("d");
  ExprPtr one = num(1), two = num(2), three = num(3), minus_one = num(-1);
};

TEST_F(SymbolicPrint, PlainNumbersAndSymbols) {
  const InternedSymbol empty = sym("");
  expect_plain(
      {
          {num(3), "3"},
          {num(-0.0), "0"},
          {num(-7), "-7"},
          {num(2.5), "2.5"},
          {num(9999999999.0), "9999999999"},
          {num(1e10), "10000000000"},
          {num(1e-7), "0.0000001"},
          {num(1e20), "100000000000000000000"},
          {num(1e23), "1" + std::string(23, '0')},
          {num(kNaN), "NaN"},
          {num(kInf), "Infinity"},
          {num(-kInf), "-Infinity"},
          {x, "x"},
          {expr_from_kind(Symbol{empty}), "$" + std::to_string(empty.key.as_u64())},
          {expr_from_kind(Symbol{InternedSymbol{DefaultKey{5, 1}, nullptr}}), "$4294967301"},
      });
}

TEST_F(SymbolicPrint, PlainSumsProductsQuotientsPowersCalls) {
  const ExprPtr e = var("e");
  expect_plain(
      {
          {sum({}), "0"},
          {sum({minus_one, x}), "-1 + x"},
          {sum({two, product({minus_one, x})}), "2 - x"},
          {sum({x, product({num(-3), y})}), "x - 3*y"},
          {sum({product({minus_one, x}), y}), "-x + y"},
          {sum({one, poly(x, {{1, 1}, {2, 1}})}), "1 + (x + x^2)"},
          {sum({one, poly(x, {{1, -1}, {2, 1}})}), "1 - (x - x^2)"},
          {sum({x, num(-2.5)}), "x - 2.5"},
          {sum({x, sum({y, one})}), "x + (y + 1)"},
          {product({}), "1"},
          {product({minus_one, x}), "-x"},
          {product({num(-2), x, y}), "-2*x*y"},
          {product({two, sum({one, x})}), "2*(1 + x)"},
          {product({one, y}), "1*y"},
          {product({num(-3), num(-2), x}), "3*2*x"},
          {product({minus_one, product({num(-2), y}), x}), "2*y*x"},
          {product({num(-2)}), "-2"},
          {product({two, quotient(x, y)}), "2*x/y"},
          {quotient(x, product({two, y})), "x/(2*y)"},
          {quotient(sum({one, x}), y), "(1 + x)/y"},
          {quotient(poly(x, {{1, 2}}), y), "2*x/y"},
          {quotient(poly(x, {{0, 1}, {1, 2}}), y), "(1 + 2*x)/y"},
          {quotient(product({two, x}), y), "2*x/y"},
          {quotient(quotient(a, b), c), "a/b/c"},
          {quotient(a, quotient(b, c)), "a/(b/c)"},
          {quotient(a, power(b, two)), "a/b^2"},
          {quotient(a, call("sin", {b})), "a/sin(b)"},
          {quotient(a, num(-2)), "a/-2"},
          {power(x, two), "x^2"},
          {power(sum({one, x}), two), "(1 + x)^2"},
          {power(x, sum({one, y})), "x^(1 + y)"},
          {power(x, product({two, y})), "x^(2*y)"},
          {power(x, minus_one), "x^-1"},
          {power(x, num(0.5)), "x^0.5"},
          {power(x, y), "x^y"},
          {power(e, x), "exp(x)"},
          {power(var("E"), x), "E^x"},
          {power(num(-2), x), "(-2)^x"},
          {power(product({two, x}), y), "(2*x)^y"},
          {power(quotient(x, y), two), "(x/y)^2"},
          {power(poly(x, {{2, 1}}), two), "(x^2)^2"},
          {power(power(x, two), three), "x^2^3"},
          {power(call("sin", {x}), two), "sin(x)^2"},
          {call("f", {x, y}), "f(x, y)"},
          {call("f", {}), "f()"},
          {call("f", {sum({x, one})}), "f(x + 1)"},
          {expr_from_kind(FunctionCall{InternedSymbol{DefaultKey{5, 1}, nullptr}, {x}}), "(x)"},
          {derivative(call("f", {x}), "x", 2), "∂^2_f(x)/∂_x^2"},
          {derivative(x, "", 1), "∂^1_x/∂_^1"},
      });
}

TEST_F(SymbolicPrint, PlainPolynomials) {
  const ExprPtr one_plus_y = sum({one, y});
  expect_plain(
      {
          {poly(x, {{1, 2}}), "2*x"},
          {poly(x, {{0, 1}, {2, -3}}), "1 - 3*x^2"},
          {poly(x, {{1, -1}, {2, 1}}), "-x + x^2"},
          {poly(x, {}), "0"},
          {poly(x, {{0, -2.5}}), "-2.5"},
          {poly(one_plus_y, {{2, 1}}), "(1 + y)^2"},
          {poly(one_plus_y, {{1, 3}}), "3*(1 + y)"},
          {poly(one_plus_y, {{1, 1}}), "1 + y"},
          {poly(one_plus_y, {{2, 3}}), "3*(1 + y)^2"},
          {poly(product({two, y}), {{1, 3}}), "3*2*y"},
          {poly(product({two, y}), {{2, 3}}), "3*(2*y)^2"},
          {poly(power(x, two), {{2, 1}}), "(x^2)^2"},
          {poly(num(-2), {{3, 1}}), "(-2)^3"},
          {poly(call("sin", {x}), {{2, 0.5}}), "0.5*sin(x)^2"},
          {poly(x, {{0, kInf}, {1, kNaN}}), "inf + NaN*x"},
          {poly(x, {{0, 1e10}, {1, 1 + 1e-15}}), "10000000000 + x"},
      });
}

// What the builders make prints in its normal form: numbers first, like terms collected, signs folded.
TEST_F(SymbolicPrint, BuiltExpressionsPrintInNormalForm) {
  const ExprPtr e = var("e");
  expect_plain({
      {expr_sum({minus_one, x}), "-1 + x"},
      {expr_sum({x, minus_one}), "-1 + x"},
      {expr_sum({two, expr_product({minus_one, x})}), "2 - x"},
      {expr_sum({x, expr_product({num(-3), y})}), "x - 3*y"},
      {expr_sum({expr_pow(x, two), x, one}), "1 + (x + x^2)"},
      {expr_sum({x, x}), "2*x"},
      {expr_sum({expr_product({two, x}), expr_product({three, x})}), "5*x"},
      {expr_sum({x, expr_product({minus_one, x})}), "0"},
      {expr_sum({expr_product({x, y}), two}), "2 + x*y"},
      {expr_sum({expr_div(var("theta"), two), var("pi")}), "pi + theta/2"},
      {expr_product({num(-2), y, x}), "-2*x*y"},
      {expr_product({sum({one, x}), two}), "2*(1 + x)"},
      {expr_product({x, x}), "x^2"},
      {expr_product({x, expr_pow(x, minus_one), y}), "1*y"},
      {expr_div(x, expr_product({two, y})), "x/(2*y)"},
      {expr_div(one, three), "1/3"},
      {expr_pow(expr_pow(x, two), three), "x^2^3"},
      {expr_pow(e, x), "exp(x)"},
      {expr_pow(num(-2), x), "(-2)^x"},
  });
}

// The digits of the plain form of a number are its shortest round-trip digits, laid out without an
// exponent.
TEST(SymbolicPrintNumbers, ShortestDigitsOfRandomDoublesWithoutExponent) {
  std::mt19937_64 rng(20261210);
  std::uniform_int_distribution<int> scale(-12, 12);
  auto strip = [](std::string digits) {
    digits.erase(0, digits.find_first_not_of('0'));
    digits.erase(digits.find_last_not_of('0') + 1);
    return digits;
  };
  for (int i = 0; i < 100'000; ++i) {
    // Half arbitrary bit patterns (every magnitude), half values of ordinary size.
    double v = 0;
    const std::uint64_t bits = rng();
    if (i % 2 == 0) {
      std::memcpy(&v, &bits, sizeof v);
      if (!std::isfinite(v)) continue;
    } else {
      v = static_cast<double>(static_cast<std::int64_t>(bits % 2'000'000'001) - 1'000'000'000) *
          std::pow(10.0, scale(rng));
    }
    const std::string text = plain_text(*expr_from_kind(Number{v}));
    ASSERT_EQ(text.find_first_of("eE"), std::string::npos) << text;
    ASSERT_EQ(std::strtod(text.c_str(), nullptr), v) << text;
    char buf[64];
    const char* end = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific).ptr;
    std::string shortest(buf, static_cast<std::size_t>(std::find(buf, const_cast<char*>(end), 'e') - buf));
    std::erase(shortest, '-');
    std::erase(shortest, '.');
    std::string digits = text;
    std::erase(digits, '-');
    std::erase(digits, '.');
    ASSERT_EQ(strip(digits), strip(shortest)) << text;
    ASSERT_EQ(text[0] == '-', v < 0) << text;
  }
}

TEST_F(SymbolicPrint, LatexAndUnicodeEdgeCases) {
  const ExprPtr e = var("e");
  const ExprPtr theta = var("theta");
  struct ModeCase {
    ExprPtr expr;
    std::string latex;
    std::string unicode;
  };
  const ModeCase cases[] = {
      {power(x, two), "x^{2}", "x²"},
      {power(sum({one, x}), two), "\\left(1 + x\\right)^{2}", "(1 + x)²"},
      {power(e, x), "e^{x}", "exp(x)"},
      {quotient(x, y), "\\frac{x}{y}", "x/y"},
      {quotient(sum({one, x}), product({two, y})), "\\frac{1 + x}{2 \\cdot y}", "(1 + x)/(2·y)"},
      {call("sin", {x}), "\\sin\\left(x\\right)", "sin(x)"},
      {call("asin", {x}), "\\text{asin}\\left(x\\right)", "asin(x)"},
      {call("log", {two, x}), "\\log_{2}\\left(x\\right)", "log(2, x)"},
      {call("sqrt", {x, y}), "\\text{sqrt}\\left(x, y\\right)", "sqrt(x, y)"},
      {call("f", {}), "\\text{f}\\left(\\right)", "f()"},
      {power(x, minus_one), "x^{-1}", "x⁻¹"},
      {power(x, num(0.5)), "x^{0.5}", "x^0.5"},
      {power(x, num(-12)), "x^{-12}", "x⁻¹²"},
      {power(x, num(999)), "x^{999}", "x⁹⁹⁹"},
      {power(x, num(1000)), "x^{1000}", "x^1000"},
      {power(x, num(2.5)), "x^{2.5}", "x^2.5"},
      {power(x, num(kNaN)), "x^{\\text{NaN}}", "x^NaN"},
      {power(x, num(-kInf)), "x^{-\\infty}", "x^-∞"},
      {power(x, y), "x^{y}", "x^y"},
      {power(x, theta), "x^{\\theta}", "x^θ"},
      {power(x, sum({one, y})), "x^{1 + y}", "x^(1 + y)"},
      {power(num(-2), x), "\\left(-2\\right)^{x}", "(-2)^x"},
      {power(quotient(x, y), two), "\\left(\\frac{x}{y}\\right)^{2}", "(x/y)²"},
      {power(call("sin", {x}), two), "\\sin\\left(x\\right)^{2}", "sin(x)²"},
      // A power as base is bracketed, unlike the plain form's x^2^3.
      {power(power(x, two), three), "\\left(x^{2}\\right)^{3}", "(x²)³"},
      {theta, "\\theta", "θ"},
      {var("pi"), "\\pi", "π"},
      {var("thetas"), "thetas", "thetas"},
      {var("e"), "e", "e"},
      {sum({one, product({minus_one, x})}), "1 - x", "1 − x"},
      {sum({x, product({num(-3), y})}), "x - 3 \\cdot y", "x − 3·y"},
      {sum({num(-2), x}), "-2 + x", "−2 + x"},
      {product({two, x}), "2 \\cdot x", "2·x"},
      {product({minus_one, x}), "-x", "−x"},
      {product({num(-2), x, y}), "-2 \\cdot x \\cdot y", "−2·x·y"},
      {product({num(-2)}), "-2", "-2"},
      {product({two, sum({one, x})}), "2 \\cdot \\left(1 + x\\right)", "2·(1 + x)"},
      {num(kNaN), "\\text{NaN}", "NaN"},
      {num(kInf), "\\infty", "∞"},
      {num(-kInf), "-\\infty", "-∞"},
      {num(1e-7), "0.0000001", "0.0000001"},
      {derivative(call("f", {x}), "x", 1), "\\frac{\\partial \\text{f}\\left(x\\right)}{\\partial x}", "∂¹(f(x))/∂x¹"},
      {derivative(call("f", {x}), "x", 2), "\\frac{\\partial^2 \\text{f}\\left(x\\right)}{\\partial x^2}",
       "∂²(f(x))/∂x²"},
      {derivative(theta, "theta", 1000), "\\frac{\\partial^1000 \\theta}{\\partial theta^1000}",
       "∂^1000(θ)/∂theta^1000"},
  };
  for (const ModeCase& c : cases) {
    EXPECT_EQ(latex(c.expr), c.latex);
    EXPECT_EQ(unicode(c.expr), c.unicode);
  }
}

// Polynomials, bases included, read the same in every mode.
TEST_F(SymbolicPrint, PolynomialsReadTheSameInEveryMode) {
  const ExprPtr p = poly(sum({one, var("theta")}), {{0, 1}, {2, -3}});
  EXPECT_EQ(plain(p), "1 - 3*(1 + theta)^2");
  EXPECT_EQ(latex(p), plain(p));
  EXPECT_EQ(unicode(p), plain(p));
  // Only the brackets around a negated polynomial term follow the mode.
  const ExprPtr negative = sum({x, poly(power(x, two), {{1, -1}})});
  EXPECT_EQ(latex(negative), "x - \\left(x^2\\right)");
  EXPECT_EQ(unicode(negative), "x − (x^2)");
}

TEST_F(SymbolicPrint, LatexCallForms) {
  struct CallCase {
    const char* name;
    std::size_t arity;
    const char* text;
  };
  // Arguments a, b, c, d in order.
  const CallCase cases[] = {
      {"abs", 1, "\\left|a\\right|"},
      {"sqrt", 1, "\\sqrt{a}"},
      {"cbrt", 1, "\\sqrt[3]{a}"},
      {"floor", 1, "\\lfloor a\\rfloor"},
      {"ceil", 1, "\\lceil a\\rceil"},
      {"log", 2, "\\log_{a}\\left(b\\right)"},
      {"beta", 2, "\\mathrm{B}\\left(a, b\\right)"},
      {"besselj", 2, "J_{a}\\left(b\\right)"},
      {"bessely", 2, "Y_{a}\\left(b\\right)"},
      {"besseli", 2, "I_{a}\\left(b\\right)"},
      {"besselk", 2, "K_{a}\\left(b\\right)"},
      {"hermite", 2, "H_{a}\\left(b\\right)"},
      {"polygamma", 2, "\\psi^{(a)}\\left(b\\right)"},
      {"zeta_deriv", 2, "\\zeta^{(a)}\\left(b\\right)"},
      {"assoc_legendre", 3, "P_{a}^{b}\\left(c\\right)"},
      {"spherical_harmonic", 4, "Y_{a}^{b}\\left(c, d\\right)"},
      {"ynm", 4, "Y_{a}^{b}\\left(c, d\\right)"},
      {"digamma", 1, "\\psi\\left(a\\right)"},
      {"trigamma", 1, "\\psi_1\\left(a\\right)"},
      {"tetragamma", 1, "\\psi_2\\left(a\\right)"},
      {"zeta", 1, "\\zeta\\left(a\\right)"},
      {"lambertw", 1, "W\\left(a\\right)"},
      {"elliptic_k", 1, "K\\left(a\\right)"},
      {"elliptic_e", 1, "E\\left(a\\right)"},
      // Operator texts, whatever the argument count.
      {"sin", 1, "\\sin\\left(a\\right)"},
      {"cos", 1, "\\cos\\left(a\\right)"},
      {"tan", 1, "\\tan\\left(a\\right)"},
      {"cot", 1, "\\cot\\left(a\\right)"},
      {"sec", 1, "\\sec\\left(a\\right)"},
      {"csc", 1, "\\csc\\left(a\\right)"},
      {"sinh", 1, "\\sinh\\left(a\\right)"},
      {"cosh", 1, "\\cosh\\left(a\\right)"},
      {"tanh", 2, "\\tanh\\left(a, b\\right)"},
      {"coth", 1, "\\coth\\left(a\\right)"},
      {"ln", 1, "\\ln\\left(a\\right)"},
      {"log", 1, "\\log\\left(a\\right)"},
      {"log10", 1, "\\log\\left(a\\right)"},
      {"log2", 1, "\\log_2\\left(a\\right)"},
      {"exp", 1, "\\exp\\left(a\\right)"},
      {"gamma", 1, "\\Gamma\\left(a\\right)"},
      {"erf", 1, "\\operatorname{erf}\\left(a\\right)"},
      {"erfc", 1, "\\operatorname{erfc}\\left(a\\right)"},
      {"sinc", 1, "\\operatorname{sinc}\\left(a\\right)"},
      {"round", 1, "\\operatorname{round}\\left(a\\right)"},
      {"sech", 1, "\\operatorname{sech}\\left(a\\right)"},
      {"csch", 1, "\\operatorname{csch}\\left(a\\right)"},
      {"signum", 1, "\\operatorname{sgn}\\left(a\\right)"},
      {"asinh", 1, "\\operatorname{arsinh}\\left(a\\right)"},
      {"acosh", 1, "\\operatorname{arcosh}\\left(a\\right)"},
      {"atanh", 1, "\\operatorname{artanh}\\left(a\\right)"},
      {"acoth", 1, "\\operatorname{arcoth}\\left(a\\right)"},
      {"asech", 1, "\\operatorname{arsech}\\left(a\\right)"},
      {"acsch", 1, "\\operatorname{arcsch}\\left(a\\right)"},
      {"exp_polar", 1, "\\operatorname{exp\\_polar}\\left(a\\right)"},
      // Any other name, and a form's name with another argument count.
      {"atan2", 2, "\\text{atan2}\\left(a, b\\right)"},
      {"sign", 1, "\\text{sign}\\left(a\\right)"},
      {"abs", 2, "\\text{abs}\\left(a, b\\right)"},
      {"beta", 1, "\\text{beta}\\left(a\\right)"},
      {"ynm", 3, "\\text{ynm}\\left(a, b, c\\right)"},
      {"zeta", 0, "\\text{zeta}\\left(\\right)"},
      // Characters TeX treats specially inside \text{...} are escaped.
      {"a_b", 1, "\\text{a\\_b}\\left(a\\right)"},
      {"&%$#{}", 1, "\\text{\\&\\%\\$\\#\\{\\}}\\left(a\\right)"},
      {"~^\\x", 1, "\\text{\\textasciitilde{}\\textasciicircum{}\\textbackslash{}x}\\left(a\\right)"},
  };
  const std::vector<ExprPtr> args = {a, b, c, d};
  for (const CallCase& cc : cases) {
    const ExprPtr e = call(cc.name, std::vector<ExprPtr>(args.begin(), args.begin() + static_cast<long>(cc.arity)));
    EXPECT_EQ(latex(e), cc.text) << cc.name << "/" << cc.arity;
  }
  // Arguments are written in LaTeX themselves.
  EXPECT_EQ(latex(call("sqrt", {quotient(x, var("alpha"))})), "\\sqrt{\\frac{x}{\\alpha}}");
}

TEST(SymbolicPrintNames, GreekTableBothWays) {
  struct Row {
    const char* name;
    const char* latex;
    const char* unicode;
  };
  const Row rows[] = {
      {"pi", "\\pi", "π"},           {"alpha", "\\alpha", "α"},
      {"beta", "\\beta", "β"},       {"gamma", "\\gamma", "γ"},
      {"delta", "\\delta", "δ"},     {"epsilon", "\\epsilon", "ε"},
      {"zeta", "\\zeta", "ζ"},       {"eta", "\\eta", "η"},
      {"theta", "\\theta", "θ"},     {"iota", "\\iota", "ι"},
      {"kappa", "\\kappa", "κ"},     {"lambda", "\\lambda", "λ"},
      {"mu", "\\mu", "μ"},           {"nu", "\\nu", "ν"},
      {"xi", "\\xi", "ξ"},           {"omicron", "\\omicron", "ο"},
      {"rho", "\\rho", "ρ"},         {"sigma", "\\sigma", "σ"},
      {"tau", "\\tau", "τ"},         {"upsilon", "\\upsilon", "υ"},
      {"phi", "\\phi", "\u03c6"},     {"chi", "\\chi", "χ"},
      {"psi", "\\psi", "ψ"},         {"omega", "\\omega", "ω"},
      {"varepsilon", "\\varepsilon", "\u03b5"},
      {"vartheta", "\\vartheta", "\u03d1"},
      {"varphi", "\\varphi", "\u03c6"},
      {"varrho", "\\varrho", "\u03c1"},
      {"varsigma", "\\varsigma", "\u03c2"},
  };
  for (const Row& r : rows) {
    const ExprPtr s = var(r.name);
    EXPECT_EQ(latex(s), r.latex);
    EXPECT_EQ(unicode(s), r.unicode);
    EXPECT_EQ(plain_text(*s), r.name);
  }
  // Exact matches only.
  for (const char* name : {"thetas", "Theta", "PI", "ph"}) {
    EXPECT_EQ(latex(var(name)), name);
    EXPECT_EQ(unicode(var(name)), name);
  }
}

TEST(SymbolicPrintNames, NameMapReplacesSymbolNamesInLatexAndUnicode) {
  const ExprPtr x = var("x");
  const ExprPtr y = var("y");
  const ExprPtr e = expr_from_kind(Sum{{x, y, expr_from_kind(FunctionCall{sym("x"), {y}})}});
  const NameMap names = {{sym("x").key.as_u64(), "theta"}, {sym("y").key.as_u64(), ""}};
  const std::string y_key = "$" + std::to_string(sym("y").key.as_u64());
  // A mapped name goes through the greek table; an empty one falls back to the key. Call names and
  // the plain form are untouched.
  EXPECT_EQ(latex(e, &names), "\\theta + " + y_key + " + \\text{x}\\left(" + y_key + "\\right)");
  EXPECT_EQ(unicode(e, &names), "θ + " + y_key + " + x(" + y_key + ")");
  EXPECT_EQ(plain_text(*e), "x + y + x(y)");
}

// Fifty thousand levels on a 256 KiB stack: a printer that recursed per level would overflow it.
TEST(SymbolicPrintDeep, ChainsPrintOnASmallStack) {
  constexpr int kDepth = 50'000;
  const ExprPtr x = var("x");
  const ExprPtr y = var("y");
  const ExprPtr two = num(2);
  auto repeat = [](const std::string& s, int n) {
    std::string out;
    out.reserve(s.size() * static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) out += s;
    return out;
  };
  struct Chain {
    ExprPtr (*wrap)(const ExprPtr& inner, const ExprPtr& x, const ExprPtr& y, const ExprPtr& two);
    void (*print)(const Expr&, std::string&);
    std::string before, middle, after;  // the text: before^(depth-1) middle after^(depth-1)
  };
  auto plain_fmt = [](const Expr& e, std::string& out) { expr_fmt_plain(e, out); };
  auto latex_fmt = [](const Expr& e, std::string& out) { expr_fmt_latex(e, out); };
  auto unicode_fmt = [](const Expr& e, std::string& out) { expr_fmt_unicode(e, out); };
  const Chain chains[] = {
      {[](const ExprPtr& in, const ExprPtr& x, const ExprPtr&, const ExprPtr&) { return power(x, in); }, plain_fmt,
       "x^(", "x^x", ")"},
      {[](const ExprPtr& in, const ExprPtr& x, const ExprPtr&, const ExprPtr&) { return power(x, in); }, latex_fmt,
       "x^{", "x^{x}", "}"},
      {[](const ExprPtr& in, const ExprPtr&, const ExprPtr& y, const ExprPtr&) { return quotient(in, y); },
       unicode_fmt, "", "x/y", "/y"},
      // Sums and products whose first element is deep go on after it.
      {[](const ExprPtr& in, const ExprPtr& x, const ExprPtr& y, const ExprPtr&) {
         return sum({product({in, y}), x});
       },
       plain_fmt, "(", "x*y + x", ")*y + x"},
      {[](const ExprPtr& in, const ExprPtr&, const ExprPtr& y, const ExprPtr&) { return call("f", {in, y}); },
       latex_fmt, "\\text{f}\\left(", "\\text{f}\\left(x, y\\right)", ", y\\right)"},
      {[](const ExprPtr& in, const ExprPtr&, const ExprPtr&, const ExprPtr&) { return derivative(in, "t", 1); },
       plain_fmt, "∂^1_", "∂^1_x/∂_t^1", "/∂_t^1"},
      {[](const ExprPtr& in, const ExprPtr&, const ExprPtr&, const ExprPtr&) { return poly(in, {{0, 1}, {2, 3}}); },
       unicode_fmt, "1 + 3*(", "1 + 3*x^2", ")^2"},
      // A negative polynomial term is written negated, in parentheses.
      {[](const ExprPtr& in, const ExprPtr&, const ExprPtr&, const ExprPtr& two) {
         return sum({two, poly(in, {{2, -3}})});
       },
       plain_fmt, "2 - (3*(", "2 - (3*x^2)", ")^2)"},
  };
  testing::run_on_small_stack(256 * 1024, [&] {
    for (std::size_t i = 0; i < std::size(chains); ++i) {
      const Chain& ch = chains[i];
      ExprPtr chain = x;
      for (int level = 0; level < kDepth; ++level) chain = ch.wrap(chain, x, y, two);
      std::string out;
      ch.print(*chain, out);
      // Compared whole, without printing megabytes on a mismatch.
      EXPECT_TRUE(out == repeat(ch.before, kDepth - 1) + ch.middle + repeat(ch.after, kDepth - 1))
          << "chain " << i << " starts " << out.substr(0, 60);
    }
  });
}

}  // namespace
}  // namespace norvi::symbolic
