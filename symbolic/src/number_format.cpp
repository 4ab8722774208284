#include "norvi/symbolic/number_format.hpp"

#include <charconv>
#include <cmath>

namespace norvi::symbolic {

ShortestDigits shortest_digits(double value) {
  ShortestDigits out;
  out.negative = std::signbit(value);
  // The scientific form of to_chars holds exactly the shortest round-trip digits: "-1.2345e-07".
  char buf[64];
  const auto written = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific);
  const char* p = buf;
  for (; p != written.ptr && *p != 'e'; ++p) {
    if (*p != '.') out.digits += *p;
  }
  if (p != written.ptr) {
    ++p;
    if (*p == '+') ++p;
    std::from_chars(p, written.ptr, out.exponent);
  }
  return out;
}

namespace {

// Digits laid out with the point after `point` of them (negative or zero: zeros after "0.").
std::string positional(const ShortestDigits& d, int point, bool with_point) {
  std::string out = d.negative ? "-" : "";
  const int n = static_cast<int>(d.digits.size());
  if (point <= 0) {
    out += "0.";
    out.append(static_cast<std::size_t>(-point), '0');
    out += d.digits;
  } else if (point >= n) {
    out += d.digits;
    out.append(static_cast<std::size_t>(point - n), '0');
    if (with_point) out += ".0";
  } else {
    out.append(d.digits, 0, static_cast<std::size_t>(point));
    out += '.';
    out.append(d.digits, static_cast<std::size_t>(point));
  }
  return out;
}

}  // namespace

std::string format_positional(double value, IntegralForm form) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
  const ShortestDigits d = shortest_digits(value);
  return positional(d, d.exponent + 1, form == IntegralForm::with_point);
}

namespace {

// d.ddde<exponent>, the mantissa without a point when it has one digit.
std::string scientific(const ShortestDigits& d) {
  const int n = static_cast<int>(d.digits.size());
  std::string out = d.negative ? "-" : "";
  out += d.digits[0];
  if (n > 1) {
    out += '.';
    out.append(d.digits, 1);
  }
  out += 'e';
  out += std::to_string(d.exponent);
  return out;
}

}  // namespace

std::string format_diagnostic(double value) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
  const ShortestDigits d = shortest_digits(value);
  const bool zero = value == 0.0;
  if (!zero && (d.exponent < -4 || d.exponent >= 16)) return scientific(d);
  return positional(d, d.exponent + 1, true);
}

std::string format_json_number(double value) {
  const ShortestDigits d = shortest_digits(value);
  const int point = d.exponent + 1;  // 10^(point-1) <= |value| < 10^point
  if (point > -5 && point <= 16) return positional(d, point, true);
  return scientific(d);
}

}  // namespace norvi::symbolic
