// The plain text of the sum of 100,000 distinct symbols, built in one call through the engine's
// builder, beside GiNaC printing the same sum of the same names (its ordinary `operator<<`), in the
// same run, best of seven. Both write into memory: the engine appends to a string, GiNaC streams into
// an ostringstream.

#include <ginac/ginac.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "norvi/symbolic/construction.hpp"
#include "norvi/symbolic/expr.hpp"
#include "norvi/symbolic/expr_text.hpp"
#include "norvi/symbolic/symbol_registry.hpp"

namespace sym = norvi::symbolic;

namespace {

constexpr int kSymbols = 100'000;
constexpr int kRuns = 7;

double best_of(int runs, const std::function<void()>& f) {
  double best = 1e300;
  for (int i = 0; i < runs; ++i) {
    const auto t0 = std::chrono::steady_clock::now();
    f();
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
  }
  return best;
}

}  // namespace

int main() {
  std::vector<std::string> names;
  names.reserve(kSymbols);
  for (int i = 0; i < kSymbols; ++i) names.push_back("s" + std::to_string(i));

  std::vector<sym::ExprPtr> terms;
  terms.reserve(kSymbols);
  for (const std::string& name : names) {
    terms.push_back(sym::expr_from_kind(sym::Symbol{*sym::symbol_by_key(sym::intern_symbol(name).as_u64())}));
  }
  const sym::ExprPtr ours = sym::expr_sum(std::move(terms));

  GiNaC::exvector ginac_terms;
  ginac_terms.reserve(kSymbols);
  for (const std::string& name : names) ginac_terms.push_back(GiNaC::symbol(name));
  const GiNaC::ex theirs = GiNaC::add(ginac_terms);

  std::size_t our_length = 0;
  std::size_t their_length = 0;
  const double our_time = best_of(kRuns, [&] {
    std::string out;
    sym::expr_fmt_plain(*ours, out);
    our_length = out.size();
  });
  const double their_time = best_of(kRuns, [&] {
    std::ostringstream out;
    out << theirs;
    their_length = out.str().size();
  });

  std::printf("plain text of a sum of %d distinct symbols (best of %d)\n", kSymbols, kRuns);
  std::printf("  engine  %8.3f ms  (%zu bytes)\n", our_time * 1e3, our_length);
  std::printf("  GiNaC   %8.3f ms  (%zu bytes)\n", their_time * 1e3, their_length);
  std::printf("  engine time / GiNaC time: %.3f (target: at most 2)\n", our_time / their_time);
  return 0;
}
