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

}  // namespace

std::optional<double> hermite_f64(std::int32_t n, double y) {
  if (n < 0) return std::nullopt;
  if (n == 0) return 1.0;
  if (std::isnan(y)) return y;
  if (std::isinf(y)) return (n % 2 == 1 && y < 0) ? -detail::kInf : detail::kInf;
  // A degree this high would take too many steps of the recurrence.
  if (static_cast<std::uint64_t>(n) > detail::kMaxRecurrenceSteps) return std::nullopt;
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
  const double root = std::sqrt(1 - x * x);
  ScaledProduct pmm;
  for (std::uint64_t i = 1; i <= am; ++i) pmm.times(-root * static_cast<double>(2 * i - 1));
  if (ul == am) return std::scalbn(pmm.mantissa, static_cast<int>(std::clamp<std::int64_t>(pmm.exponent, -4000, 4000)));
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
  ScaledProduct start;
  start.mantissa = kInverseSqrtFourPi;
  for (std::uint64_t i = 1; i <= am; ++i) {
    const auto di = static_cast<double>(i);
    start.times(-std::sqrt((2 * di - 1) / (2 * di)) * sine);
  }
  const auto dm = static_cast<double>(am);
  start.mantissa *= std::sqrt(2 * dm + 1);
  const double azimuth = std::cos(static_cast<double>(m) * phi);
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
