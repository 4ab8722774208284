#pragma once
// Text forms of 64-bit floats, all built from the shortest decimal digits that read back as the same
// double: the positional form of diagnostic texts ("1.5", "2.0", 1e23 as "100000000000000000000000")
// and the form floats take in written JSON ("2.0", "1e16", "1.5e-7").

#include <string>

namespace norvi::symbolic {

// The shortest round-trip digits of a finite double: |value| = d.ddd × 10^exponent, where d.ddd are
// `digits` with a point after the first one. Zero has the digits "0" and exponent 0.
struct ShortestDigits {
  bool negative = false;
  std::string digits;  // no leading or trailing zeros (except the single "0" of zero)
  int exponent = 0;
};

ShortestDigits shortest_digits(double value);

enum class IntegralForm {
  bare,        // 2 -> "2"
  with_point,  // 2 -> "2.0"
};

// The shortest digits laid out positionally, never with an exponent: 1.5, 0.0000001,
// 100000000000000000000000, -0 ("-0.0" with a point); NaN as "NaN", infinities as "inf" and "-inf".
std::string format_positional(double value, IntegralForm form = IntegralForm::bare);
// The same, appended to `out` (the expression printers write straight into their text).
void append_positional(std::string& out, double value, IntegralForm form = IntegralForm::bare);

// The diagnostic form of a float (in error texts and structural forms): the shortest digits with at
// least one digit after the point ("2.0", "-0.25"), and exponent form with a bare exponent when a
// non-zero magnitude is below 1e-4 or at least 1e16 ("1e-5", "1.5e16"); "NaN", "inf", "-inf".
std::string format_diagnostic(double value);

// The form of a float in JSON text: positional with ".0" while the point lies within 16 digits and the
// value is not below 1e-5, otherwise scientific with a bare exponent ("1e16", "1.5e-7", "-2.5e300").
// Not defined for NaN and infinities (JSON has no such numbers).
std::string format_json_number(double value);

}  // namespace norvi::symbolic
