// The Riemann zeta function and its derivatives.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <optional>
#include <vector>

#include "norvi/symbolic/special_functions.hpp"
#include "special_functions_internal.hpp"

namespace norvi::symbolic {
namespace {

using detail::kPi;

constexpr double kLogTwoPi = 1.8378770664093453;
// Highest orders kept to 1e-9: right of s = -0.5 up to the last finite factorial (the Taylor
// coefficients times n!); left of it the four factors of the functional equation cancel in their
// product and lose a digit an order from about the twelfth on.
constexpr std::int32_t kMaxZetaDerivOrder = 170;
constexpr std::int32_t kMaxReflectedZetaDerivOrder = 11;

double factorial(std::uint64_t n) {
  double f = 1.0;
  for (std::uint64_t i = 2; i <= n; ++i) f *= static_cast<double>(i);
  return f;
}

// Truncated Taylor series in t (coefficients of t^0..t^n) and their product.
using Series = std::vector<double>;
Series multiply(const Series& a, const Series& b) {
  Series out(a.size(), 0.0);
  for (std::size_t i = 0; i < a.size(); ++i) {
    for (std::size_t j = 0; i + j < out.size() && j < b.size(); ++j) out[i + j] += a[i] * b[j];
  }
  return out;
}
// e^(c t): c^k / k!.
Series exponential(double c, std::size_t size) {
  Series out(size);
  double term = 1.0;
  for (std::size_t k = 0; k < size; ++k) {
    out[k] = term;
    term *= c / static_cast<double>(k + 1);
  }
  return out;
}

// Taylor coefficients of zeta(s + t) up to t^n by Euler-Maclaurin from N = 40 on, each piece
// differentiated exactly: sum_(k<N) k^-(s+t) + N^(1-s-t)/(s+t-1) + N^-(s+t)/2
// + sum_j B_2j/(2j)! (s+t)(s+t+1)...(s+t+2j-2) N^(-s-t-2j+1). Accurate for s >= -0.5 away from the pole.
Series zeta_taylor(double s, std::size_t size) {
  constexpr int kTerms = 40;
  Series out(size, 0.0);
  out[0] = 1.0;  // k = 1
  for (int k = 2; k < kTerms; ++k) {
    const double log_k = std::log(static_cast<double>(k));
    const Series e = exponential(-log_k, size);
    const double base = std::pow(static_cast<double>(k), -s);
    for (std::size_t i = 0; i < size; ++i) out[i] += base * e[i];
  }
  // Beyond this the terms from N on are below rounding beside 2^-s.
  if (s > 60) return out;
  const double log_n = std::log(static_cast<double>(kTerms));
  const Series e = exponential(-log_n, size);
  const double n_power = std::pow(static_cast<double>(kTerms), -s);
  // The pole term: N^(1-s) e^(-t ln N) / (s - 1 + t), with 1/(u + t) = sum (-t)^k / u^(k+1).
  const double u = s - 1;
  Series pole(size);
  double inverse = 1 / u;
  for (std::size_t k = 0; k < size; ++k) {
    pole[k] = inverse;
    inverse *= -1 / u;
  }
  const Series pole_term = multiply(e, pole);
  for (std::size_t i = 0; i < size; ++i) out[i] += kTerms * n_power * pole_term[i] + 0.5 * n_power * e[i];
  // The Bernoulli terms: term j carries the rising product (s+t)(s+t+1)...(s+t+2j-2), kept as a
  // polynomial in t, which gains the factors (s+t+2j-1) and (s+t+2j) on the way to term j + 1.
  Series rising(size, 0.0);
  rising[0] = 1.0;
  auto multiply_in = [&](double offset) {
    for (std::size_t k = size - 1; k > 0; --k) rising[k] = rising[k] * (s + offset) + rising[k - 1];
    rising[0] *= s + offset;
  };
  multiply_in(0);
  double n_scale = n_power / kTerms;  // N^(-s-2j+1)
  for (std::size_t j = 0; j < detail::kBernoulliOverFactorial.size(); ++j) {
    const Series term = multiply(e, rising);
    for (std::size_t i = 0; i < size; ++i) out[i] += detail::kBernoulliOverFactorial[j] * n_scale * term[i];
    multiply_in(2.0 * static_cast<double>(j) + 1);
    multiply_in(2.0 * static_cast<double>(j) + 2);
    n_scale /= static_cast<double>(kTerms) * kTerms;
  }
  return out;
}

// The functional equation zeta(s) = 2^s pi^(s-1) sin(pi s / 2) Gamma(1 - s) zeta(1 - s) for s < 0,
// in the Taylor form: each factor's series, the product of the four, and the large scale
// (2 pi)^s Gamma(1 - s) / pi applied at the end through its logarithm.
Series zeta_reflected_taylor(double s, std::size_t size) {
  const double y = 1 - s;
  // sin(pi (s + t) / 2): derivatives cycle through sin, cos, -sin, -cos.
  const double sine = detail::sin_pi(s / 2);
  const double cosine = detail::cos_pi(s / 2);
  Series sin_part(size);
  double scale = 1.0;
  for (std::size_t k = 0; k < size; ++k) {
    const double cycle[] = {sine, cosine, -sine, -cosine};
    sin_part[k] = scale * cycle[k % 4];
    scale *= (kPi / 2) / static_cast<double>(k + 1);
  }
  // Gamma(y - t) / Gamma(y) = exp(sum_(k>=1) psi^(k-1)(y) (-t)^k / k!).
  Series exponent(size, 0.0);
  double sign_over_factorial = -1.0;
  for (std::size_t k = 1; k < size; ++k) {
    const double derivative =
        k == 1 ? *digamma_f64(y) : detail::polygamma_positive(static_cast<std::uint64_t>(k - 1), y);
    exponent[k] = sign_over_factorial * derivative;
    sign_over_factorial *= -1.0 / static_cast<double>(k + 1);
  }
  Series gamma_part(size, 0.0);
  gamma_part[0] = 1.0;
  for (std::size_t m = 1; m < size; ++m) {
    double total = 0.0;
    for (std::size_t k = 1; k <= m; ++k) total += static_cast<double>(k) * exponent[k] * gamma_part[m - k];
    gamma_part[m] = total / static_cast<double>(m);
  }
  // zeta(y - t): the series at y with odd coefficients negated.
  Series zeta_part = zeta_taylor(y, size);
  for (std::size_t k = 1; k < size; k += 2) zeta_part[k] = -zeta_part[k];
  Series product = multiply(multiply(multiply(exponential(kLogTwoPi, size), sin_part), gamma_part), zeta_part);
  // Applied in two halves: the scale alone may overflow where the coefficients times it do not.
  const double half_scale = std::exp((s * kLogTwoPi - detail::kLogPi + detail::log_gamma_lanczos(y)) / 2);
  for (double& c : product) c = c * half_scale * half_scale;
  return product;
}

std::optional<double> zeta_functional_equation(double s) {
  // zeta(s) = 2^s pi^(s-1) sin(pi s / 2) Gamma(1 - s) zeta(1 - s), through logarithms where
  // Gamma(1 - s) alone would overflow.
  const auto z = zeta_f64(1 - s);
  if (!z) return std::nullopt;
  const double sine = detail::sin_pi(s / 2);
  if (sine == 0) return 0.0;
  const auto g = gamma_f64(1 - s);
  if (g && std::isfinite(*g)) return std::pow(2.0, s) * std::pow(kPi, s - 1) * sine * *g * *z;
  const double log_abs = s * kLogTwoPi - detail::kLogPi + std::log(std::fabs(sine)) + detail::log_gamma_lanczos(1 - s) +
                         std::log(std::fabs(*z));
  return std::copysign(1.0, sine * *z) * std::exp(log_abs);
}

}  // namespace

std::optional<double> zeta_f64(double s) {
  if (std::fabs(s - 1) < 1e-10) return std::nullopt;
  if (s < 0) return zeta_functional_equation(s);
  if (s > 1 && s <= 1.5) {
    detail::KahanSum sum;
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
  detail::KahanSum sum;
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
  if (std::isnan(s)) return detail::kNaN;
  if (n > kMaxZetaDerivOrder || (s < -0.5 && n > kMaxReflectedZetaDerivOrder)) return std::nullopt;
  // Beyond this Gamma(1 - s) and the derivatives leave the double range.
  if (s < -170) return std::nullopt;
  const auto size = static_cast<std::size_t>(n) + 1;
  // Near and right of the critical strip the sum converges well; left of it its terms k^-s grow and
  // cancel, so the functional equation carries the value over from 1 - s.
  const Series series = s >= -0.5 ? zeta_taylor(s, size) : zeta_reflected_taylor(s, size);
  return series[static_cast<std::size_t>(n)] * factorial(static_cast<std::uint64_t>(n));
}

}  // namespace norvi::symbolic
