// Expression nodes: ids, structural hashes and equality, derivative nodes, release of deep trees.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "norvi/symbolic/expr.hpp"
#include "norvi/symbolic/symbol_registry.hpp"
#include "support/small_stack.hpp"

namespace norvi::symbolic {
namespace {

InternedSymbol sym(const std::string& name) { return *symbol_by_key(intern_symbol(name).as_u64()); }
ExprPtr num(double v) { return expr_from_kind(Number{v}); }
ExprPtr var(const std::string& name) { return expr_from_kind(Symbol{sym(name)}); }

TEST(SymbolicExpr, IdsGrowAndCopiesShareTheirSource) {
  const ExprPtr a = num(1.0);
  const ExprPtr b = num(1.0);
  EXPECT_GT(b->id(), a->id());
  EXPECT_EQ(a->hash(), b->hash());
  const ExprPtr copy = a;
  EXPECT_EQ(copy.get(), a.get());
  EXPECT_EQ(a.use_count(), 2U);
  const ExprPtr again = share(*a);
  EXPECT_EQ(again.get(), a.get());
  EXPECT_EQ(a.use_count(), 3U);
  EXPECT_EQ(constant_one()->id(), 0U);
  EXPECT_EQ(constant_one_hash(), a->hash());
  EXPECT_EQ(sizeof(ExprPtr), sizeof(void*));
}

// Releasing a polynomial draws an id for its base's stand-in; one freed inside a larger tree draws a
// second one when its emptied node goes. Other releases draw none.
TEST(SymbolicExpr, ReleasingAPolynomialDrawsIds) {
  const ExprPtr x = var("x");
  struct Case {
    const char* what;
    ExprKind (*make)(const ExprPtr& x);
    std::uint64_t step;
  };
  const Case cases[] = {
      {"polynomial", [](const ExprPtr& x) -> ExprKind { return Poly{{x, {{1, 2.0}}}}; }, 3},
      {"power", [](const ExprPtr& x) -> ExprKind { return Pow{x, x}; }, 2},
      {"sum", [](const ExprPtr& x) -> ExprKind { return Sum{{x, x}}; }, 2},
      {"polynomial inside a sum",
       [](const ExprPtr& x) -> ExprKind { return Sum{{expr_from_kind(Poly{{x, {{1, 2.0}}}}), x}}; }, 5},
      {"polynomial over a polynomial",
       [](const ExprPtr& x) -> ExprKind { return Poly{{expr_from_kind(Poly{{x, {{2, 1.0}}}}), {{1, 2.0}}}}; }, 6},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const ExprPtr before = num(1.0);
    expr_from_kind(c.make(x)).reset();
    const ExprPtr after = num(1.0);
    EXPECT_EQ(after->id() - before->id(), c.step);
  }
}

TEST(SymbolicExpr, HashOfEachKindFollowsItsWords) {
  const ExprPtr x = var("x");
  const ExprPtr y = var("y");
  auto expect = [](const ExprPtr& node, std::vector<std::uint64_t> words) {
    HashState h;
    for (std::uint64_t w : words) h.absorb(w);
    EXPECT_EQ(node->hash(), h.finish());
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
      {"sum order", (expr_from_kind(Sum{{x, y}})), (expr_from_kind(Sum{{y, x}})), false, true},
      {"call argument order", (expr_from_kind(FunctionCall{f, {x, y}})),
       (expr_from_kind(FunctionCall{f, {y, x}})), false, false},
      {"symbol and call of one key", (expr_from_kind(Symbol{f})), (expr_from_kind(FunctionCall{f, {}})),
       false, false},
      {"sum and product", (expr_from_kind(Sum{{x, y}})), (expr_from_kind(Product{{x, y}})), false, false},
      {"equal quotients", (expr_from_kind(Div{x, num(2)})), (expr_from_kind(Div{var("x"), num(2)})), true,
       true},
      {"powers differing in exponent", (expr_from_kind(Pow{x, num(2)})), (expr_from_kind(Pow{x, num(3)})),
       false, false},
      {"derivative orders", (expr_from_kind(Derivative{x, sym("x"), 1})),
       (expr_from_kind(Derivative{x, sym("x"), 2})), false, false},
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
  const ExprPtr p = (expr_from_kind(Poly{{x, {{1, 0.0}}}}));
  const ExprPtr q = (expr_from_kind(Poly{{x, {{1, -0.0}}}}));
  EXPECT_TRUE(expr_structural_eq(p->kind(), q->kind()));
  EXPECT_NE(p->hash(), q->hash());
  EXPECT_FALSE(expr_structural_eq(p, q));
}

TEST(SymbolicExpr, DerivativeNodeInternsItsVariable) {
  const ExprPtr d = new_derivative_expr(var("u"), nullptr, 1);
  const auto& kind = std::get<Derivative>(d->kind());
  EXPECT_EQ(kind.var.key, intern_symbol(""));
  ASSERT_NE(kind.var.name, nullptr);
  EXPECT_EQ(*kind.var.name, "");
  const std::string theta = "theta";
  const ExprPtr named = new_derivative_expr(d, &theta, 3);
  EXPECT_EQ(std::get<Derivative>(named->kind()).var.key, intern_symbol("theta"));
  EXPECT_EQ(std::get<Derivative>(named->kind()).inner->id(), d->id());
}

// Chains of every child-holding kind, deep enough that a walk recursing once per level would
// overflow the small stack they are compared and released on.
TEST(SymbolicExpr, DeepChainsCompareAndReleaseWithoutDeepRecursion) {
  constexpr int kDepth = 50'000;
  const ExprPtr x = var("x");
  using Step = ExprKind (*)(const ExprPtr& leaf, ExprPtr inner);
  const std::vector<std::pair<const char*, Step>> steps = {
      {"power", [](const ExprPtr& leaf, ExprPtr inner) -> ExprKind { return Pow{leaf, std::move(inner)}; }},
      {"quotient", [](const ExprPtr& leaf, ExprPtr inner) -> ExprKind { return Div{std::move(inner), leaf}; }},
      {"sum", [](const ExprPtr& leaf, ExprPtr inner) -> ExprKind { return Sum{{leaf, std::move(inner)}}; }},
      {"call", [](const ExprPtr& leaf, ExprPtr inner) -> ExprKind {
         return FunctionCall{sym("sin"), {std::move(inner), leaf}};
       }},
      {"polynomial", [](const ExprPtr&, ExprPtr inner) -> ExprKind { return Poly{{std::move(inner), {{1, 2.0}}}}; }},
      {"derivative", [](const ExprPtr&, ExprPtr inner) -> ExprKind { return Derivative{std::move(inner), sym("x"), 1}; }},
  };
  norvi::testing::run_on_small_stack(256 * 1024, [&] {
    for (const auto& [what, step] : steps) {
      SCOPED_TRACE(what);
      ExprPtr chain = x;
      ExprPtr twin = x;
      for (int i = 0; i < kDepth; ++i) {
        chain = expr_from_kind(step(x, std::move(chain)));
        twin = expr_from_kind(step(x, std::move(twin)));
      }
      EXPECT_TRUE(expr_structural_eq(chain, twin));
      EXPECT_TRUE(expr_structural_eq(chain->kind(), twin->kind()));
      chain.reset();
      twin.reset();
    }
  });
  EXPECT_EQ(x.use_count(), 1U);
}

// Threads dropping their references to shared subtrees at once: exactly one of them frees each node
// (a sanitizer build reports any unordered access), and what others still hold stays intact.
TEST(SymbolicExpr, ThreadsReleaseSharedSubtreesAtOnce) {
  constexpr int kThreads = 8;
  constexpr int kRounds = 50;
  const ExprPtr x = var("x");
  for (int round = 0; round < kRounds; ++round) {
    // A small forest whose inner nodes are shared by every thread's parents.
    std::vector<ExprPtr> shared;
    ExprPtr chain = x;
    for (int i = 0; i < 16; ++i) {
      chain = expr_from_kind(Pow{x, expr_from_kind(Sum{{chain, num(i)}})});
      shared.push_back(chain);
    }
    std::vector<std::vector<ExprPtr>> held(kThreads);
    for (int t = 0; t < kThreads; ++t) {
      for (const ExprPtr& node : shared) held[t].push_back(expr_from_kind(Product{{node, x}}));
      held[t].push_back(shared.back());
    }
    shared.clear();
    chain.reset();
    std::atomic<int> ready{0};
    std::vector<std::uint64_t> seen(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
      threads.emplace_back([&, t] {
        ready.fetch_add(1);
        while (ready.load() < kThreads) std::this_thread::yield();
        // Read the shared nodes first, so that freeing them must come after these reads.
        for (const ExprPtr& node : held[t]) {
          if (const auto* product = std::get_if<Product>(&node->kind())) {
            const auto& inner = std::get<Sum>(std::get<Pow>(product->factors[0]->kind()).exponent->kind());
            seen[t] += inner.terms.size() + inner.terms[0]->hash();
          }
        }
        held[t].clear();
      });
    }
    for (std::thread& thread : threads) thread.join();
    for (int t = 1; t < kThreads; ++t) EXPECT_EQ(seen[t], seen[0]);
  }
  EXPECT_EQ(x.use_count(), 1U);
}

TEST(SymbolicExpr, ReleaseLeavesSharedChildrenIntact) {
  const ExprPtr kept = (expr_from_kind(Pow{var("x"), num(2)}));
  const std::uint64_t hash = kept->hash();
  {
    const ExprPtr parent = (expr_from_kind(Sum{{kept, (expr_from_kind(Div{kept, num(3)}))}}));
    EXPECT_EQ(kept.use_count(), 3U);
  }
  EXPECT_EQ(kept.use_count(), 1U);
  EXPECT_EQ(kept->hash(), hash);
  const auto& pow = std::get<Pow>(kept->kind());
  ASSERT_NE(pow.base, nullptr);
  ASSERT_NE(pow.exponent, nullptr);
  EXPECT_EQ(std::get<Number>(pow.exponent->kind()).value, 2.0);
}

}  // namespace
}  // namespace norvi::symbolic
