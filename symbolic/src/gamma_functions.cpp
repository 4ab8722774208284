// The gamma family: gamma, beta, digamma, trigamma, tetragamma and polygamma.
#include <array>
#include <cmath>
#include <cstdint>
#include <optional>

#include "norvi/symbolic/special_functions.hpp"
#include "special_functions_internal.hpp"

namespace norvi::symbolic {
namespace {

using detail::kInf;
using detail::kNaN;
using detail::kPi;

constexpr double kSqrtTwoPi = 2.5066282746310002;
constexpr double kHalfLogTwoPi = 0.9189385332046728;
// Gamma(x) overflows from 171.6243769563027 on.
constexpr double kGammaOverflow = 171.7;

// The Lanczos sum (g = 7, nine coefficients) at z = x - 1, and t = z + 7.5.
double lanczos_sum(double z) {
  static constexpr std::array<double, 9> c = {0.9999999999998099,  676.5203681218851,     -1259.1392167224028,
                                              771.3234287776531,   -176.6150291621406,    12.507343278686905,
                                              -0.13857109526572012, 9.984369578019572e-6, 1.5056327351493116e-7};
  double sum = c[0];
  for (int i = 1; i <= 8; ++i) sum += c[i] / (z + i);
  return sum;
}

// ln |Gamma(x)| and the sign of Gamma(x), for any x that is not a pole; the reflection for x < 0.5.
struct LogGamma {
  double log_abs;
  double sign;
};
LogGamma log_abs_gamma(double x) {
  if (x >= 0.5) return {detail::log_gamma_lanczos(x), 1.0};
  const double s = detail::sin_pi(x);
  return {detail::kLogPi - std::log(std::fabs(s)) - detail::log_gamma_lanczos(1 - x), s < 0 ? -1.0 : 1.0};
}

double exp_signed(double sign, double log_abs) { return sign * std::exp(log_abs); }

bool has_gamma_pole(double x) { return (x < 0 && std::fabs(x - std::trunc(x)) < 1e-10) || detail::is_nonpositive_integer(x); }

}  // namespace

namespace detail {

double log_gamma_lanczos(double x) {
  const double z = x - 1;
  const double t = z + 7.5;
  return kHalfLogTwoPi + (z + 0.5) * std::log(t) - t + std::log(lanczos_sum(z));
}

double polygamma_positive(std::uint64_t n, double x) {
  // psi^(n)(x) = (-1)^(n+1) n! zeta(n + 1, x), and zeta(s, x) = x^-s * S with
  // S = sum_k (x / (x + k))^s: summed directly until the rest is provably below rounding or x + k is
  // large enough for the Euler-Maclaurin tail to converge fast (x + k >= s + 20); both come within a
  // few dozen terms for any order, so huge orders cost no more than small ones.
  const double sign = (n % 2 == 1) ? 1.0 : -1.0;
  if (std::isinf(x)) return sign * 0.0;
  const double s = static_cast<double>(n) + 1;
  const double tail_from = std::max(s + 20, 20.0);
  double sum = 0.0;
  double k = 0;
  for (;; k += 1) {
    const double a = x + k;
    if (a >= tail_from) {
      // Euler-Maclaurin tail from a on, in units of x^-s.
      const double weight = std::exp(-s * std::log1p(k / x));
      double tail = a / (s - 1) + 0.5;
      double rising = s / a;  // (s)_(2j-1) / a^(2j-1)
      for (std::size_t j = 0; j < detail::kBernoulliOverFactorial.size(); ++j) {
        const double term = detail::kBernoulliOverFactorial[j] * rising;
        tail += term;
        if (std::fabs(term) < 1e-17 * tail) break;
        const double jj = 2.0 * static_cast<double>(j + 1);
        rising *= (s + jj - 1) * (s + jj) / (a * a);
      }
      sum += weight * tail;
      break;
    }
    const double term = k == 0 ? 1.0 : std::exp(-s * std::log1p(k / x));
    sum += term;
    // The rest is below the integral of the terms from here on: term * a / (s - 1).
    if (term * (1 + a / (s - 1)) < 1e-17 * sum) break;
  }
  // n! x^-s, directly while both factors are in range, through logarithms otherwise.
  if (n <= 170) {
    const double power = std::pow(x, -s);
    if (std::isnormal(power) || std::isinf(power)) return sign * std::tgamma(s) * power * sum;
  }
  return sign * std::exp(log_gamma_lanczos(s) - s * std::log(x) + std::log(sum));
}

}  // namespace detail

std::optional<double> gamma_f64(double x) {
  if (has_gamma_pole(x)) return std::nullopt;
  if (x < 0.5) {
    // Reflection: pi / (sin(pi x) Gamma(1 - x)); through logarithms once Gamma(1 - x) overflows.
    const double s = detail::sin_pi(x);
    const auto reflected = gamma_f64(1 - x);
    if (!reflected) return std::nullopt;
    if (std::isfinite(*reflected)) return kPi / (s * *reflected);
    const LogGamma lg = log_abs_gamma(x);
    return exp_signed(lg.sign, lg.log_abs);
  }
  if (x > kGammaOverflow) return kInf;
  // t^(z+0.5) is taken as two halves around e^-t, so no factor overflows below the true overflow.
  const double z = x - 1;
  const double t = z + 7.5;
  const double half_power = std::pow(t, (z + 0.5) / 2);
  return kSqrtTwoPi * lanczos_sum(z) * (half_power * std::exp(-t)) * half_power;
}

std::optional<double> beta_f64(double a, double b) {
  const auto ga = gamma_f64(a);
  const auto gb = gamma_f64(b);
  const auto gab = gamma_f64(a + b);
  if (!ga || !gb || !gab) return std::nullopt;
  const double direct = *ga * *gb / *gab;
  if (std::isfinite(*ga) && std::isfinite(*gb) && std::isfinite(*gab) && std::isnormal(direct)) return direct;
  // A factor or the product left the double range: the quotient through logarithms.
  const LogGamma la = log_abs_gamma(a);
  const LogGamma lb = log_abs_gamma(b);
  const LogGamma lab = log_abs_gamma(a + b);
  return exp_signed(la.sign * lb.sign * lab.sign, la.log_abs + lb.log_abs - lab.log_abs);
}

std::optional<double> digamma_f64(double x) {
  if (detail::is_nonpositive_integer(x)) return std::nullopt;
  if (x < 0.5) {
    const auto reflected = digamma_f64(1 - x);
    if (!reflected) return std::nullopt;
    return *reflected - kPi * detail::cos_pi(x) / detail::sin_pi(x);
  }
  double s = 0.0;
  while (x < 10) {
    s -= 1 / x;
    x += 1;
  }
  // The asymptotic series to the x^-14 term: below 1e-16 from x = 10 on.
  const double r = 1 / (x * x);
  const double series =
      r * (1.0 / 12 - r * (1.0 / 120 - r * (1.0 / 252 - r * (1.0 / 240 - r * (1.0 / 132 - r * (691.0 / 32760 - r / 12))))));
  return s + std::log(x) - 0.5 / x - series;
}

std::optional<double> trigamma_f64(double x) {
  if (detail::is_nonpositive_integer(x)) return std::nullopt;
  if (x < 0) {
    // Reflection: psi1(x) + psi1(1 - x) = pi^2 / sin^2(pi x).
    const double s = detail::sin_pi(x);
    return kPi * kPi / (s * s) - *trigamma_f64(1 - x);
  }
  double s = 0.0;
  while (x < 6) {
    s += 1 / (x * x);
    x += 1;
  }
  return s + 1 / x + 1 / (2 * powi(x, 2)) + 1 / (6 * powi(x, 3)) - 1 / (30 * powi(x, 5)) + 1 / (42 * powi(x, 7));
}

std::optional<double> tetragamma_f64(double x) {
  if (detail::is_nonpositive_integer(x)) return std::nullopt;
  if (x < 0) {
    // Reflection: psi2(x) = psi2(1 - x) - 2 pi^3 cos(pi x) / sin^3(pi x).
    const double s = detail::sin_pi(x);
    return *tetragamma_f64(1 - x) - 2 * kPi * kPi * kPi * detail::cos_pi(x) / (s * s * s);
  }
  double s = 0.0;
  while (x < 6) {
    s += -2 / powi(x, 3);
    x += 1;
  }
  return s - 1 / powi(x, 2) - 1 / powi(x, 3) - 1 / (2 * powi(x, 4)) + 1 / (6 * powi(x, 6));
}

std::optional<double> polygamma_f64(std::int32_t n, double x) {
  if (n < 0) return std::nullopt;
  if (n == 0) return digamma_f64(x);
  if (n == 1) return trigamma_f64(x);
  if (detail::is_nonpositive_integer(x)) return std::nullopt;
  // NaN, and -inf, where the reflection below has no nearest integer to step to (sin(pi x) has no
  // value there): NaN, as digamma and trigamma give.
  if (std::isnan(x) || x == -kInf) return kNaN;
  const auto un = static_cast<std::uint64_t>(n);
  if (x > 0) return detail::polygamma_positive(un, x);
  // x < 0: with m = ceil(-x), y = x + m in (0, 1) and b = 1 - y, the recurrence walked m times sums
  // to psi(x) = psi(y) - (-1)^n (psi(b) - psi(1 - x)), three evaluations at positive arguments
  // whatever |x| is.
  // b = -(x + m - 1) is exact (Sterbenz), where 1 - y would lose the digits of an x just left of 0.
  const double m = std::ceil(-x);
  const double y = x + m;
  const double b = -(x + (m - 1));
  const double even = (n % 2 == 0) ? 1.0 : -1.0;
  const double near = detail::polygamma_positive(un, y);
  const double mirrored = -even * detail::polygamma_positive(un, b);
  const double far = even * detail::polygamma_positive(un, 1 - x);
  if (std::isinf(near) && std::isinf(mirrored) && near != mirrored) {
    // Both overflowed with opposite signs: the term nearer its pole dominates; at a half-integer they
    // cancel exactly.
    if (y == b) return far;
    return y < b ? near : mirrored;
  }
  const double total = near + mirrored + far;
  // Infinities of opposite signs otherwise: |psi^(n)| falls with its argument, and 1 - x > 1 exceeds
  // both y and b, so the term at the smaller of those dominates.
  if (std::isnan(total)) return y <= b ? near : mirrored;
  return total;
}

}  // namespace norvi::symbolic
