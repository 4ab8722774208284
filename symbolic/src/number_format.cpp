#include "norvi/symbolic/number_format.hpp"

#include <charconv>
#include <cmath>

namespace norvi::symbolic {

namespace {

// The shortest round-trip digits held in place, so that laying them out allocates nothing but the
// text itself.
struct Digits {
  bool negative = false;
  char digits[24];  // at most 17 significant digits
  int count = 0;
  int exponent = 0;
};

Digits digits_of(double value) {
  Digits out;
  out.negative = std::signbit(value);
  // The scientific form of to_chars holds exactly the shortest round-trip digits: "-1.2345e-07".
  char buf[64];
  const auto written = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific);
  const char* p = buf;
  for (; p != written.ptr && *p != 'e'; ++p) {
    if (*p != '.') out.digits[out.count++] = *p;
  }
  if (p != written.ptr) {
    ++p;
    if (*p == '+') ++p;
    std::from_chars(p, written.ptr, out.exponent);
  }
  return out;
}

// Digits laid out with the point after `point` of them (negative or zero: zeros after "0.").
void append_laid_out(std::string& out, const Digits& d, int point, bool with_point) {
  if (d.negative) out += '-';
  const int n = d.count;
  if (point <= 0) {
    out += "0.";
    out.append(static_cast<std::size_t>(-point), '0');
    out.append(d.digits, static_cast<std::size_t>(n));
  } else if (point >= n) {
    out.append(d.digits, static_cast<std::size_t>(n));
    out.append(static_cast<std::size_t>(point - n), '0');
    if (with_point) out += ".0";
  } else {
    out.append(d.digits, static_cast<std::size_t>(point));
    out += '.';
    out.append(d.digits + point, static_cast<std::size_t>(n - point));
  }
}

std::string laid_out(const Digits& d, int point, bool with_point) {
  std::string out;
  append_laid_out(out, d, point, with_point);
  return out;
}

// d.ddde<exponent>, the mantissa without a point when it has one digit.
std::string scientific(const Digits& d) {
  std::string out = d.negative ? "-" : "";
  out += d.digits[0];
  if (d.count > 1) {
    out += '.';
    out.append(d.digits + 1, static_cast<std::size_t>(d.count - 1));
  }
  out += 'e';
  out += std::to_string(d.exponent);
  return out;
}

}  // namespace

ShortestDigits shortest_digits(double value) {
  const Digits d = digits_of(value);
  return {d.negative, std::string(d.digits, static_cast<std::size_t>(d.count)), d.exponent};
}

void append_positional(std::string& out, double value, IntegralForm form) {
  if (std::isnan(value)) {
    out += "NaN";
  } else if (std::isinf(value)) {
    out += value < 0 ? "-inf" : "inf";
  } else {
    const Digits d = digits_of(value);
    append_laid_out(out, d, d.exponent + 1, form == IntegralForm::with_point);
  }
}

std::string format_positional(double value, IntegralForm form) {
  std::string out;
  append_positional(out, value, form);
  return out;
}

std::string format_diagnostic(double value) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
  const Digits d = digits_of(value);
  const bool zero = value == 0.0;
  if (!zero && (d.exponent < -4 || d.exponent >= 16)) return scientific(d);
  return laid_out(d, d.exponent + 1, true);
}

std::string format_json_number(double value) {
  const Digits d = digits_of(value);
  const int point = d.exponent + 1;  // 10^(point-1) <= |value| < 10^point
  if (point > -5 && point <= 16) return laid_out(d, point, true);
  return scientific(d);
}

}  // namespace norvi::symbolic
