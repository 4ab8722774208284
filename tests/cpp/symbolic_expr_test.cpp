// Expression nodes: ids, structural hashes and equality, derivative nodes, release of deep trees.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "norvi/symbolic/expr.hpp"
#include "norvi/symbolic/symbol_registry.hpp"

namespace norvi::symbolic {
namespace {

InternedSymbol sym(const std::string& name) { return *symbol_by_key(intern_symbol(name).as_u64()); }
ExprPtr num(double v) { return share(expr_from_kind(Number{v})); }
ExprPtr var(const std::string& name) { return share(expr_from_kind(Symbol{sym(name)})); }

TEST(SymbolicExpr, IdsGrowAndCopiesKeepTheirSource) {
  const Expr a = expr_from_kind(Number{1.0});
  const Expr b = expr_from_kind(Number{1.0});
  EXPECT_GT(b.id(), a.id());
  EXPECT_EQ(a.hash(), b.hash());
  const Expr copy = a;
  EXPECT_EQ(copy.id(), a.id());
  EXPECT_EQ(copy.hash(), a.hash());
  EXPECT_EQ(constant_one()->id(), 0U);
  EXPECT_EQ(constant_one_hash(), a.hash());
}

TEST(SymbolicExpr, HashOfEachKindFollowsItsWords) {
  const ExprPtr x = var("x");
  const ExprPtr y = var("y");
  auto expect = [](const Expr& node, std::vector<std::uint64_t> words) {
    HashState h;
    for (std::uint64_t w : words) h.absorb(w);
    EXPECT_EQ(node.hash(), h.finish());
  };
  const InternedSymbol f = sym("f");
  expect(expr_from_kind(Number{2.5}), {0, std::bit_cast<std::uint64_t>(2.5)});
  expect(expr_from_kind(Number{-0.0}), {0, 0});
  expect(expr_from_kind(Symbol{sym("x")}), {1, sym("x").key.as_u64()});
  expect(expr_from_kind(FunctionCall{f, {x, y}}), {2, f.key.as_u64(), 2, x->hash(), y->hash()});
  expect(expr_from_kind(Sum{{x, y}}), {3, x->hash() + y->hash()});
  expect(expr_from_kind(Product{{x, y}}), {4, x->hash() + y->hash()});
  expect(expr_from_kind(Div{x, y}), {5, x->hash(), y->hash()});
  expect(expr_from_kind(Pow{x, y}), {6, x->hash(), y->hash()});
  expect(expr_from_kind(Derivative{x, sym("t"), 2}), {7, x->hash(), sym("t").key.as_u64(), 2});
  HashState term;
  term.absorb(std::bit_cast<std::uint64_t>(3.0));
  term.absorb(2);
  expect(expr_from_kind(Poly{{x, {{2, 3.0}}}}), {8, x->hash(), term.finish()});
}

TEST(SymbolicExpr, StructuralEqualityAndHashAgreement) {
  const ExprPtr x = var("x");
  const ExprPtr y = var("y");
  const ExprPtr nan = num(std::numeric_limits<double>::quiet_NaN());
  const InternedSymbol f = sym("f");
  struct Case {
    const char* what;
    ExprPtr a;
    ExprPtr b;
    bool equal;
    bool same_hash;
  };
  const std::vector<Case> cases = {
      {"equal numbers", num(2.0), num(2.0), true, true},
      {"signed zeros", num(0.0), num(-0.0), true, true},
      {"separate NaNs", nan, num(std::numeric_limits<double>::quiet_NaN()), false, true},
      {"a NaN with itself", nan, nan, true, true},
      {"sum order", share(expr_from_kind(Sum{{x, y}})), share(expr_from_kind(Sum{{y, x}})), false, true},
      {"call argument order", share(expr_from_kind(FunctionCall{f, {x, y}})),
       share(expr_from_kind(FunctionCall{f, {y, x}})), false, false},
      {"symbol and call of one key", share(expr_from_kind(Symbol{f})), share(expr_from_kind(FunctionCall{f, {}})),
       false, false},
      {"sum and product", share(expr_from_kind(Sum{{x, y}})), share(expr_from_kind(Product{{x, y}})), false, false},
      {"equal quotients", share(expr_from_kind(Div{x, num(2)})), share(expr_from_kind(Div{var("x"), num(2)})), true,
       true},
      {"powers differing in exponent", share(expr_from_kind(Pow{x, num(2)})), share(expr_from_kind(Pow{x, num(3)})),
       false, false},
      {"derivative orders", share(expr_from_kind(Derivative{x, sym("x"), 1})),
       share(expr_from_kind(Derivative{x, sym("x"), 2})), false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(expr_structural_eq(c.a, c.b), c.equal);
    EXPECT_EQ(c.a->hash() == c.b->hash(), c.same_hash);
    if (c.a != c.b) {
      EXPECT_NE(c.a->id(), c.b->id());
    }
  }
  // Term hashes take the raw coefficient bits: equal kinds, different hashes, so shared nodes differ.
  const ExprPtr p = share(expr_from_kind(Poly{{x, {{1, 0.0}}}}));
  const ExprPtr q = share(expr_from_kind(Poly{{x, {{1, -0.0}}}}));
  EXPECT_TRUE(expr_structural_eq(p->kind(), q->kind()));
  EXPECT_NE(p->hash(), q->hash());
  EXPECT_FALSE(expr_structural_eq(p, q));
}

TEST(SymbolicExpr, DerivativeNodeInternsItsVariable) {
  const Expr d = new_derivative_expr(expr_from_kind(Symbol{sym("u")}), nullptr, 1);
  const auto& kind = std::get<Derivative>(d.kind());
  EXPECT_EQ(kind.var.key, intern_symbol(""));
  ASSERT_NE(kind.var.name, nullptr);
  EXPECT_EQ(*kind.var.name, "");
  const Expr named = new_derivative_expr(d, std::make_shared<const std::string>("theta"), 3);
  EXPECT_EQ(std::get<Derivative>(named.kind()).var.key, intern_symbol("theta"));
  EXPECT_EQ(std::get<Derivative>(named.kind()).inner->id(), d.id());
}

// Deep right-leaning chains of every child-holding kind.
TEST(SymbolicExpr, MillionDeepChainsCompareAndReleaseWithoutDeepRecursion) {
  constexpr int kDepth = 1'000'000;
  const ExprPtr x = var("x");
  using Step = ExprKind (*)(const ExprPtr& leaf, ExprPtr inner);
  const std::vector<std::pair<const char*, Step>> steps = {
      {"power", [](const ExprPtr& leaf, ExprPtr inner) -> ExprKind { return Pow{leaf, std::move(inner)}; }},
      {"quotient", [](const ExprPtr& leaf, ExprPtr inner) -> ExprKind { return Div{leaf, std::move(inner)}; }},
      {"sum", [](const ExprPtr& leaf, ExprPtr inner) -> ExprKind { return Sum{{leaf, std::move(inner)}}; }},
      {"call", [](const ExprPtr& leaf, ExprPtr inner) -> ExprKind {
         return FunctionCall{sym("sin"), {std::move(inner), leaf}};
       }},
      {"polynomial", [](const ExprPtr&, ExprPtr inner) -> ExprKind { return Poly{{std::move(inner), {{1, 2.0}}}}; }},
      {"derivative", [](const ExprPtr&, ExprPtr inner) -> ExprKind { return Derivative{std::move(inner), sym("x"), 1}; }},
  };
  for (const auto& [what, step] : steps) {
    SCOPED_TRACE(what);
    ExprPtr chain = x;
    for (int i = 0; i < kDepth; ++i) chain = share(expr_from_kind(step(x, std::move(chain))));
    if (std::string(what) == "power" || std::string(what) == "quotient") {
      ExprPtr twin = x;
      for (int i = 0; i < kDepth; ++i) twin = share(expr_from_kind(step(x, std::move(twin))));
      EXPECT_TRUE(expr_structural_eq(chain, twin));
    }
    chain.reset();
  }
  EXPECT_EQ(x.use_count(), 1);
}

TEST(SymbolicExpr, ReleaseLeavesSharedChildrenIntact) {
  const ExprPtr kept = share(expr_from_kind(Pow{var("x"), num(2)}));
  const std::uint64_t hash = kept->hash();
  {
    const ExprPtr parent = share(expr_from_kind(Sum{{kept, share(expr_from_kind(Div{kept, num(3)}))}}));
    EXPECT_EQ(kept.use_count(), 3);
  }
  EXPECT_EQ(kept.use_count(), 1);
  EXPECT_EQ(kept->hash(), hash);
  const auto& pow = std::get<Pow>(kept->kind());
  ASSERT_NE(pow.base, nullptr);
  ASSERT_NE(pow.exponent, nullptr);
  EXPECT_EQ(std::get<Number>(pow.exponent->kind()).value, 2.0);
}

}  // namespace
}  // namespace norvi::symbolic
