// Rounding of orders, integer powers, the error function, Lambert W and the complete elliptic integrals.
#include "norvi/symbolic/special_functions.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "special_functions_internal.hpp"

namespace norvi::symbolic {

using detail::kNaN;
using detail::kPi;

std::int32_t round_to_i32(double v) {
  if (std::isnan(v)) return 0;
  const double r = std::round(v);
  if (r >= 2147483647.0) return std::numeric_limits<std::int32_t>::max();
  if (r <= -2147483648.0) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(r);
}

double powi(double x, std::uint64_t n) {
  double result = 1.0;
  double square = x;
  while (n != 0) {
    if (n & 1U) result *= square;
    n >>= 1;
    if (n != 0) square *= square;
  }
  return result;
}

namespace {

// The Maclaurin series of erf: accurate to rounding while |x| < 2, where its terms stay below about 3.
double erf_series(double x) {
  if (std::isnan(x)) return kNaN;
  const double ax = std::fabs(x);
  detail::KahanSum sum;
  double k_minus_1_factorial = 1.0;
  for (std::uint64_t k = 1; k <= 30; ++k) {
    const double sign = (k % 2 == 1) ? 1.0 : -1.0;
    const double term = sign * powi(ax, 2 * k - 1) / (k_minus_1_factorial * static_cast<double>(2 * k - 1));
    if (!std::isfinite(term)) break;
    sum.add(term);
    if (std::fabs(term) < 2.220446049250313e-16) break;
    k_minus_1_factorial *= static_cast<double>(k);
  }
  return std::copysign(1.0, x) * 1.1283791670955126 * sum.sum;
}

constexpr double kErfSeriesLimit = 2.0;

}  // namespace

// Beyond the series' range, the C library's erf and erfc (which hold to rounding everywhere).
double erf_f64(double x) { return std::fabs(x) < kErfSeriesLimit ? erf_series(x) : std::erf(x); }

// 1 - erf(x) only where erf is small enough for the difference to keep its digits.
double erfc_f64(double x) { return std::fabs(x) < 0.5 ? 1 - erf_series(x) : std::erfc(x); }

std::optional<double> lambert_w0_f64(double x) {
  constexpr double kMinusInvE = -0.36787944117144233;
  constexpr double kE = 2.718281828459045;
  if (x < kMinusInvE) return std::nullopt;
  if (x == 0) return 0.0;
  if (std::isinf(x)) return x;
  if (std::fabs(x - kMinusInvE) < 1e-12) return -1.0;
  double w = 0.0;
  if (x < -0.3) {
    const double p = std::sqrt(std::max(2 * (kE * x + 1), 0.0));
    w = p - 1 - p * p / 3 + (11.0 / 72) * p * p * p;
  } else if (x < 0) {
    w = std::sqrt(2 * (kE * x + 1)) - 1;
  } else if (x < 1) {
    w = x * (1 - x * (1 - 1.5 * x));
  } else if (x < 3) {
    w = std::log(x) - std::max(std::log(std::log(x)), 0.0);
  } else {
    const double l1 = std::log(x);
    const double l2 = std::log(l1);
    w = l1 - l2 + l2 / l1;
  }
  for (int i = 0; i < 50; ++i) {
    if (w <= -1) w = -0.99;
    if (std::fabs(w + 1) < 1e-15) break;
    // Halley's step d f / (d^2 - e^w (w + 2) f / 2) with f = w e^w - x and d = e^w (w + 1), both
    // divided by e^w so that nothing overflows for large x.
    const double f = w - x * std::exp(-w);
    const double d = w + 1;
    const double step = d * f / (d * d - 0.5 * (w + 2) * f);
    w -= step;
    if (std::fabs(step) < 1e-15 * (1 + std::fabs(w))) break;
  }
  return w;
}

double elliptic_k_f64(double k) {
  if (std::fabs(k) >= 1) return std::numeric_limits<double>::infinity();
  double a = 1.0;
  double g = std::sqrt((1 - k) * (1 + k));
  for (int i = 0; i < 25 && !(std::fabs(a - g) < 1e-15); ++i) {
    const double next_a = (a + g) / 2;
    g = std::sqrt(a * g);
    a = next_a;
  }
  return kPi / (2 * a);
}

double elliptic_e_f64(double k) {
  if (std::fabs(k) > 1) return kNaN;
  // The mean below never converges from g = 0; E(1) = 1.
  if (std::fabs(k) == 1) return 1.0;
  double a = 1.0;
  double g = std::sqrt((1 - k) * (1 + k));
  double sum = 1 - k * k / 2;
  double weight = 1.0;
  double m = a;
  for (int i = 0; i < 25; ++i) {
    const double c = (a - g) / 2;
    m = (a + g) / 2;
    sum -= weight * c * c;
    if (std::fabs(c) < 1e-15) break;
    g = std::sqrt(a * g);
    a = m;
    weight *= 2;
  }
  return kPi / (2 * m) * sum;
}

}  // namespace norvi::symbolic
