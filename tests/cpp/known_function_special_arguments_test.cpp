// Every row of the known-function table at every combination of the special arguments (NaN, the
// infinities, both zeros, the smallest subnormal, the largest doubles, the integers where rows have
// poles, and small and huge orders): each call returns, and each answer is a value or no value as
// the row defines it. The calls run on a worker thread with a deadline, so a kernel that loops fails
// its test instead of stalling the run.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cfloat>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include <fmt/format.h>

#include "norvi/symbolic/function_table.hpp"
#include "norvi/symbolic/special_functions.hpp"
#include "norvi/symbolic/symbol_registry.hpp"
#include "support/case_name.hpp"

namespace norvi::symbolic {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kTiny = std::numeric_limits<double>::denorm_min();

constexpr double kSpecial[] = {kNaN, kInf, -kInf, 0.0, -0.0, kTiny, DBL_MAX, -DBL_MAX, 1e308, -1e308};
// The integers where rows have poles or the edges of their domains (gamma family, zeta, log's base,
// atanh and acoth, the elliptic integrals, assoc_legendre's argument).
constexpr double kPoleIntegers[] = {1, -1, 2, -2};
// Orders beside the special values (which round to 0 and to the saturated extremes of 32 bits).
constexpr double kSmallOrders[] = {1, 2, 3, -1, -2, 1000};
// Orders at the recurrence limit of 10^6 steps, just inside and just beyond it.
constexpr double kLongOrders[] = {999999, 1000000, 1000001};
// Orders beside the long ones at the other order position.
constexpr double kPlainOrders[] = {0, 1, -1};

// A call that has not returned after this long has hung (the slowest call takes milliseconds, also
// under the sanitizers).
constexpr std::chrono::seconds kPatience{3};

struct Call {
  const FunctionDefinition* row;
  std::vector<double> args;
};

std::string describe(const Call& call) { return fmt::format("{}({})", call.row->name, fmt::join(call.args, ", ")); }

struct Outcome {
  std::vector<std::optional<double>> answers;  // of the calls that returned, in order
  bool complete = false;
};

// Evaluates the calls in order on a worker thread. When no call has returned for kPatience the run
// stops: the worker is left behind inside its call, and the answers so far come back.
Outcome evaluate_with_deadline(std::vector<Call> calls) {
  struct Shared {
    std::vector<Call> calls;
    std::vector<std::optional<double>> answers;
    std::atomic<std::size_t> done{0};
    std::mutex mutex;
    std::condition_variable finished_signal;
    bool finished = false;
  };
  auto shared = std::make_shared<Shared>();
  shared->calls = std::move(calls);
  shared->answers.resize(shared->calls.size());
  std::thread worker([shared] {
    for (std::size_t i = 0; i < shared->calls.size(); ++i) {
      shared->answers[i] = shared->calls[i].row->eval(shared->calls[i].args);
      shared->done.store(i + 1, std::memory_order_release);
    }
    std::lock_guard lock(shared->mutex);
    shared->finished = true;
    shared->finished_signal.notify_one();
  });
  std::unique_lock lock(shared->mutex);
  std::size_t seen = 0;
  while (!shared->finished_signal.wait_for(lock, kPatience, [&] { return shared->finished; })) {
    const std::size_t done = shared->done.load(std::memory_order_acquire);
    if (done == seen) {
      worker.detach();
      return {{shared->answers.begin(), shared->answers.begin() + static_cast<std::ptrdiff_t>(done)}, false};
    }
    seen = done;
  }
  lock.unlock();
  worker.join();
  return {std::move(shared->answers), true};
}

enum class Presence { kValue, kNone, kEither };

std::int32_t order(double v) { return round_to_i32(v); }
bool is_integer(double x) { return x - std::trunc(x) == 0; }
bool nonpositive_integer(double x) { return x <= 0 && is_integer(x); }
bool gamma_pole(double x) { return (x < 0 && std::fabs(x - std::trunc(x)) < 1e-10) || nonpositive_integer(x); }
// The recurrence rows refuse orders whose walk would pass 10^6 steps; near that limit (and for
// Bessel arguments that far out) they may give no value.
bool long_walk(std::int32_t n) { return std::llabs(static_cast<long long>(n)) >= 990000; }
bool long_bessel_walk(std::int32_t n, double x) { return long_walk(n) || !(std::fabs(x) < 990000); }

// What the row's definition says about a value at these arguments.
Presence expected_presence(std::string_view name, const std::vector<double>& a) {
  const auto none_if = [](bool none) { return none ? Presence::kNone : Presence::kValue; };
  if (name == "acsch") return none_if(std::fabs(a[0]) < 1e-15);
  if (name == "log") return none_if(a[0] <= 0 || a[0] == 1 || a[1] <= 0);
  if (name == "gamma") return none_if(gamma_pole(a[0]));
  if (name == "digamma" || name == "trigamma" || name == "tetragamma") return none_if(nonpositive_integer(a[0]));
  if (name == "beta") return none_if(gamma_pole(a[0]) || gamma_pole(a[1]) || gamma_pole(a[0] + a[1]));
  if (name == "polygamma") return none_if(order(a[0]) < 0 || nonpositive_integer(a[1]));
  if (name == "lambertw") return none_if(a[0] < -0.36787944117144233);
  if (name == "zeta") return none_if(std::fabs(a[0] - 1) < 1e-10);
  if (name == "zeta_deriv") {
    const std::int32_t n = order(a[0]);
    if (n < 0 || std::fabs(a[1] - 1) < 1e-10) return Presence::kNone;
    // Beyond these orders (and far left of the critical strip) the derivatives lose their digits and
    // are refused.
    if (n > 11 || a[1] < -170) return Presence::kEither;
    return Presence::kValue;
  }
  if (name == "besselj" || name == "besseli") {
    return long_bessel_walk(order(a[0]), a[1]) ? Presence::kEither : Presence::kValue;
  }
  if (name == "bessely" || name == "besselk") {
    if (a[1] <= 0) return Presence::kNone;
    if (std::isnan(a[1]) || long_bessel_walk(order(a[0]), a[1])) return Presence::kEither;
    return Presence::kValue;
  }
  if (name == "hermite") {
    if (order(a[0]) < 0) return Presence::kNone;
    return long_walk(order(a[0])) ? Presence::kEither : Presence::kValue;
  }
  if (name == "assoc_legendre" || name == "spherical_harmonic" || name == "ynm") {
    const std::int32_t l = order(a[0]);
    const std::int32_t m = order(a[1]);
    if (l < 0 || std::llabs(static_cast<long long>(m)) > l) return Presence::kNone;
    if (name == "assoc_legendre" && std::fabs(a[2]) > 1) return Presence::kNone;
    return long_walk(l) ? Presence::kEither : Presence::kValue;
  }
  return Presence::kValue;
}

// The argument positions of a row that are orders (rounded to integers).
std::vector<std::size_t> order_positions(std::string_view name) {
  if (name == "besselj" || name == "bessely" || name == "besseli" || name == "besselk" || name == "polygamma" ||
      name == "zeta_deriv" || name == "hermite") {
    return {0};
  }
  if (name == "assoc_legendre" || name == "spherical_harmonic" || name == "ynm") return {0, 1};
  return {};
}

// A NaN argument gives NaN (or no value), except where the row's value does not depend on that
// argument: the constant polynomials H_0, P_0^0 and Y_0^0 (whose azimuth factor cos(0 phi) still
// does).
bool ignores_nan_at(std::string_view name, const std::vector<double>& a, std::size_t position) {
  if (name == "hermite") return order(a[0]) == 0;
  if (name == "assoc_legendre") return order(a[0]) == 0;
  if (name == "spherical_harmonic" || name == "ynm") return order(a[0]) == 0 && position == 2;
  return false;
}

// Every combination of `choices[i]` for position i.
std::vector<std::vector<double>> combinations(const std::vector<std::vector<double>>& choices) {
  std::vector<std::vector<double>> out = {{}};
  for (const std::vector<double>& position : choices) {
    std::vector<std::vector<double>> next;
    for (const std::vector<double>& prefix : out) {
      for (double v : position) {
        next.push_back(prefix);
        next.back().push_back(v);
      }
    }
    out = std::move(next);
  }
  return out;
}

std::vector<double> joined(std::initializer_list<std::span<const double>> parts) {
  std::vector<double> out;
  for (std::span<const double> part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

// The grid of one row: specials and pole integers at every value position, specials and small orders
// at every order position; then each order position at the long orders against the specials of the
// first value position (the others at a plain value or a special).
std::vector<std::vector<double>> special_grid(const FunctionDefinition& row) {
  const std::vector<std::size_t> orders = order_positions(row.name);
  const auto is_order = [&](std::size_t i) { return std::find(orders.begin(), orders.end(), i) != orders.end(); };
  const std::vector<double> values = joined({kSpecial, kPoleIntegers});
  const std::vector<double> small_orders = joined({kSpecial, kSmallOrders});
  std::vector<std::vector<double>> choices;
  for (std::size_t i = 0; i < row.min_arity; ++i) choices.push_back(is_order(i) ? small_orders : values);
  std::vector<std::vector<double>> grid = combinations(choices);
  if (orders.empty()) return grid;
  // The long walks: every order position over the long orders and the plain ones beside them.
  std::vector<std::vector<double>> long_choices;
  bool first_value = true;
  for (std::size_t i = 0; i < row.min_arity; ++i) {
    if (is_order(i)) {
      long_choices.push_back(joined({kLongOrders, kPlainOrders}));
    } else if (first_value) {
      long_choices.push_back(values);
      first_value = false;
    } else {
      long_choices.push_back({0.3, kNaN, kInf});
    }
  }
  for (std::vector<double>& args : combinations(long_choices)) {
    const bool has_long_order = std::any_of(orders.begin(), orders.end(), [&](std::size_t i) { return args[i] >= 999999; });
    if (has_long_order) grid.push_back(std::move(args));
  }
  return grid;
}

class KnownFunctionSpecialArguments : public ::testing::TestWithParam<std::size_t> {};

TEST_P(KnownFunctionSpecialArguments, EveryCombinationReturnsWhatTheRowDefines) {
  const FunctionDefinition& row = function_rows()[GetParam()];
  const std::string_view name = row.name;
  const std::vector<std::vector<double>> grid = special_grid(row);
  // Each combination at the row's arity, and again with one more value, which the row ignores.
  std::vector<Call> calls;
  for (const std::vector<double>& args : grid) {
    calls.push_back({&row, args});
    calls.push_back({&row, args});
    calls.back().args.push_back(kNaN);
  }
  // With one value fewer than it reads, a row has no value.
  calls.push_back({&row, std::vector<double>(row.min_arity - 1, 0.5)});
  calls.push_back({&row, std::vector<double>(row.min_arity - 1, kNaN)});

  const Outcome run = evaluate_with_deadline(calls);
  if (!run.complete) {
    FAIL() << describe(calls[run.answers.size()]) << " did not return within " << kPatience.count() << " s";
  }
  const auto& answers = run.answers;
  int failures = 0;
  for (std::size_t i = 0; i < grid.size() && failures < 20; ++i) {
    const std::vector<double>& args = grid[i];
    const std::optional<double> got = answers[2 * i];
    const std::optional<double> with_extra = answers[2 * i + 1];
    const Call& call = calls[2 * i];
    bool ok = true;
    const Presence want = expected_presence(name, args);
    if (want != Presence::kEither && got.has_value() != (want == Presence::kValue)) {
      ADD_FAILURE() << describe(call) << " = " << (got ? std::to_string(*got) : "no value") << ", expected "
                    << (want == Presence::kValue ? "a value" : "no value");
      ok = false;
    }
    const std::vector<std::size_t> orders = order_positions(name);
    for (std::size_t p = 0; p < args.size() && got; ++p) {
      const bool is_order = std::find(orders.begin(), orders.end(), p) != orders.end();
      if (!is_order && std::isnan(args[p]) && !std::isnan(*got) && !ignores_nan_at(name, args, p)) {
        ADD_FAILURE() << describe(call) << " = " << *got << ", expected NaN from a NaN argument";
        ok = false;
        break;
      }
    }
    const bool same = got.has_value() == with_extra.has_value() &&
                      (!got || *got == *with_extra || (std::isnan(*got) && std::isnan(*with_extra)));
    if (!same) {
      ADD_FAILURE() << describe(call) << " changes with one more value";
      ok = false;
    }
    if (!ok) ++failures;
  }
  EXPECT_EQ(failures, 0) << "first failures shown";
  EXPECT_FALSE(answers[answers.size() - 2].has_value()) << name << " with one value too few";
  EXPECT_FALSE(answers[answers.size() - 1].has_value()) << name << " with one value too few";
}

INSTANTIATE_TEST_SUITE_P(Rows, KnownFunctionSpecialArguments, ::testing::Range<std::size_t>(0, kKnownFunctionCount),
                         [](const ::testing::TestParamInfo<std::size_t>& info) {
                           return norvi::testing::case_name(info.param, function_rows()[info.param].name);
                         });

// Values at the special arguments where the definition leaves no doubt.
struct ClearCase {
  const char* name;
  std::vector<double> args;
  std::optional<double> expected;  // none: no value; NaN matches NaN, zeros either sign
  double relative = 1e-15;         // for the other values
};

const ClearCase kClearCases[] = {
    // The polygamma family: zero at +inf (infinite for digamma), NaN at -inf and at NaN.
    {"polygamma", {0, kInf}, kInf},
    {"polygamma", {1, kInf}, 0.0},
    {"polygamma", {2, kInf}, 0.0},
    {"polygamma", {3, kInf}, 0.0},
    {"polygamma", {2147483647.0, kInf}, 0.0},
    {"polygamma", {0, -kInf}, kNaN},
    {"polygamma", {1, -kInf}, kNaN},
    {"polygamma", {2, -kInf}, kNaN},
    {"polygamma", {3, -kInf}, kNaN},
    {"polygamma", {2147483647.0, -kInf}, kNaN},
    {"polygamma", {2, kNaN}, kNaN},
    {"polygamma", {2147483647.0, kNaN}, kNaN},
    {"polygamma", {-1, kNaN}, std::nullopt},
    {"polygamma", {2, -DBL_MAX}, std::nullopt},
    {"polygamma", {2, DBL_MAX}, 0.0},
    {"digamma", {kInf}, kInf},
    {"digamma", {-kInf}, kNaN},
    {"trigamma", {kInf}, 0.0},
    {"trigamma", {-kInf}, kNaN},
    {"tetragamma", {kInf}, 0.0},
    {"tetragamma", {-kInf}, kNaN},
    {"gamma", {kInf}, kInf},
    {"gamma", {-DBL_MAX}, std::nullopt},
    {"erf", {kInf}, 1.0},
    {"erf", {-kInf}, -1.0},
    {"erfc", {kInf}, 0.0},
    {"erfc", {-kInf}, 2.0},
    {"zeta", {kInf}, 1.0, 1e-10},  // the accuracy of the alternating series' 14 terms
    {"lambertw", {kInf}, kInf},
    {"lambertw", {-kInf}, std::nullopt},
    {"hermite", {3, kInf}, kInf},
    {"hermite", {3, -kInf}, -kInf},
    {"hermite", {4, -kInf}, kInf},
    {"elliptic_k", {kInf}, kInf},
    {"elliptic_e", {kInf}, kNaN},
    {"besselk", {0, kInf}, 0.0},
    {"besselk", {5, kInf}, 0.0},
    {"besselk", {1000000, kInf}, 0.0},
    {"besselk", {5, DBL_MAX}, 0.0},
    {"assoc_legendre", {1000000, 3, 1}, 0.0},
    {"assoc_legendre", {1000000, 1000000, -1}, 0.0},
    {"spherical_harmonic", {1000000, 1000000, kTiny, 0.3}, 0.0},
    {"spherical_harmonic", {1000000, 1000000, 1e-300, 0.3}, 0.0},
    {"ynm", {1000000, 3, 0.0, 0.0}, 0.0},
};

void PrintTo(const ClearCase& c, std::ostream* out) { *out << c.name << "(" << fmt::format("{}", fmt::join(c.args, ", ")) << ")"; }

class KnownFunctionClearValues : public ::testing::TestWithParam<ClearCase> {};

TEST_P(KnownFunctionClearValues, AtTheSpecialArguments) {
  const ClearCase& c = GetParam();
  const FunctionDefinition* row = get_function_definition(intern_symbol(c.name));
  ASSERT_NE(row, nullptr);
  const Outcome run = evaluate_with_deadline({{row, c.args}});
  const std::string label = describe({row, c.args});
  ASSERT_TRUE(run.complete) << label << " did not return within " << kPatience.count() << " s";
  const std::optional<double> got = run.answers[0];
  ASSERT_EQ(got.has_value(), c.expected.has_value()) << label;
  if (!got) return;
  const double want = *c.expected;
  if (std::isnan(want)) {
    EXPECT_TRUE(std::isnan(*got)) << label << " = " << *got;
  } else if (std::isinf(want) || want == 0) {
    EXPECT_EQ(*got, want) << label;
  } else {
    EXPECT_NEAR(*got, want, c.relative * std::fabs(want)) << label;
  }
}

INSTANTIATE_TEST_SUITE_P(Table, KnownFunctionClearValues, ::testing::ValuesIn(kClearCases),
                         norvi::testing::named_by([](const ClearCase& c) { return std::string_view(c.name); }));

}  // namespace
}  // namespace norvi::symbolic
