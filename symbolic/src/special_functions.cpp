#include "norvi/symbolic/special_functions.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace norvi::symbolic {
namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kTwoOverPi = 0.6366197723675814;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// Recurrences seeded with a tiny value can grow past the double range; their values are rescaled
// by this factor beyond it (the ratios they are used for do not change).
constexpr double kRescaleAbove = 1e250;
constexpr double kRescaleBy = 1e-250;
// Below this the upward recurrences of the polygamma series would take more than a million steps.
constexpr double kRecurrenceFloor = -1e6;

// sin(pi x) and cos(pi x) with the period taken off exactly first, so large |x| keep their fraction.
double sin_pi(double x) { return std::sin(kPi * std::fmod(x, 2.0)); }
double cos_pi(double x) { return std::cos(kPi * std::fmod(x, 2.0)); }

bool is_nonpositive_integer(double x) { return x <= 0 && x - std::trunc(x) == 0; }

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

double factorial(std::uint64_t n) {
  double f = 1.0;
  for (std::uint64_t i = 2; i <= n; ++i) f *= static_cast<double>(i);
  return f;
}

double sign_of_odd_order(std::int32_t n) { return n < 0 && (n % 2 != 0) ? -1.0 : 1.0; }

std::uint64_t magnitude(std::int32_t n) { return static_cast<std::uint64_t>(std::llabs(static_cast<long long>(n))); }

// Asymptotic polynomials shared by J0 and Y0, and by J1 and Y1 (z2 = (8/x)^2).
double p0(double y) { return 1.0 + y * (-0.1098628627e-2 + y * (0.2734510407e-4 + y * (-0.2073370639e-5 + y * 0.2093887211e-6))); }
double q0(double y) {
  return -0.1562499995e-1 + y * (0.1430488765e-3 + y * (-0.6911147651e-5 + y * (0.7621095161e-6 - y * 0.934935152e-7)));
}
double p1(double y) { return 1.0 + y * (0.183105e-2 + y * (-0.3516396496e-4 + y * (0.2457520174e-5 + y * (-0.240337019e-6)))); }
double q1(double y) {
  return 0.04687499995 + y * (-0.2002690873e-3 + y * (0.8449199096e-5 + y * (-0.88228987e-6 + y * 0.105787412e-6)));
}

// I0 and I1 by Abramowitz and Stegun 9.8.1 to 9.8.4.
double i0_small(double t2) {
  return 1.0 + t2 * (3.5156229 + t2 * (3.0899424 + t2 * (1.2067492 + t2 * (0.2659732 + t2 * (0.0360768 + t2 * 0.0045813)))));
}
double i0_large_poly(double u) {
  return 0.39894228 + u * (0.01328592 + u * (0.00225319 + u * (-0.00157565 + u * (0.00916281 + u * (-0.02057706 +
         u * (0.02635537 + u * (-0.01647633 + u * 0.00392377)))))));
}
double i1_small_over_x(double t2) {
  return 0.5 + t2 * (0.87890594 + t2 * (0.51498869 + t2 * (0.15084934 + t2 * (0.02658733 + t2 * (0.00301532 + t2 * 0.00032411)))));
}
double i1_large_poly(double u) {
  return 0.39894228 + u * (-0.03988024 + u * (-0.00362018 + u * (0.00163801 + u * (-0.01031555 + u * (0.02282967 +
         u * (-0.02895312 + u * (0.01787654 - u * 0.00420059)))))));
}

// C_(k+1) = (2k/x) C_k - C_(k-1) from orders 0 and 1 up to order n (n >= 1), for J and Y alike.
double forward_recurrence(double order0, double order1, std::uint64_t n, double x) {
  double previous = order0;
  double current = order1;
  for (std::uint64_t k = 1; k < n; ++k) {
    const double next = (2.0 * static_cast<double>(k) / x) * current - previous;
    previous = current;
    current = next;
  }
  return current;
}

std::optional<double> zeta_functional_factor(double t) {
  // Z(t) = 2^t pi^(t-1) sin(pi t / 2) Gamma(1 - t) zeta(1 - t).
  const auto g = gamma_f64(1 - t);
  const auto z = zeta_f64(1 - t);
  if (!g || !z) return std::nullopt;
  return std::pow(2.0, t) * std::pow(kPi, t - 1) * std::sin(kPi * t / 2) * *g * *z;
}

}  // namespace

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

double erf_series(double x) {
  if (std::isnan(x)) return kNaN;
  const double ax = std::fabs(x);
  KahanSum sum;
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

std::optional<double> gamma_f64(double x) {
  if ((x < 0 && std::fabs(x - std::trunc(x)) < 1e-10) || is_nonpositive_integer(x)) return std::nullopt;
  if (x < 0.5) {
    const auto reflected = gamma_f64(1 - x);
    if (!reflected) return std::nullopt;
    return kPi / (std::sin(kPi * x) * *reflected);
  }
  static constexpr std::array<double, 9> c = {0.9999999999998099,  676.5203681218851,     -1259.1392167224028,
                                              771.3234287776531,   -176.6150291621406,    12.507343278686905,
                                              -0.13857109526572012, 9.984369578019572e-6, 1.5056327351493116e-7};
  const double z = x - 1;
  const double t = z + 7.5;
  double sum = c[0];
  for (int i = 1; i <= 8; ++i) sum += c[i] / (z + i);
  return 2.5066282746310002 * std::pow(t, z + 0.5) * std::exp(-t) * sum;
}

std::optional<double> digamma_f64(double x) {
  if (is_nonpositive_integer(x)) return std::nullopt;
  if (x < 0.5) {
    const auto reflected = digamma_f64(1 - x);
    if (!reflected) return std::nullopt;
    return *reflected - kPi * std::cos(kPi * x) / std::sin(kPi * x);
  }
  double s = 0.0;
  while (x < 6) {
    s -= 1 / x;
    x += 1;
  }
  const double x2 = x * x;
  return s + std::log(x) - 1 / (2 * x) - 1 / (12 * x2) + 1 / (120 * x2 * x2) - 1 / (252 * x2 * x2 * x2);
}

std::optional<double> trigamma_f64(double x) {
  if (is_nonpositive_integer(x)) return std::nullopt;
  if (x < kRecurrenceFloor) {
    // Reflection: psi1(x) + psi1(1 - x) = pi^2 / sin^2(pi x), instead of a recurrence of ~|x| steps.
    const double s = sin_pi(x);
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
  if (is_nonpositive_integer(x)) return std::nullopt;
  if (x < kRecurrenceFloor) {
    // Reflection: psi2(x) = psi2(1 - x) - 2 pi^3 cos(pi x) / sin^3(pi x).
    const double s = sin_pi(x);
    return *tetragamma_f64(1 - x) - 2 * kPi * kPi * kPi * cos_pi(x) / (s * s * s);
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
  if (is_nonpositive_integer(x)) return std::nullopt;
  // No reflection formula is kept for higher orders; a recurrence of ~|x| steps is not run.
  if (x < kRecurrenceFloor) return std::nullopt;
  const auto un = static_cast<std::uint64_t>(n);
  const double f = factorial(un);
  const double sign_n_plus_1 = (un % 2 == 0) ? -1.0 : 1.0;
  double s = 0.0;
  while (x < 15) {
    s += sign_n_plus_1 * f / powi(x, un + 1);
    x += 1;
  }
  double a = factorial(un - 1) / powi(x, un) + f / (2 * powi(x, un + 1));
  static constexpr std::array<double, 5> bernoulli = {1.0 / 6, -1.0 / 30, 1.0 / 42, -1.0 / 30, 5.0 / 66};
  double previous = 0.0;
  for (std::uint64_t k = 1; k <= 5; ++k) {
    const double term = bernoulli[k - 1] * factorial(un + 2 * k - 1) / (factorial(2 * k) * powi(x, un + 2 * k));
    if (k == 1) {
      if (std::isfinite(term)) a += term;
    } else {
      if (std::fabs(term) > std::fabs(previous)) break;
      a += term;
    }
    previous = term;
  }
  return s - (un % 2 == 0 ? 1.0 : -1.0) * a;
}

std::optional<double> zeta_f64(double s) {
  if (std::fabs(s - 1) < 1e-10) return std::nullopt;
  if (s < 0) return zeta_functional_factor(s);
  if (s > 1 && s <= 1.5) {
    KahanSum sum;
    for (int k = 1; k <= 99; ++k) sum.add(std::pow(static_cast<double>(k), -s));
    const double tail = std::pow(100.0, 1 - s) / (s - 1) + 0.5 / std::pow(100.0, s) + s / (12 * std::pow(100.0, s + 1)) -
                        s * (s + 1) * (s + 2) / (720 * std::pow(100.0, s + 3));
    return sum.sum + tail;
  }
  const double alternating = 1 - std::pow(2.0, 1 - s);
  if (std::fabs(alternating) < 1e-15) return std::nullopt;
  // Borwein's method with n = 14.
  constexpr int n = 14;
  std::array<double, n + 1> d{};
  double partial = 0.0;
  for (int i = 0; i <= n; ++i) {
    partial += factorial(static_cast<std::uint64_t>(n + i - 1)) * powi(4.0, static_cast<std::uint64_t>(i)) /
               (factorial(static_cast<std::uint64_t>(n - i)) * factorial(static_cast<std::uint64_t>(2 * i)));
    d[i] = n * partial;
  }
  KahanSum sum;
  for (int k = 0; k < n; ++k) {
    const double sign = (k % 2 == 0) ? 1.0 : -1.0;
    sum.add(sign * (d[k] - d[n]) / std::pow(static_cast<double>(k + 1), s));
  }
  return -1 / (d[n] * alternating) * sum.sum;
}

std::optional<double> zeta_deriv_f64(std::int32_t n, double s) {
  if (n < 0) return std::nullopt;
  if (n == 0) return zeta_f64(s);
  if (std::fabs(s - 1) < 1e-10) return std::nullopt;
  const auto un = static_cast<std::uint64_t>(n);
  if (s > 1) {
    double sum = 0.0;
    for (int k = 1; k <= 200; ++k) {
      const double lk = std::log(static_cast<double>(k));
      double power = 1.0;
      if (un <= 5) {
        for (std::uint64_t i = 0; i < un; ++i) power *= lk;
      } else {
        power = std::pow(lk, static_cast<double>(un));
      }
      const double term = power / std::pow(static_cast<double>(k), s);
      sum += term;
      if (k > 50 && std::fabs(term) < 1e-12) break;
    }
    return (un % 2 == 0 ? 1.0 : -1.0) * sum;
  }
  if (s < 1) {
    // Finite differences of the functional equation's right side.
    constexpr double h = 1e-7;
    if (un == 1 || un == 2) {
      const auto up = zeta_functional_factor(s + h);
      const auto down = zeta_functional_factor(s - h);
      if (!up || !down) return std::nullopt;
      if (un == 1) return (*up - *down) / (2 * h);
      const auto mid = zeta_functional_factor(s);
      if (!mid) return std::nullopt;
      return (*up - 2 * *mid + *down) / (h * h);
    }
    // Beyond this order (2h)^n underflows and the quotient has no finite value.
    if (un > 64) return kNaN;
    // D(step): the nested central difference, sum_j (-1)^j C(n, j) Z(s + (n - 2j) step) / (2 step)^n.
    auto central = [&](double step) -> std::optional<double> {
      double total = 0.0;
      double binomial = 1.0;
      for (std::uint64_t j = 0; j <= un; ++j) {
        const auto z = zeta_functional_factor(s + (static_cast<double>(un) - 2.0 * static_cast<double>(j)) * step);
        if (!z) return std::nullopt;
        total += (j % 2 == 0 ? 1.0 : -1.0) * binomial * *z;
        binomial = binomial * static_cast<double>(un - j) / static_cast<double>(j + 1);
      }
      return total / powi(2 * step, un);
    };
    const auto fine = central(5e-8);
    const auto coarse = central(1e-7);
    if (!fine || !coarse) return std::nullopt;
    const double w = powi(4.0, un);
    return (w * *fine - *coarse) / (w - 1);
  }
  return kNaN;  // s is NaN
}

double bessel_j0_f64(double x) {
  const double ax = std::fabs(x);
  if (ax < 8.0) {
    const double y = x * x;
    const double num = 57568490574.0 + y * (-13362590354.0 + y * (651619640.7 + y * (-11214424.18 + y * (77392.33017 + y * (-184.9052456)))));
    const double den = 57568490411.0 + y * (1029532985.0 + y * (9494680.718 + y * (59272.64853 + y * (267.8532712 + y * 1.0))));
    return num / den;
  }
  const double z = 8.0 / ax;
  const double y = z * z;
  const double phase = ax - 0.785398164;
  return std::sqrt(kTwoOverPi / ax) * (std::cos(phase) * p0(y) - z * std::sin(phase) * q0(y));
}

double bessel_j1_f64(double x) {
  const double ax = std::fabs(x);
  if (ax < 8.0) {
    const double y = x * x;
    const double num = x * (72362614232.0 + y * (-7895059235.0 + y * (242396853.1 + y * (-2972611.439 + y * (15704.48260 + y * (-30.16036606))))));
    const double den = 144725228442.0 + y * (2300535178.0 + y * (18583304.74 + y * (99447.43394 + y * (376.9991397 + y * 1.0))));
    return num / den;
  }
  const double z = 8.0 / ax;
  const double y = z * z;
  const double phase = ax - 2.356194491;
  const double value = std::sqrt(kTwoOverPi / ax) * (std::cos(phase) * p1(y) - z * std::sin(phase) * q1(y));
  return x < 0 ? -value : value;
}

double bessel_y0_f64(double x) {
  if (x < 8.0) {
    const double y = x * x;
    const double num = -2957821389.0 + y * (7062834065.0 + y * (-512359803.6 + y * (10879881.29 + y * (-86327.92757 + y * 228.4622733))));
    const double den = 40076544269.0 + y * (745249964.8 + y * (7189466.438 + y * (47447.2647 + y * (226.1030244 + y * 1.0))));
    return num / den + kTwoOverPi * bessel_j0_f64(x) * std::log(x);
  }
  const double z = 8.0 / x;
  const double y = z * z;
  const double phase = x - 0.785398164;
  return std::sqrt(kTwoOverPi / x) * (std::sin(phase) * p0(y) + z * std::cos(phase) * q0(y));
}

double bessel_y1_f64(double x) {
  if (x < 8.0) {
    const double y = x * x;
    const double num = x * (-0.4900604943e13 + y * (0.1275274390e13 + y * (-0.5153438139e11 + y * (0.7349264551e9 + y * (-0.4237922726e7 + y * 0.8511937935e4)))));
    const double den = 0.2499580570e14 + y * (0.4244419664e12 + y * (0.3733650367e10 + y * (0.2245904002e8 + y * (0.1020426050e6 + y * (0.3549632885e3 + y)))));
    return num / den + kTwoOverPi * (bessel_j1_f64(x) * std::log(x) - 1 / x);
  }
  const double z = 8.0 / x;
  const double y = z * z;
  const double phase = x - 2.356194491;
  return std::sqrt(kTwoOverPi / x) * (std::sin(phase) * p1(y) + z * std::cos(phase) * q1(y));
}

double bessel_i0_f64(double x) {
  const double ax = std::fabs(x);
  if (ax < 3.75) {
    const double t = x / 3.75;
    return i0_small(t * t);
  }
  return std::exp(ax) / std::sqrt(ax) * i0_large_poly(3.75 / ax);
}

double bessel_i1_f64(double x) {
  const double ax = std::fabs(x);
  if (ax < 3.75) {
    const double t = x / 3.75;
    return x * i1_small_over_x(t * t);
  }
  const double value = std::exp(ax) / std::sqrt(ax) * i1_large_poly(3.75 / ax);
  return x < 0 ? -value : value;
}

double bessel_j_f64(std::int32_t n, double x) {
  if (std::fabs(x) < 1e-10) return n == 0 ? 1.0 : 0.0;
  const std::uint64_t an = magnitude(n);
  double value = 0.0;
  if (an == 0) {
    value = bessel_j0_f64(x);
  } else if (an == 1) {
    value = bessel_j1_f64(x);
  } else if (static_cast<double>(an) <= std::fabs(x)) {
    value = forward_recurrence(bessel_j0_f64(x), bessel_j1_f64(x), an, x);
  } else {
    // Miller's backward recurrence, normalised by J0 + 2 (J2 + J4 + ...) = 1.
    const std::uint64_t top = an + static_cast<std::uint64_t>(std::llround(std::sqrt(50.0 * static_cast<double>(an)))) + 15;
    double above = 0.0;
    double current = 1e-30;
    double kept = 0.0;
    KahanSum even;
    if (top % 2 == 0) even.add(2 * current);
    for (std::uint64_t k = top; k >= 1; --k) {
      const double below = (2.0 * static_cast<double>(k) / x) * current - above;
      above = current;
      current = below;  // now j_(k-1)
      if (k - 1 == an) kept = current;
      if (k - 1 != 0 && (k - 1) % 2 == 0) even.add(2 * current);
      if (std::fabs(current) > kRescaleAbove) {
        current *= kRescaleBy;
        above *= kRescaleBy;
        kept *= kRescaleBy;
        even.sum *= kRescaleBy;
        even.carry *= kRescaleBy;
      }
    }
    even.add(current);  // j_0
    value = kept / even.sum;
  }
  return sign_of_odd_order(n) * value;
}

std::optional<double> bessel_y_f64(std::int32_t n, double x) {
  if (!(x > 0)) return std::nullopt;
  const std::uint64_t an = magnitude(n);
  double value = 0.0;
  if (an == 0) {
    value = bessel_y0_f64(x);
  } else {
    value = forward_recurrence(bessel_y0_f64(x), bessel_y1_f64(x), an, x);
  }
  return sign_of_odd_order(n) * value;
}

double bessel_i_f64(std::int32_t n, double x) {
  const std::uint64_t an = magnitude(n);
  if (an == 0) return bessel_i0_f64(x);
  if (an == 1) return bessel_i1_f64(x);
  if (std::fabs(x) < 1e-10) return 0.0;
  const auto dn = static_cast<double>(an);
  const std::uint64_t top = std::max(an + static_cast<std::uint64_t>(std::trunc(std::sqrt(40.0 * dn))) + 10, an + 20);
  double above = 0.0;
  double current = 1e-30;
  double kept = 0.0;
  for (std::uint64_t k = top; k >= 1; --k) {
    const double below = above + (2.0 * static_cast<double>(k) / x) * current;
    above = current;
    current = below;
    if (k - 1 == an) kept = current;
    if (std::fabs(current) > kRescaleAbove) {
      current *= kRescaleBy;
      above *= kRescaleBy;
      kept *= kRescaleBy;
    }
  }
  return kept * bessel_i0_f64(x) / current;
}

std::optional<double> bessel_k_f64(std::int32_t n, double x) {
  if (!(x > 0)) return std::nullopt;
  double k0 = 0.0;
  double k1 = 0.0;
  if (x <= 2.0) {
    const double y = x * x / 4.0;
    k0 = -std::log(x / 2.0) * bessel_i0_f64(x) +
         (-0.57721566 + y * (0.42278420 + y * (0.23069756 + y * (0.3488590e-1 + y * (0.262698e-2 + y * (0.10750e-3 + y * 0.74e-5))))));
    k1 = std::log(x / 2.0) * bessel_i1_f64(x) +
         (1.0 / x) * (1.0 + y * (0.15443144 + y * (-0.67278579 + y * (-0.18156897 + y * (-0.1919402e-1 + y * (-0.110404e-2 + y * (-0.4686e-4)))))));
  } else {
    const double y = 2.0 / x;
    const double scale = std::exp(-x) / std::sqrt(x);
    k0 = scale * (1.25331414 + y * (-0.7832358e-1 + y * (0.2189568e-1 + y * (-0.1062446e-1 + y * (0.587872e-2 + y * (-0.251540e-2 + y * 0.53208e-3))))));
    k1 = scale * (1.25331414 + y * (0.23498619 + y * (-0.3655620e-1 + y * (0.1504268e-1 + y * (-0.780353e-2 + y * (0.325614e-2 + y * (-0.68245e-3)))))));
  }
  const std::uint64_t an = magnitude(n);
  if (an == 0) return k0;
  double previous = k0;
  double current = k1;
  for (std::uint64_t k = 1; k < an; ++k) {
    const double next = previous + (2.0 * static_cast<double>(k) / x) * current;
    previous = current;
    current = next;
  }
  return current;
}

std::optional<double> lambert_w0_f64(double x) {
  constexpr double kMinusInvE = -0.36787944117144233;
  constexpr double kE = 2.718281828459045;
  if (x < kMinusInvE) return std::nullopt;
  if (x == 0) return 0.0;
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
    const double ew = std::exp(w);
    const double f = w * ew - x;
    const double d = ew * (w + 1);
    const double step = d * f / (d * d - 0.5 * ew * (w + 2) * f);
    w -= step;
    if (std::fabs(step) < 1e-15 * (1 + std::fabs(w))) break;
  }
  return w;
}

double elliptic_k_f64(double k) {
  if (std::fabs(k) >= 1) return std::numeric_limits<double>::infinity();
  double a = 1.0;
  double g = std::sqrt(1 - k * k);
  for (int i = 0; i < 25 && !(std::fabs(a - g) < 1e-15); ++i) {
    const double next_a = (a + g) / 2;
    g = std::sqrt(a * g);
    a = next_a;
  }
  return kPi / (2 * a);
}

double elliptic_e_f64(double k) {
  if (std::fabs(k) > 1) return kNaN;
  double a = 1.0;
  double g = std::sqrt(1 - k * k);
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

std::optional<double> hermite_f64(std::int32_t n, double y) {
  if (n < 0) return std::nullopt;
  if (n == 0) return 1.0;
  double previous = 1.0;
  double current = 2 * y;
  for (std::int32_t k = 1; k < n; ++k) {
    const double next = 2 * y * current - 2.0 * k * previous;
    previous = current;
    current = next;
  }
  return current;
}

std::optional<double> assoc_legendre_f64(std::int32_t l, std::int32_t m, double x) {
  const std::uint64_t am = magnitude(m);
  if (l < 0 || am > static_cast<std::uint64_t>(l) || std::fabs(x) > 1) return std::nullopt;
  const auto ul = static_cast<std::uint64_t>(l);
  const double root = std::sqrt(1 - x * x);
  double pmm = 1.0;
  for (std::uint64_t i = 1; i <= am; ++i) pmm *= -root * static_cast<double>(2 * i - 1);
  if (ul == am) return pmm;
  double pmm1 = x * static_cast<double>(2 * am + 1) * pmm;
  for (std::uint64_t k = am + 2; k <= ul; ++k) {
    const double next = (x * static_cast<double>(2 * k - 1) * pmm1 - static_cast<double>(k + am - 1) * pmm) /
                        static_cast<double>(k - am);
    pmm = pmm1;
    pmm1 = next;
  }
  return pmm1;
}

std::optional<double> spherical_harmonic_re_f64(std::int32_t l, std::int32_t m, double theta, double phi) {
  const std::uint64_t am = magnitude(m);
  if (l < 0 || am > static_cast<std::uint64_t>(l)) return std::nullopt;
  const auto ul = static_cast<std::uint64_t>(l);
  // (l - |m|)! / (l + |m|)! as one product, so large orders do not overflow both factorials.
  double ratio = 1.0;
  for (std::uint64_t k = ul - am + 1; k <= ul + am; ++k) ratio /= static_cast<double>(k);
  const auto legendre = assoc_legendre_f64(l, m, std::cos(theta));
  if (!legendre) return std::nullopt;
  return std::sqrt(static_cast<double>(2 * ul + 1) / 12.566370614359172 * ratio) * *legendre *
         std::cos(static_cast<double>(m) * phi);
}

}  // namespace norvi::symbolic
