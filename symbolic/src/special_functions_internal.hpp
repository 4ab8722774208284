#pragma once
// Helpers shared by the special-function kernels (gamma family, zeta, Bessel, orthogonal polynomials).
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>

namespace norvi::symbolic::detail {

constexpr double kPi = 3.141592653589793;
constexpr double kLogPi = 1.1447298858494002;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
// Below this a result is 0 in double precision (half the smallest subnormal is 2^-1075).
constexpr double kLogUnderflow = -745.2;
// Above this a result is infinite in double precision.
constexpr double kLogOverflow = 709.8;

// Recurrences longer than this give no value: at up to 5 ns a step (a square root or a division
// and the rescaling check), a longer walk would break the promise that every evaluation finishes
// within 10 ms.
constexpr std::uint64_t kMaxRecurrenceSteps = 1'000'000;

// sin(pi x) and cos(pi x) with the nearest integer taken off exactly first: the results keep their
// relative accuracy near every zero, sin is exactly 0 at integers and cos exactly 0 at half-integers,
// for every finite x.
inline bool is_even_integer(double n) { return std::fmod(n, 2.0) == 0; }
inline double sin_pi(double x) {
  const double n = std::round(x);
  const double s = std::sin(kPi * (x - n));
  return is_even_integer(n) ? s : -s;
}
inline double cos_pi(double x) {
  const double n = std::round(x);
  const double c = std::sin(kPi * (0.5 - std::fabs(x - n)));
  return is_even_integer(n) ? c : -c;
}

inline bool is_nonpositive_integer(double x) { return x <= 0 && x - std::trunc(x) == 0; }

inline std::uint64_t magnitude(std::int32_t n) { return static_cast<std::uint64_t>(std::llabs(static_cast<long long>(n))); }

// Compensated (Kahan) summation.
struct KahanSum {
  double sum = 0.0;
  double carry = 0.0;
  void add(double v) {
    const double y = v - carry;
    const double t = sum + y;
    carry = (t - sum) - y;
    sum = t;
  }
};

// A value kept as mantissa * kScale^exponent, so that recurrences whose values leave the double range
// on the way (and may come back) lose nothing. Linear recurrences rescale all their terms together.
constexpr double kScale = 1e250;
constexpr double kInvScale = 1e-250;
constexpr double kLogScale = 575.6462732485114;  // ln 1e250

// Multiplies v by kScale^exponent step by step, so the result overflows or underflows only when the
// value itself does.
inline double apply_scale(double v, std::int64_t exponent) {
  for (; exponent > 0 && std::isfinite(v) && v != 0; --exponent) v *= kScale;
  for (; exponent < 0 && v != 0 && std::isfinite(v); ++exponent) v *= kInvScale;
  return v;
}

// Two consecutive values of a linear recurrence with a common binary exponent, renormalised when
// they leave [1e-150, high], so that values beyond the double range on the way (which the
// recurrence may bring back) lose nothing; high is lowered where one step can grow by a lot.
struct ScaledPair {
  double previous;
  double current;
  double high = 1e150;
  std::int64_t exponent = 0;  // both values are multiplied by 2^exponent

  void step(double next) {
    previous = current;
    current = next;
    renormalise();
  }
  void renormalise() {
    const double larger = std::max(std::fabs(current), std::fabs(previous));
    if (larger > high || (larger < 1e-150 && larger != 0)) {
      const int e = std::ilogb(larger);
      current = std::scalbn(current, -e);
      previous = std::scalbn(previous, -e);
      exponent += e;
    }
  }
  // The current value, infinite or zero where it lies beyond the double range.
  double value() const {
    return std::scalbn(current, static_cast<int>(std::clamp<std::int64_t>(exponent, -4000, 4000)));
  }
};

// Bernoulli numbers over factorials, B_2j / (2j)!, j = 1..12.
inline constexpr std::array<double, 12> kBernoulliOverFactorial = {
    0.08333333333333333,     -0.001388888888888889,    3.306878306878307e-05,  -8.267195767195768e-07,
    2.08767569878681e-08,    -5.284190138687493e-10,   1.3382536530684679e-11, -3.3896802963225827e-13,
    8.586062056277845e-15,   -2.174868698558062e-16,   5.5090028283602295e-18, -1.3954464685812522e-19};

// ln Gamma(x) for x >= 0.5 (the logarithmic form of the Lanczos sum), finite far beyond the range
// where Gamma itself overflows.
double log_gamma_lanczos(double x);

// psi^(n)(x) for n >= 1 and x > 0 to full double accuracy (the Hurwitz zeta sum, any order).
double polygamma_positive(std::uint64_t n, double x);

}  // namespace norvi::symbolic::detail
