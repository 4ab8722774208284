// The expression engine beside GiNaC, on the same work in the same run:
// (a) the sum of 10^5 distinct symbols built in one call (GiNaC's add also sorts and combines);
// (b) 10^5 like terms c_i*x^(i mod 8) collected into one polynomial;
// (c) theta/2 + pi and sin(t)*cos(p) + 2*t^2 evaluated 10^6 times with their parameters bound
//     (GiNaC: subs with a map, no pattern matching, then evalf), and theta/2 + pi without bindings.
// Building: best of five. Prints each time and the ratio GiNaC / engine (above 1: the engine is faster).

#include <ginac/ginac.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "norvi/symbolic/construction.hpp"
#include "norvi/symbolic/evaluate.hpp"
#include "norvi/symbolic/symbol_registry.hpp"

namespace sym = norvi::symbolic;

namespace {

constexpr int kTerms = 100'000;
constexpr int kEvaluations = 1'000'000;
constexpr int kRepeats = 5;

double seconds_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

template <class F>
double best_of(F&& work) {
  double best = 1e300;
  for (int i = 0; i < kRepeats; ++i) {
    const auto start = std::chrono::steady_clock::now();
    work();
    best = std::min(best, seconds_since(start));
  }
  return best;
}

template <class F>
double once(F&& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return seconds_since(start);
}

void report(const char* what, double engine, double ginac) {
  std::printf("%-48s engine %10.3f ms   GiNaC %10.3f ms   GiNaC/engine %6.2fx\n", what, engine * 1e3, ginac * 1e3,
              ginac / engine);
}

sym::ExprPtr var(const std::string& name) {
  return sym::expr_from_kind(sym::Symbol{*sym::symbol_by_key(sym::intern_symbol(name).as_u64())});
}
sym::ExprPtr num(double v) { return sym::expr_from_kind(sym::Number{v}); }

double coefficient(int i) { return 1.0 + (i % 97); }

void bench_distinct_sum() {
  std::vector<sym::ExprPtr> ours;
  GiNaC::exvector theirs;
  for (int i = 0; i < kTerms; ++i) {
    const std::string name = "s" + std::to_string(i);
    ours.push_back(var(name));
    theirs.push_back(GiNaC::symbol(name));
  }
  std::size_t check = 0;
  const double engine = best_of([&] { check += std::get<sym::Sum>(sym::expr_sum(ours)->kind()).terms.size(); });
  const double ginac = best_of([&] { check += GiNaC::ex(GiNaC::add(theirs)).nops(); });
  report("(a) sum of 1e5 distinct symbols", engine, ginac);
  if (check != 2U * kRepeats * kTerms) std::printf("    unexpected term counts: %zu\n", check);
}

void bench_like_terms() {
  const sym::ExprPtr x = var("x");
  const GiNaC::symbol gx("x");
  std::vector<sym::ExprPtr> ours;
  GiNaC::exvector theirs;
  for (int i = 0; i < kTerms; ++i) {
    ours.push_back(sym::expr_product({num(coefficient(i)), sym::expr_pow(x, num(i % 8))}));
    theirs.push_back(GiNaC::numeric(coefficient(i)) * GiNaC::pow(gx, i % 8));
  }
  std::size_t check = 0;
  const double engine = best_of([&] {
    const sym::ExprPtr collected = sym::expr_sum(ours);
    // The constant terms fold into a number beside the polynomial of the others.
    check += std::get<sym::Poly>(std::get<sym::Sum>(collected->kind()).terms[1]->kind()).polynomial.terms.size();
  });
  const double ginac = best_of([&] { check += GiNaC::ex(GiNaC::add(theirs)).nops() - 1; });
  report("(b) 1e5 like terms c_i*x^(i mod 8) collected", engine, ginac);
  if (check != 2U * kRepeats * 7) std::printf("    unexpected term counts: %zu\n", check);
}

void bench_evaluation() {
  const sym::ExprPtr theta = var("theta");
  const sym::ExprPtr t = var("t");
  const sym::ExprPtr p = var("p");
  auto call = [](const char* name, sym::ExprPtr arg) {
    return sym::expr_from_kind(sym::FunctionCall{*sym::symbol_by_key(sym::intern_symbol(name).as_u64()), {std::move(arg)}});
  };
  const sym::ExprPtr gate = sym::expr_sum({sym::expr_div(theta, num(2)), var("pi")});
  const sym::ExprPtr mixed = sym::expr_sum(
      {sym::expr_product({call("sin", t), call("cos", p)}), sym::expr_product({num(2), sym::expr_pow(t, num(2))})});
  const sym::Bindings gate_bound = {{"theta", 0.25}};
  const sym::Bindings mixed_bound = {{"t", 0.5}, {"p", 0.25}};

  const GiNaC::symbol gtheta("theta");
  const GiNaC::symbol gt("t");
  const GiNaC::symbol gp("p");
  const GiNaC::ex ggate = gtheta / 2 + GiNaC::Pi;
  const GiNaC::ex gmixed = GiNaC::sin(gt) * GiNaC::cos(gp) + 2 * GiNaC::pow(gt, 2);
  GiNaC::exmap ggate_bound;
  ggate_bound[gtheta] = 0.25;
  GiNaC::exmap gmixed_bound;
  gmixed_bound[gt] = 0.5;
  gmixed_bound[gp] = 0.25;

  double ours_sum = 0.0;
  double theirs_sum = 0.0;
  auto value = [](const sym::ExprPtr& e) { return std::get<sym::Number>(e->kind()).value; };
  auto gvalue = [](const GiNaC::ex& e) { return GiNaC::ex_to<GiNaC::numeric>(e).to_double(); };

  double engine = once([&] {
    for (int i = 0; i < kEvaluations; ++i) ours_sum += value(sym::evaluate_with_bindings(*gate, gate_bound, {}));
  });
  double ginac = once([&] {
    for (int i = 0; i < kEvaluations; ++i) {
      theirs_sum += gvalue(ggate.subs(ggate_bound, GiNaC::subs_options::no_pattern).evalf());
    }
  });
  report("(c) theta/2 + pi, theta bound, 1e6 times", engine, ginac);

  engine = once([&] {
    for (int i = 0; i < kEvaluations; ++i) ours_sum += value(sym::evaluate_with_bindings(*mixed, mixed_bound, {}));
  });
  ginac = once([&] {
    for (int i = 0; i < kEvaluations; ++i) {
      theirs_sum += gvalue(gmixed.subs(gmixed_bound, GiNaC::subs_options::no_pattern).evalf());
    }
  });
  report("(c) sin(t)*cos(p) + 2*t^2, t and p bound, 1e6 times", engine, ginac);

  const sym::ExprPtr constant = sym::expr_sum({sym::expr_div(num(1), num(3)), var("pi")});
  const GiNaC::ex gconstant = GiNaC::numeric(1, 3) + GiNaC::Pi;
  engine = once([&] {
    for (int i = 0; i < kEvaluations; ++i) ours_sum += value(sym::evaluate_expr_rec(*constant, {}));
  });
  ginac = once([&] {
    for (int i = 0; i < kEvaluations; ++i) theirs_sum += gvalue(gconstant.evalf());
  });
  report("(c) 1/3 + pi, nothing bound, 1e6 times", engine, ginac);

  std::size_t kept = 0;
  engine = once([&] {
    for (int i = 0; i < kEvaluations; ++i) kept += sym::evaluate_expr_rec(*gate, {})->id() != 0;
  });
  ginac = once([&] {
    for (int i = 0; i < kEvaluations; ++i) kept += ggate.evalf().nops();
  });
  report("(c) theta/2 + pi, theta unbound, 1e6 times", engine, ginac);
  if (std::abs(ours_sum - theirs_sum) > 1e-6 * std::abs(theirs_sum)) {
    std::printf("    results differ: %.17g vs %.17g\n", ours_sum, theirs_sum);
  }
  if (kept == 0) std::printf("    nothing kept\n");
}

}  // namespace

int main() {
  bench_distinct_sum();
  bench_like_terms();
  bench_evaluation();
  return 0;
}
