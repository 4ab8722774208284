// The slowest calls of the known-function table: every special row at its worst arguments (orders
// near 2^31, orders just inside the recurrence limit, arguments at the overflow and underflow edges),
// each call timed through the table as the evaluator makes it (best of five). Printed beside the
// cost of one std::tgamma call (a plain libm call, averaged over a million calls) in the same run.
// The promise: the slowest call stays under 10 ms.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "norvi/symbolic/function_table.hpp"
#include "norvi/symbolic/symbol_registry.hpp"

using namespace norvi::symbolic;
using Clock = std::chrono::steady_clock;

namespace {

struct Case {
  const char* name;
  std::vector<double> args;
};

constexpr double kMaxOrder = 2147483647.0;
constexpr double kInf = std::numeric_limits<double>::infinity();

const std::vector<Case> kCases = {
    {"erf", {1.99}}, {"erf", {1e300}}, {"erfc", {26.0}}, {"erfc", {0.49}},
    {"gamma", {171.6}}, {"gamma", {-182.5}}, {"gamma", {-1e15 + 0.5}},
    {"digamma", {-1e15 + 0.25}}, {"digamma", {0.001}},
    {"trigamma", {-1e15 + 0.5}}, {"trigamma", {-999999.5}}, {"trigamma", {0.001}},
    {"tetragamma", {-999999.5}}, {"tetragamma", {0.001}},
    {"beta", {300.0, 0.25}}, {"beta", {80.0, 80.0}},
    {"polygamma", {kMaxOrder, 1.0}}, {"polygamma", {kMaxOrder, 1e9}}, {"polygamma", {kMaxOrder, -1e9 + 0.5}},
    {"polygamma", {200.0, 1.0}}, {"polygamma", {2.0, 1e300}}, {"polygamma", {30.0, 1e-300}}, {"polygamma", {50.0, 60.0}},
    {"besselj", {kMaxOrder, 1.0}}, {"besselj", {kMaxOrder, 2e9}}, {"besselj", {999999.0, 1e6}},
    {"besselj", {950000.0, 7.5e5}},
    {"bessely", {kMaxOrder, 0.5}}, {"bessely", {kMaxOrder, 3e9}}, {"bessely", {999999.0, 1.2e6}},
    {"bessely", {990000.0, 7.5e5}},
    {"besseli", {kMaxOrder, 1.0}}, {"besseli", {1000.0, 9.9e5}}, {"besseli", {950000.0, 1e5}}, {"besseli", {0.0, 710.0}},
    {"besselk", {kMaxOrder, 1.0}}, {"besselk", {kMaxOrder, 1e9}}, {"besselk", {999999.0, 1e9}}, {"besselk", {5.0, 1e-300}},
    {"lambertw", {1.7e308}}, {"lambertw", {kInf}}, {"lambertw", {-0.36787944}},
    {"elliptic_k", {0.999999999999}}, {"elliptic_e", {1.0}}, {"elliptic_e", {0.999999999999}},
    {"zeta", {-160.5}}, {"zeta", {1.0000001}}, {"zeta", {0.5}},
    {"zeta_deriv", {20.0, -170.0}}, {"zeta_deriv", {20.0, 0.5}}, {"zeta_deriv", {10.0, -20.0}}, {"zeta_deriv", {kMaxOrder, 2.0}},
    {"hermite", {kMaxOrder, 0.5}}, {"hermite", {1000000.0, 0.5}}, {"hermite", {999999.0, 1e200}},
    {"assoc_legendre", {kMaxOrder, 5.0, 0.3}}, {"assoc_legendre", {1000000.0, 500000.0, 0.3}},
    {"assoc_legendre", {1000000.0, 3.0, 0.999}},
    {"spherical_harmonic", {kMaxOrder, 5.0, 1.0, 0.2}}, {"spherical_harmonic", {1000000.0, 500000.0, 1.0, 0.2}},
    {"spherical_harmonic", {1000000.0, 0.0, 0.01, 0.0}},
    {"ynm", {1000000.0, 7.0, 2.0, 0.3}},
};

double seconds_since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

std::string describe(const Case& c) {
  std::string text = std::string(c.name) + "(";
  for (std::size_t i = 0; i < c.args.size(); ++i) {
    char number[32];
    std::snprintf(number, sizeof number, "%s%.10g", i ? ", " : "", c.args[i]);
    text += number;
  }
  return text + ")";
}

}  // namespace

int main() {
  // Baseline: a plain libm call, averaged over a million calls.
  constexpr int kBaselineCalls = 1'000'000;
  volatile double sink = 0;
  const auto baseline_start = Clock::now();
  for (int i = 0; i < kBaselineCalls; ++i) sink = sink + std::tgamma(1.5 + (i % 100));
  const double baseline = seconds_since(baseline_start) / kBaselineCalls;

  double slowest = 0;
  std::string slowest_case;
  std::vector<double> times;
  std::printf("%-52s %12s  %s\n", "call", "time", "value");
  for (const Case& c : kCases) {
    const FunctionDefinition* row = get_function_definition(intern_symbol(c.name));
    if (row == nullptr) {
      std::printf("%s: no row\n", c.name);
      return 1;
    }
    double best = 1e9;
    std::optional<double> value;
    for (int round = 0; round < 5; ++round) {
      const auto start = Clock::now();
      value = row->eval(c.args);
      best = std::min(best, seconds_since(start));
    }
    times.push_back(best);
    const std::string label = describe(c);
    char shown[32] = "no value";
    if (value) std::snprintf(shown, sizeof shown, "%.6g", *value);
    std::printf("%-52s %9.3f ms  %s\n", label.c_str(), best * 1e3, shown);
    if (best > slowest) {
      slowest = best;
      slowest_case = label;
    }
  }
  std::sort(times.begin(), times.end());
  std::printf("\nbaseline std::tgamma: %.1f ns per call; median worst case: %.3f ms\n", baseline * 1e9,
              times[times.size() / 2] * 1e3);
  std::printf("slowest call: %s, %.3f ms (%.0f tgamma calls); limit 10 ms: %s\n", slowest_case.c_str(), slowest * 1e3,
              slowest / baseline, slowest < 0.010 ? "met" : "NOT MET");
  return slowest < 0.010 ? 0 : 1;
}
