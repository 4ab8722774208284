// The slowest calls of the known-function table: every special row at its worst arguments (orders
// near 2^31, orders just inside the recurrence limit, arguments at the overflow and underflow edges,
// subnormal, infinite and NaN arguments), each call timed through the table as the evaluator makes it
// (best of five). Then every row at the special arguments (NaN, the infinities, the zeros, the
// smallest subnormal, the largest doubles) with small and huge orders, of which the slowest calls are
// shown. Printed beside the cost of one std::tgamma call (a plain libm call, averaged over a million
// calls) in the same run. The promise: the slowest call stays under 10 ms.

#include <algorithm>
#include <cfloat>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "norvi/symbolic/function_table.hpp"
#include "norvi/symbolic/symbol_registry.hpp"
#include "timing.hpp"

using namespace norvi::symbolic;
using Clock = std::chrono::steady_clock;

namespace {

struct Case {
  const char* name;
  std::vector<double> args;
};

constexpr double kMaxOrder = 2147483647.0;
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kTiny = std::numeric_limits<double>::denorm_min();

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
    // Special arguments: polygamma at -inf (which once never returned), K at +inf and beyond e^-x's
    // range, and the recurrences at NaN.
    {"polygamma", {2.0, -kInf}}, {"polygamma", {kMaxOrder, -kInf}}, {"polygamma", {3.0, kNaN}},
    {"polygamma", {kMaxOrder, kInf}}, {"tetragamma", {-kInf}},
    {"besselk", {kMaxOrder, kInf}}, {"besselk", {5.0, DBL_MAX}}, {"besselj", {999999.0, kInf}},
    {"assoc_legendre", {1000000.0, 0.0, kNaN}}, {"spherical_harmonic", {1000000.0, 3.0, kNaN, 0.3}},
    {"spherical_harmonic", {1000000.0, 3.0, 1.0, kInf}},
    // Large orders against tiny arguments: the recurrences near zero, subnormal arguments included.
    {"assoc_legendre", {1000000.0, 100.0, 1e-300}}, {"assoc_legendre", {1000000.0, 0.0, -kTiny}},
    {"assoc_legendre", {999999.0, 1.0, 1e-310}}, {"assoc_legendre", {1000000.0, 1000.0, kTiny}},
    {"hermite", {999999.0, 1e-300}}, {"hermite", {1000000.0, kTiny}}, {"hermite", {999999.0, -1e-310}},
    {"spherical_harmonic", {1000000.0, 1000000.0, 1e-300, 0.3}}, {"ynm", {1000000.0, 1000000.0, -1e-300, -1e-300}},
    {"spherical_harmonic", {1000000.0, 500000.0, 1e-300, 0.3}}, {"assoc_legendre", {1000000.0, 3.0, 1.0}},
    // The slowest of a sweep of orders 10^3, 10^5, 999999, 10^6 against arguments from the smallest
    // subnormal to DBL_MAX.
    {"spherical_harmonic", {1000000.0, 3.0, 1.0, 0.3}}, {"ynm", {1000000.0, 3.0, 1.0, 1.0}},
    {"spherical_harmonic", {999999.0, 3.0, 3.14159, 0.3}}, {"spherical_harmonic", {999999.0, 1.0, DBL_MAX, 0.3}},
    {"assoc_legendre", {1000000.0, -1.0, 0.5}}, {"hermite", {1000000.0, -0.5}},
    {"besselj", {1000000.0, 1e10}}, {"bessely", {1000000.0, DBL_MAX}},
};

// Every row at the special arguments: each value position over kSpecial, each order position over
// small and huge orders (the degree of a Legendre row at the recurrence limit, its order small or
// equal to the degree).
constexpr double kSpecial[] = {kNaN, kInf, -kInf, 0.0, -0.0, kTiny, DBL_MAX, -DBL_MAX, 1e308, -1e308};

std::vector<std::vector<double>> special_arguments(const FunctionDefinition& row) {
  const std::string name = row.name;
  std::vector<std::vector<double>> out;
  if (name == "assoc_legendre" || name == "spherical_harmonic" || name == "ynm") {
    for (double l : {999999.0, 1000000.0}) {
      for (double m : {0.0, 3.0, l}) {
        for (double x : kSpecial) {
          if (name == "assoc_legendre") {
            out.push_back({l, m, x});
          } else {
            out.push_back({l, m, x, 0.3});
            out.push_back({l, m, 1.0, x});
          }
        }
      }
    }
    return out;
  }
  const bool has_order = name == "besselj" || name == "bessely" || name == "besseli" || name == "besselk" ||
                         name == "polygamma" || name == "zeta_deriv" || name == "hermite";
  for (double x : kSpecial) {
    if (row.min_arity == 1) {
      out.push_back({x});
    } else if (has_order) {
      for (double n : {0.0, 2.0, 999999.0, 1000000.0, kMaxOrder}) out.push_back({n, x});
    } else {
      for (double y : kSpecial) out.push_back({x, y});
    }
  }
  return out;
}



double seconds_since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

std::string describe(const char* name, const std::vector<double>& args) {
  std::string text = std::string(name) + "(";
  for (std::size_t i = 0; i < args.size(); ++i) {
    char number[32];
    std::snprintf(number, sizeof number, "%s%.10g", i ? ", " : "", args[i]);
    text += number;
  }
  return text + ")";
}

// The best of five calls.
double best_time(const FunctionDefinition& row, const std::vector<double>& args, std::optional<double>& value) {
  return norvi::bench::best_seconds(5, [&] { value = row.eval(args); });
}

void print_call(const std::string& label, double seconds, const std::optional<double>& value) {
  char shown[32] = "no value";
  if (value) std::snprintf(shown, sizeof shown, "%.6g", *value);
  std::printf("%-52s %9.3f ms  %s\n", label.c_str(), seconds * 1e3, shown);
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
  const auto record = [&](const std::string& label, double seconds) {
    times.push_back(seconds);
    if (seconds > slowest) {
      slowest = seconds;
      slowest_case = label;
    }
  };
  std::printf("%-52s %12s  %s\n", "call", "time", "value");
  for (const Case& c : kCases) {
    const FunctionDefinition* row = get_function_definition(intern_symbol(c.name));
    if (row == nullptr) {
      std::printf("%s: no row\n", c.name);
      return 1;
    }
    std::optional<double> value;
    const double best = best_time(*row, c.args, value);
    const std::string label = describe(c.name, c.args);
    print_call(label, best, value);
    record(label, best);
  }

  struct Timed {
    double seconds;
    std::string label;
    std::optional<double> value;
  };
  std::vector<Timed> special;
  for (const FunctionDefinition& row : function_rows()) {
    for (const std::vector<double>& args : special_arguments(row)) {
      std::optional<double> value;
      const double best = best_time(row, args, value);
      special.push_back({best, describe(row.name, args), value});
      record(special.back().label, best);
    }
  }
  std::sort(special.begin(), special.end(), [](const Timed& a, const Timed& b) { return a.seconds > b.seconds; });
  std::printf("\nspecial arguments: %zu calls over %zu rows; the slowest:\n", special.size(), function_rows().size());
  for (std::size_t i = 0; i < special.size() && i < 8; ++i) print_call(special[i].label, special[i].seconds, special[i].value);

  std::sort(times.begin(), times.end());
  std::printf("\nbaseline std::tgamma: %.1f ns per call; median worst case: %.3f ms\n", baseline * 1e9,
              times[times.size() / 2] * 1e3);
  std::printf("slowest call: %s, %.3f ms (%.0f tgamma calls); limit 10 ms: %s\n", slowest_case.c_str(), slowest * 1e3,
              slowest / baseline, slowest < 0.010 ? "met" : "NOT MET");
  return slowest < 0.010 ? 0 : 1;
}
