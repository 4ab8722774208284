// The structural diagnostic form of expressions, symbols, keys and polynomials.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "norvi/symbolic/debug_writer.hpp"
#include "norvi/symbolic/expr.hpp"
#include "norvi/symbolic/expr_text.hpp"
#include "norvi/symbolic/symbol_registry.hpp"
#include "support/small_stack.hpp"

namespace norvi::symbolic {
namespace {

InternedSymbol sym(const std::string& name) { return *symbol_by_key(intern_symbol(name).as_u64()); }
ExprPtr num(double v) { return expr_from_kind(Number{v}); }
ExprPtr var(const std::string& name) { return expr_from_kind(Symbol{sym(name)}); }

std::string debug(const Expr& e, bool alternate = false) {
  std::string out;
  expr_fmt_debug(e, out, alternate);
  return out;
}

// The expected compact texts, built from the parts' own ids, hashes and keys.
std::string key_text(const InternedSymbol& s) {
  return "DefaultKey(" + std::to_string(s.key.index) + "v" + std::to_string(s.key.version) + ")";
}
std::string symbol_text(const InternedSymbol& s, const std::string& quoted_name) {
  return "InternedSymbol { key: " + key_text(s) + ", name: Some(" + quoted_name + ") }";
}
std::string node_text(const Expr& e, const std::string& kind) {
  return "Expr { id: " + std::to_string(e.id()) + ", hash: " + std::to_string(e.hash()) + ", kind: " + kind + " }";
}
std::string x_text(const ExprPtr& x) { return node_text(*x, "Symbol(" + symbol_text(sym("x"), "\"x\"") + ")"); }

TEST(SymbolicDebugForm, NumbersUseTheDiagnosticFloatForm) {
  struct Case {
    double value;
    const char* kind;
  };
  const Case cases[] = {
      {1.0, "Number(1.0)"},
      {1e20, "Number(1e20)"},
      {0.00001, "Number(1e-5)"},
      {0.5, "Number(0.5)"},
      {-0.0, "Number(-0.0)"},
      {std::numeric_limits<double>::quiet_NaN(), "Number(NaN)"},
      {-std::numeric_limits<double>::infinity(), "Number(-inf)"},
  };
  for (const Case& c : cases) {
    const ExprPtr n = expr_from_kind(Number{c.value});
    EXPECT_EQ(debug(*n), node_text(*n, c.kind)) << c.kind;
  }
}

TEST(SymbolicDebugForm, SymbolsAndKeys) {
  const ExprPtr x = var("x");
  EXPECT_EQ(debug(*x), x_text(x));

  // A name with a quote and a line feed stays on one line.
  const InternedSymbol odd = sym("a\"b\nc");
  std::string out;
  expr_fmt_debug(odd, out, false);
  EXPECT_EQ(out, symbol_text(odd, "\"a\\\"b\\nc\""));

  out.clear();
  expr_fmt_debug(InternedSymbol{DefaultKey{7, 1}, nullptr}, out, false);
  EXPECT_EQ(out, "InternedSymbol { key: DefaultKey(7v1), name: None }");

  struct KeyCase {
    DefaultKey key;
    const char* text;
  };
  const KeyCase keys[] = {
      {{1, 1}, "DefaultKey(1v1)"},
      {{4294967294U, 3}, "DefaultKey(4294967294v3)"},
      {{4294967295U, 1}, "DefaultKey(null)"},
  };
  for (const KeyCase& k : keys) {
    out.clear();
    expr_fmt_debug(k.key, out, false);
    EXPECT_EQ(out, k.text);
  }
}

TEST(SymbolicDebugForm, EachCompoundKind) {
  const ExprPtr x = var("x");
  const ExprPtr two = num(2.0);
  const std::string xs = x_text(x);
  const std::string twos = node_text(*two, "Number(2.0)");
  const InternedSymbol f = sym("f");
  const InternedSymbol t = sym("t");

  struct Case {
    ExprPtr node;
    std::string kind;
  };
  const Case cases[] = {
      {expr_from_kind(Sum{}), "Sum([])"},
      {expr_from_kind(Product{{two, x}}), "Product([" + twos + ", " + xs + "])"},
      // A child shared by two places is written out in full at each.
      {expr_from_kind(Sum{{x, x}}), "Sum([" + xs + ", " + xs + "])"},
      {expr_from_kind(Div{x, two}), "Div(" + xs + ", " + twos + ")"},
      {expr_from_kind(Pow{x, two}), "Pow(" + xs + ", " + twos + ")"},
      {expr_from_kind(FunctionCall{f, {x, two}}),
       "FunctionCall { name: " + symbol_text(f, "\"f\"") + ", args: [" + xs + ", " + twos + "] }"},
      {expr_from_kind(FunctionCall{f, {}}), "FunctionCall { name: " + symbol_text(f, "\"f\"") + ", args: [] }"},
      {expr_from_kind(Derivative{x, t, 2}),
       "Derivative { inner: " + xs + ", var: " + symbol_text(t, "\"t\"") + ", order: 2 }"},
      {expr_from_kind(Poly{{x, {{0, 3.0}, {2, 1.0}}}}),
       "Poly(Polynomial { base: " + xs + ", terms: [(0, 3.0), (2, 1.0)] })"},
      {expr_from_kind(Poly{{x, {}}}), "Poly(Polynomial { base: " + xs + ", terms: [] })"},
  };
  for (const Case& c : cases) EXPECT_EQ(debug(*c.node), node_text(*c.node, c.kind));

  std::string out;
  expr_fmt_debug(Polynomial{x, {{1, -0.5}}}, out, false);
  EXPECT_EQ(out, "Polynomial { base: " + xs + ", terms: [(1, -0.5)] }");
}

TEST(SymbolicDebugForm, MultiLineLayout) {
  const InternedSymbol xs = sym("x");
  const ExprPtr x = var("x");
  const ExprPtr two = num(2.0);
  const ExprPtr pow = expr_from_kind(Pow{x, two});
  const ExprPtr poly = expr_from_kind(Poly{{two, {{1, 1.0}}}});
  const std::string key = key_text(xs).substr(11);  // "NvM)"
  const std::string expected = "Expr {\n"
                               "    id: " + std::to_string(pow->id()) + ",\n"
                               "    hash: " + std::to_string(pow->hash()) + ",\n"
                               "    kind: Pow(\n"
                               "        Expr {\n"
                               "            id: " + std::to_string(x->id()) + ",\n"
                               "            hash: " + std::to_string(x->hash()) + ",\n"
                               "            kind: Symbol(\n"
                               "                InternedSymbol {\n"
                               "                    key: DefaultKey(\n"
                               "                        " + key.substr(0, key.size() - 1) + ",\n"
                               "                    ),\n"
                               "                    name: Some(\n"
                               "                        \"x\",\n"
                               "                    ),\n"
                               "                },\n"
                               "            ),\n"
                               "        },\n"
                               "        Expr {\n"
                               "            id: " + std::to_string(two->id()) + ",\n"
                               "            hash: " + std::to_string(two->hash()) + ",\n"
                               "            kind: Number(\n"
                               "                2.0,\n"
                               "            ),\n"
                               "        },\n"
                               "    ),\n"
                               "}";
  EXPECT_EQ(debug(*pow, true), expected);

  const std::string two_id = std::to_string(two->id());
  const std::string two_hash = std::to_string(two->hash());
  EXPECT_EQ(debug(*poly, true), "Expr {\n"
                               "    id: " + std::to_string(poly->id()) + ",\n"
                               "    hash: " + std::to_string(poly->hash()) + ",\n"
                               "    kind: Poly(\n"
                               "        Polynomial {\n"
                               "            base: Expr {\n"
                               "                id: " + two_id + ",\n"
                               "                hash: " + two_hash + ",\n"
                               "                kind: Number(\n"
                               "                    2.0,\n"
                               "                ),\n"
                               "            },\n"
                               "            terms: [\n"
                               "                (\n"
                               "                    1,\n"
                               "                    1.0,\n"
                               "                ),\n"
                               "            ],\n"
                               "        },\n"
                               "    ),\n"
                               "}");
}

TEST(SymbolicDebugForm, NestsInsideALargerDiagnosticForm) {
  const ExprPtr x = var("x");
  std::string out;
  DebugWriter w(out, false);
  w.open_record("Parameter");
  w.field("expr");
  expr_write_debug(*x, w);
  w.field("symbol");
  expr_write_debug(sym("x"), w);
  w.field("kind");
  expr_write_debug(x->kind(), w);
  w.close();
  const std::string symbol = symbol_text(sym("x"), "\"x\"");
  EXPECT_EQ(out, "Parameter { expr: " + x_text(x) + ", symbol: " + symbol + ", kind: Symbol(" + symbol + ") }");
}

// Each level of every child-holding kind, a hundred thousand deep, on a 256 KiB stack.
TEST(SymbolicDebugForm, DeepChainsOnASmallStack) {
  constexpr int kDepth = 100'000;
  const ExprPtr x = var("x");
  const InternedSymbol f = sym("f");
  const InternedSymbol t = sym("t");
  testing::run_on_small_stack(256 * 1024, [&] {
    ExprPtr chain = x;
    std::size_t nodes = 1;
    for (int i = 0; i < kDepth; ++i) {
      nodes += i % 6 < 3 ? 2 : 1;  // Pow, Div and Sum hold an x beside the chain
      switch (i % 6) {
        case 0: chain = expr_from_kind(Pow{x, chain}); break;
        case 1: chain = expr_from_kind(Div{chain, x}); break;
        case 2: chain = expr_from_kind(Sum{{x, chain}}); break;
        case 3: chain = expr_from_kind(FunctionCall{f, {chain}}); break;
        case 4: chain = expr_from_kind(Derivative{chain, t, 1}); break;
        case 5: chain = expr_from_kind(Poly{{chain, {{1, 1.0}}}}); break;
      }
    }
    std::string out;
    expr_fmt_debug(*chain, out, false);
    EXPECT_EQ(out.rfind("Expr { id: ", 0), 0U);
    std::size_t records = 0;
    for (std::size_t at = out.find("Expr {"); at != std::string::npos; at = out.find("Expr {", at + 1)) ++records;
    EXPECT_EQ(records, nodes);
  });
}

}  // namespace
}  // namespace norvi::symbolic
