// Bessel functions J, Y, I and K of integer order.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <optional>

#include "norvi/symbolic/special_functions.hpp"
#include "special_functions_internal.hpp"

namespace norvi::symbolic {
namespace {

using detail::kScale;
using detail::kInvScale;
using detail::kMaxRecurrenceSteps;

constexpr double kTwoOverPi = 0.6366197723675814;

double sign_of_odd_order(std::int32_t n) { return n < 0 && (n % 2 != 0) ? -1.0 : 1.0; }

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

// e^-|x| I0(x) and e^-|x| I1(x): the exponential kept apart, so that orders near the overflow
// threshold can be scaled back without an infinite intermediate.
double bessel_i0_scaled(double x) {
  const double ax = std::fabs(x);
  if (ax < 3.75) {
    const double t = x / 3.75;
    return i0_small(t * t) * std::exp(-ax);
  }
  return i0_large_poly(3.75 / ax) / std::sqrt(ax);
}
double bessel_i1_scaled(double x) {
  const double ax = std::fabs(x);
  if (ax < 3.75) {
    const double t = x / 3.75;
    return x * i1_small_over_x(t * t) * std::exp(-ax);
  }
  const double value = i1_large_poly(3.75 / ax) / std::sqrt(ax);
  return x < 0 ? -value : value;
}
// v e^|x|, with the exponential in two halves so that v e^|x| overflows only when it must.
double unscale_exponential(double v, double x) {
  const double half = std::exp(std::fabs(x) / 2);
  return v * half * half;
}

// An upper bound of ln |J_n(x)| and ln I_n(x) for n >= 1: |x/2|^n / n! times e^(x^2 / (4 (n + 1)))
// (the latter factor only for I). Below kLogUnderflow the value is 0 in double precision.
double log_power_series_bound(std::uint64_t n, double x) {
  const auto dn = static_cast<double>(n);
  return dn * std::log(std::fabs(x) / 2) - detail::log_gamma_lanczos(dn + 1);
}

}  // namespace

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
  if (std::fabs(x) < 3.75) {
    const double t = x / 3.75;
    return i0_small(t * t);
  }
  return unscale_exponential(bessel_i0_scaled(x), x);
}

double bessel_i1_f64(double x) {
  if (std::fabs(x) < 3.75) {
    const double t = x / 3.75;
    return x * i1_small_over_x(t * t);
  }
  return unscale_exponential(bessel_i1_scaled(x), x);
}

std::optional<double> bessel_j_f64(std::int32_t n, double x) {
  if (std::fabs(x) < 1e-10) return n == 0 ? 1.0 : 0.0;
  if (std::isnan(x)) return x;
  const std::uint64_t an = detail::magnitude(n);
  if (an == 0) return bessel_j0_f64(x);
  if (an == 1) return sign_of_odd_order(n) * bessel_j1_f64(x);
  const double ax = std::fabs(x);
  const auto dn = static_cast<double>(an);
  // |J_n(x)| <= |x/2|^n / n!: below the smallest double the value is 0.
  if (dn > ax && log_power_series_bound(an, x) < detail::kLogUnderflow) return 0.0;
  double value = 0.0;
  if (dn <= ax) {
    // An order this far below a huge argument would take too many steps of the recurrence.
    if (an > kMaxRecurrenceSteps) return std::nullopt;
    double previous = bessel_j0_f64(x);
    double current = bessel_j1_f64(x);
    for (std::uint64_t k = 1; k < an; ++k) {
      const double next = (2.0 * static_cast<double>(k) / x) * current - previous;
      previous = current;
      current = next;
    }
    value = current;
  } else {
    // Miller's backward recurrence, normalised by J0 + 2 (J2 + J4 + ...) = 1.
    const std::uint64_t top = an + static_cast<std::uint64_t>(std::llround(std::sqrt(50.0 * dn))) + 15;
    if (top > kMaxRecurrenceSteps) return std::nullopt;  // too many steps to walk
    double above = 0.0;
    double current = 1e-30;
    double kept = 0.0;
    bool have_kept = false;
    std::int64_t scaled_since_kept = 0;
    detail::KahanSum even;
    if (top % 2 == 0) even.add(2 * current);
    for (std::uint64_t k = top; k >= 1; --k) {
      const double below = (2.0 * static_cast<double>(k) / x) * current - above;
      above = current;
      current = below;  // now j_(k-1)
      if (k - 1 == an) {
        kept = current;
        have_kept = true;
      }
      if (k - 1 != 0 && (k - 1) % 2 == 0) even.add(2 * current);
      if (std::fabs(current) > kScale) {
        current *= kInvScale;
        above *= kInvScale;
        even.sum *= kInvScale;
        even.carry *= kInvScale;
        if (have_kept) ++scaled_since_kept;
      }
    }
    even.add(current);  // j_0
    value = detail::apply_scale(kept / even.sum, -scaled_since_kept);
  }
  return sign_of_odd_order(n) * value;
}

std::optional<double> bessel_y_f64(std::int32_t n, double x) {
  if (!(x > 0)) return std::nullopt;
  const std::uint64_t an = detail::magnitude(n);
  if (an == 0) return bessel_y0_f64(x);
  double previous = bessel_y0_f64(x);
  double current = bessel_y1_f64(x);
  for (std::uint64_t k = 1; k < an; ++k) {
    // Y only overflows past order x, where |Y_k| grows with k and keeps its sign: an infinity is final.
    if (!std::isfinite(current)) break;
    // An order this far below a huge argument would take too many steps of the recurrence.
    if (k >= kMaxRecurrenceSteps) return std::nullopt;
    const double next = (2.0 * static_cast<double>(k) / x) * current - previous;
    previous = current;
    current = next;
  }
  return sign_of_odd_order(n) * current;
}

std::optional<double> bessel_i_f64(std::int32_t n, double x) {
  const std::uint64_t an = detail::magnitude(n);
  if (an == 0) return bessel_i0_f64(x);
  if (an == 1) return bessel_i1_f64(x);
  if (std::fabs(x) < 1e-10) return 0.0;
  if (std::isnan(x)) return x;
  const double ax = std::fabs(x);
  const auto dn = static_cast<double>(an);
  // I_n(x) <= |x/2|^n / n! e^(x^2 / (4 (n + 1))): below the smallest double the value is 0.
  if (log_power_series_bound(an, x) + x * x / (4 * (dn + 1)) < detail::kLogUnderflow) return 0.0;
  // Miller's backward recurrence from well above both the order and the argument: the start must
  // lie beyond the turning point near x for the ratio i_n / i_0 to settle.
  const double reach = std::max(dn, std::ceil(ax));
  const double start = reach + std::trunc(std::sqrt(40.0 * reach)) + 20;
  if (!(start <= static_cast<double>(kMaxRecurrenceSteps))) return std::nullopt;  // too many steps to walk
  const auto top = static_cast<std::uint64_t>(start);
  double above = 0.0;
  double current = 1e-30;
  double kept = 0.0;
  bool have_kept = false;
  std::int64_t scaled_since_kept = 0;
  for (std::uint64_t k = top; k >= 1; --k) {
    const double below = above + (2.0 * static_cast<double>(k) / x) * current;
    above = current;
    current = below;
    if (k - 1 == an) {
      kept = current;
      have_kept = true;
    }
    if (std::fabs(current) > kScale) {
      current *= kInvScale;
      above *= kInvScale;
      if (have_kept) ++scaled_since_kept;
    }
  }
  // I_n = (i_n / i_0) I0, with e^|x| and the rescalings applied together at the end.
  const double mantissa = kept / current * bessel_i0_scaled(x);
  if (mantissa == 0) return 0.0;
  const double half = std::exp((ax - static_cast<double>(scaled_since_kept) * detail::kLogScale) / 2);
  return mantissa * half * half;
}

std::optional<double> bessel_k_f64(std::int32_t n, double x) {
  if (!(x > 0)) return std::nullopt;
  if (std::isinf(x)) return 0.0;
  // e^x K0(x) and e^x K1(x).
  double k0 = 0.0;
  double k1 = 0.0;
  if (x <= 2.0) {
    const double y = x * x / 4.0;
    const double grow = std::exp(x);
    // ln x - ln 2 rather than ln(x/2), which is -inf for the smallest subnormal.
    const double log_half = std::log(x) - std::numbers::ln2;
    k0 = grow * (-log_half * bessel_i0_f64(x) +
                 (-0.57721566 + y * (0.42278420 + y * (0.23069756 + y * (0.3488590e-1 + y * (0.262698e-2 + y * (0.10750e-3 + y * 0.74e-5)))))));
    k1 = grow * (log_half * bessel_i1_f64(x) +
                 (1.0 / x) * (1.0 + y * (0.15443144 + y * (-0.67278579 + y * (-0.18156897 + y * (-0.1919402e-1 + y * (-0.110404e-2 + y * (-0.4686e-4))))))));
  } else {
    const double y = 2.0 / x;
    const double root = std::sqrt(x);
    k0 = (1.25331414 + y * (-0.7832358e-1 + y * (0.2189568e-1 + y * (-0.1062446e-1 + y * (0.587872e-2 + y * (-0.251540e-2 + y * 0.53208e-3)))))) / root;
    k1 = (1.25331414 + y * (0.23498619 + y * (-0.3655620e-1 + y * (0.1504268e-1 + y * (-0.780353e-2 + y * (0.325614e-2 + y * (-0.68245e-3))))))) / root;
  }
  const std::uint64_t an = detail::magnitude(n);
  // K_(k+1) <= (1 + 2k/x) max(K_k, K_(k-1)), so K_n <= K_1 e^(n^2/x): below the smallest double the
  // value is 0 (this also keeps the e^-x scaling below within range for arguments near the overflow).
  const auto dn = static_cast<double>(an);
  if (std::log(std::max(k0, k1)) + dn * (dn / x) - x < detail::kLogUnderflow - 1) return 0.0;
  detail::ScaledPair pair{k0, an == 0 ? k0 : k1};
  // One step grows the values by at most 1 + 2n/x; renormalising below 1e150 over that keeps every
  // product finite.
  pair.high = 1e150 / std::max(1.0, 2.0 * static_cast<double>(an) / x);
  pair.renormalise();
  // K_(k+1) = K_(k-1) + (2k/x) K_k: positive and growing with the order, so once the value is
  // beyond the double range it stays there (checked whenever the exponent moves).
  std::int64_t checked_exponent = 0;
  for (std::uint64_t k = 1; k < an; ++k) {
    if (pair.exponent != checked_exponent) {
      checked_exponent = pair.exponent;
      if (std::log(pair.current) + static_cast<double>(pair.exponent) * std::numbers::ln2 - x > detail::kLogOverflow) {
        return detail::kInf;
      }
    }
    // Finite at this order but still far from the requested one: too many steps to walk.
    if (k >= kMaxRecurrenceSteps) return std::nullopt;
    pair.step(pair.previous + (2.0 * static_cast<double>(k) / x) * pair.current);
    if (!std::isfinite(pair.current)) return detail::kInf;
  }
  // Times e^-x: 2^exponent e^-x = 2^(exponent - q) e^-(x - q ln 2).
  const double q = std::floor(x / std::numbers::ln2);
  const double rest = std::fma(-q, std::numbers::ln2, x);
  const double exponent = static_cast<double>(pair.exponent) - q;
  return std::scalbn(pair.current * std::exp(-rest), static_cast<int>(std::clamp(exponent, -4000.0, 4000.0)));
}

}  // namespace norvi::symbolic
