#pragma once
// Numeric kernels of the known functions. None means the function has no value at the argument;
// otherwise the arithmetic's NaN or infinity stands. Every call finishes within milliseconds: where a
// recurrence would need more than a million steps to reach the order asked for, and its result is not
// provably fixed (overflowed or underflowed for good), the kernel gives no value.
#include <cstdint>
#include <optional>

namespace norvi::symbolic {

// Rounded half away from zero, saturated to 32 bits; NaN gives 0.
std::int32_t round_to_i32(double v);
// x^n by repeated squaring; n = 0 gives 1.
double powi(double x, std::uint64_t n);

// The series near 0, the C library's functions beyond.
double erf_f64(double x);
double erfc_f64(double x);
std::optional<double> gamma_f64(double x);
std::optional<double> beta_f64(double a, double b);
std::optional<double> digamma_f64(double x);
std::optional<double> trigamma_f64(double x);
std::optional<double> tetragamma_f64(double x);
std::optional<double> polygamma_f64(std::int32_t n, double x);
std::optional<double> zeta_f64(double s);
std::optional<double> zeta_deriv_f64(std::int32_t n, double s);

double bessel_j0_f64(double x);
double bessel_j1_f64(double x);
double bessel_y0_f64(double x);
double bessel_y1_f64(double x);
double bessel_i0_f64(double x);
double bessel_i1_f64(double x);
std::optional<double> bessel_j_f64(std::int32_t n, double x);
std::optional<double> bessel_y_f64(std::int32_t n, double x);
std::optional<double> bessel_i_f64(std::int32_t n, double x);
std::optional<double> bessel_k_f64(std::int32_t n, double x);

std::optional<double> lambert_w0_f64(double x);
double elliptic_k_f64(double k);
double elliptic_e_f64(double k);
std::optional<double> hermite_f64(std::int32_t n, double y);
std::optional<double> assoc_legendre_f64(std::int32_t l, std::int32_t m, double x);
std::optional<double> spherical_harmonic_re_f64(std::int32_t l, std::int32_t m, double theta, double phi);

}  // namespace norvi::symbolic
