// Hermite polynomials, associated Legendre functions and spherical harmonics: three-term recurrences
// in the degree, carried with a common binary exponent so that no intermediate overflows or
// underflows on the way to a representable result.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>

#include "norvi/symbolic/special_functions.hpp"
#include "special_functions_internal.hpp"

namespace norvi::symbolic {
namespace {

constexpr double kInverseSqrtFourPi = 0.28209479177387814;

// A product of many factors, with its binary exponent kept apart.
struct ScaledProduct {
  double mantissa = 1.0;
  std::int64_t exponent = 0;
  void times(double factor) {
    mantissa *= factor;
    const double size = std::fabs(mantissa);
    if (size > 1e150 || (size < 1e-150 && size != 0)) {
      const int e = std::ilogb(mantissa);
      mantissa = std::scalbn(mantissa, -e);
      exponent += e;
    }
  }
};

// ln of a bound of |P_l^m(x)| / sin^m: every derivative of P_l is largest in magnitude at x = 1, so
// |P_l^m(x)| <= sin^m (l+m)! / (2^m m! (l-m)!); with the logarithm of sin/2 given. Where the bound lies
// below the smallest double the value is 0, whatever the recurrence would walk through.
double log_legendre_bound(std::uint64_t l, std::uint64_t m, double log_half_sine) {
  const auto dl = static_cast<double>(l);
  const auto dm = static_cast<double>(m);
  return dm * log_half_sine + detail::log_gamma_lanczos(dl + dm + 1) - detail::log_gamma_lanczos(dm + 1) -
         detail::log_gamma_lanczos(dl - dm + 1);
}
// Below this (a margin under the underflow threshold for the rounding of the bound) the value is 0.
constexpr double kLogZeroBound = detail::kLogUnderflow - 1;

// v 2^exponent x, without forming a product below the double range on the way (x may be subnormal).
double scaled_times(double v, std::int64_t exponent, double x) {
  int e = 0;
  const double fraction = std::frexp(x, &e);
  return std::scalbn(v * fraction, static_cast<int>(std::clamp<std::int64_t>(exponent + e, -4000, 4000)));
}

// Near zero the three-term recurrences carry every other value at about y times the size of its
// neighbours, so their products fall below the double range at every step (slowly, through
// subnormals) although the result is representable. There the polynomial is its value or its slope
// at 0, to rounding, and the recurrence for Q_k = p_k(y) / y^(k mod 2) at y^2 = 0 walks it with
// values of one size.

// H_n(y) for n y^2 below 2^-60: Q_0 = 1, Q_1 = 2, Q_(k+1) = -2k Q_(k-1) for odd k and
// 2 Q_k - 2k Q_(k-1) for even k. Neither step lowers a magnitude (the terms never cancel), so once both
// values lie far beyond the range of the result even times the smallest y, the value is final.
double hermite_near_zero(std::int32_t n, double y) {
  // The sign of H_n(0) for even n, and of H_n'(0) for odd n.
  const double sign = (n / 2) % 2 == 0 ? 1.0 : -1.0;
  if (n % 2 == 1 && y == 0) return sign * y;
  detail::ScaledPair pair{1.0, 2.0};
  pair.high = 1e150 / (2.0 * n + 2);
  for (std::int32_t k = 1; k < n; ++k) {
    const double grow = k % 2 == 1 ? 0.0 : 2.0;
    pair.step(grow * pair.current - 2.0 * k * pair.previous);
    // The smaller of the two is at least 1/(2n) of the larger: 2^2400 / 2^22 times 2^-1074 still overflows.
    if (pair.exponent > 2400) return n % 2 == 0 ? sign * detail::kInf : std::copysign(detail::kInf, sign * y);
  }
  return n % 2 == 0 ? pair.value() : scaled_times(pair.current, pair.exponent, y);
}

// P_l^m(x) for l |x| below 2^-30 from P_m^m (at x = 0): Q_(m+1) = (2m+1) P_m^m, then
// Q_k = ((2k-1) Q_(k-1) [k - m odd] - (k+m-1) Q_(k-2)) / (k - m).
double legendre_near_zero(std::uint64_t l, std::uint64_t m, double x, double pmm, std::int64_t pmm_exponent) {
  detail::ScaledPair pair{pmm, static_cast<double>(2 * m + 1) * pmm};
  pair.exponent = pmm_exponent;
  pair.high = 1e150 / (4.0 * static_cast<double>(l));
  for (std::uint64_t k = m + 2; k <= l; ++k) {
    const double step = 1 / static_cast<double>(k - m);
    const double a = (k - m) % 2 == 1 ? static_cast<double>(2 * k - 1) * step : 0.0;
    const double b = static_cast<double>(k + m - 1) * step;
    pair.step(a * pair.current - b * pair.previous);
  }
  return (l - m) % 2 == 0 ? pair.value() : scaled_times(pair.current, pair.exponent, x);
}

}  // namespace

std::optional<double> hermite_f64(std::int32_t n, double y) {
  if (n < 0) return std::nullopt;
  if (n == 0) return 1.0;
  if (std::isnan(y)) return y;
  if (std::isinf(y)) return (n % 2 == 1 && y < 0) ? -detail::kInf : detail::kInf;
  // A degree this high would take too many steps of the recurrence.
  if (static_cast<std::uint64_t>(n) > detail::kMaxRecurrenceSteps) return std::nullopt;
  if (y * y * (n + 1.0) < 0x1p-60) return hermite_near_zero(n, y);
  detail::ScaledPair pair{1.0, 2 * y};
  pair.high = 1e150 / std::max(1.0, 2 * std::fabs(y) + 2.0 * n);
  pair.renormalise();
  // Past the largest zero (y^2 >= 2n) every step grows |H_k| by at least |y| >= 1 without a change
  // of sign, so a value beyond the double range is final.
  const bool growing = y * y >= 2.0 * n;
  for (std::int32_t k = 1; k < n; ++k) {
    pair.step(2 * y * pair.current - 2.0 * k * pair.previous);
    if (growing && pair.exponent > 1600) return (n % 2 == 1 && y < 0) ? -detail::kInf : detail::kInf;
  }
  return pair.value();
}

std::optional<double> assoc_legendre_f64(std::int32_t l, std::int32_t m, double x) {
  const std::uint64_t am = detail::magnitude(m);
  if (l < 0 || am > static_cast<std::uint64_t>(l) || std::fabs(x) > 1) return std::nullopt;
  const auto ul = static_cast<std::uint64_t>(l);
  // A degree this high would take too many steps of the recurrence.
  if (ul > detail::kMaxRecurrenceSteps) return std::nullopt;
  if (std::isnan(x) && ul > 0) return x;
  const double root = std::sqrt(1 - x * x);
  if (am > 0 && log_legendre_bound(ul, am, std::log(root / 2)) < kLogZeroBound) return 0.0;
  ScaledProduct pmm;
  for (std::uint64_t i = 1; i <= am; ++i) pmm.times(-root * static_cast<double>(2 * i - 1));
  if (ul == am) return std::scalbn(pmm.mantissa, static_cast<int>(std::clamp<std::int64_t>(pmm.exponent, -4000, 4000)));
  if (std::fabs(x) * (static_cast<double>(ul) + 1) < 0x1p-30) return legendre_near_zero(ul, am, x, pmm.mantissa, pmm.exponent);
  detail::ScaledPair pair{pmm.mantissa, x * static_cast<double>(2 * am + 1) * pmm.mantissa};
  pair.exponent = pmm.exponent;
  pair.high = 1e150 / (4.0 * static_cast<double>(ul));
  for (std::uint64_t k = am + 2; k <= ul; ++k) {
    // The divisions stay off the chain of dependent operations.
    const double step = 1 / static_cast<double>(k - am);
    const double a = x * static_cast<double>(2 * k - 1) * step;
    const double b = static_cast<double>(k + am - 1) * step;
    pair.step(a * pair.current - b * pair.previous);
  }
  return pair.value();
}

std::optional<double> spherical_harmonic_re_f64(std::int32_t l, std::int32_t m, double theta, double phi) {
  const std::uint64_t am = detail::magnitude(m);
  if (l < 0 || am > static_cast<std::uint64_t>(l)) return std::nullopt;
  const auto ul = static_cast<std::uint64_t>(l);
  // A degree this high would take too many steps of the recurrence.
  if (ul > detail::kMaxRecurrenceSteps) return std::nullopt;
  // The normalised functions sqrt((2l+1)/(4 pi) (l-m)!/(l+m)!) P_l^m(cos theta), with the factorial
  // ratio folded into each step: start (-1)^m sqrt((2m+1)/(4 pi) prod_(i<=m) (2i-1)/(2i)) sin^m theta.
  const double x = std::cos(theta);
  const double sine = std::fabs(std::sin(theta));
  const double azimuth = std::cos(static_cast<double>(m) * phi);
  if (std::isnan(azimuth) || (std::isnan(x) && ul > 0)) return detail::kNaN;
  const auto dm = static_cast<double>(am);
  // The normalisation sqrt((2l+1)/(4 pi) (l-m)!/(l+m)!) times the bound of |P_l^m|.
  if (am > 0) {
    const auto dl = static_cast<double>(ul);
    const double log_norm = 0.5 * (std::log((2 * dl + 1) * kInverseSqrtFourPi * kInverseSqrtFourPi) +
                                   detail::log_gamma_lanczos(dl - dm + 1) - detail::log_gamma_lanczos(dl + dm + 1));
    if (log_norm + log_legendre_bound(ul, am, std::log(sine / 2)) < kLogZeroBound) return 0.0 * azimuth;
  }
  ScaledProduct start;
  start.mantissa = kInverseSqrtFourPi;
  for (std::uint64_t i = 1; i <= am; ++i) {
    const auto di = static_cast<double>(i);
    start.times(-std::sqrt((2 * di - 1) / (2 * di)) * sine);
  }
  start.mantissa *= std::sqrt(2 * dm + 1);
  if (ul == am) {
    return std::scalbn(start.mantissa, static_cast<int>(std::clamp<std::int64_t>(start.exponent, -4000, 4000))) * azimuth;
  }
  const double first_factor = std::sqrt(2 * dm + 3);
  double previous_inverse = 1 / first_factor;
  detail::ScaledPair pair{start.mantissa, x * first_factor * start.mantissa};
  pair.exponent = start.exponent;
  for (std::uint64_t k = am + 2; k <= ul; ++k) {
    // factor = sqrt(A / B) and its inverse from one square root and one division, and only a product
    // and a difference on the chain of dependent steps.
    const auto dk = static_cast<double>(k);
    const double a_part = 4 * dk * dk - 1;
    const double b_part = dk * dk - dm * dm;
    const double t = 1 / std::sqrt(a_part * b_part);
    const double factor = a_part * t;
    pair.step(factor * x * pair.current - factor * previous_inverse * pair.previous);
    previous_inverse = b_part * t;
  }
  return pair.value() * azimuth;
}

}  // namespace norvi::symbolic
