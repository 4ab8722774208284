#pragma once
// Conversions between Python objects and the C++ values of the binding. The extract_* functions are
// the argument conversions handed to Arguments::convert; each raises the exception the caller sees.

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "py_ref.hpp"

namespace norvi::binding {

// A `str` or a subclass, as UTF-8; otherwise TypeError "'{}' object is not an instance of 'str'".
PyResult<std::string> extract_text(PyObject* object);

// A `bool`, or a numpy boolean; anything else (an int such as 1 too) is a TypeError naming 'bool'.
PyResult<bool> extract_flag(PyObject* object);

// An int or an object with __index__, as unsigned 64 bits: negative or too large is an OverflowError,
// a float a TypeError (both from the interpreter).
PyResult<std::uint64_t> extract_u64(PyObject* object);

// The interpreter's float conversion (float, int, or anything with __float__ or __index__).
PyResult<double> extract_f64(PyObject* object);

// A sequence (list, tuple, ...) of str, in iteration order. A str itself, a set, a mapping or an
// iterator is refused.
PyResult<std::vector<std::string>> extract_text_list(PyObject* object);

// A span of time from float seconds, rounded to the nearest nanosecond (ties to even).
struct Duration {
  std::uint64_t seconds = 0;
  std::uint32_t nanoseconds = 0;  // below 10^9

  bool operator==(const Duration&) const = default;
  // The same span, or the largest std::chrono::nanoseconds (about 292 years) when it is longer.
  std::chrono::nanoseconds saturated() const;
};

// Negative: InternalFault "cannot convert float seconds to Duration: value is negative"; NaN or 2^64
// seconds or more: InternalFault "cannot convert float seconds to Duration: value is either too big or NaN".
// -0.0 is zero.
PyResult<Duration> duration_from_seconds(double seconds);

// New Python objects (make_text, in py_ref.hpp, makes a str).
PyRef make_flag(bool value) noexcept;
PyRef make_u64(std::uint64_t value) noexcept;

}  // namespace norvi::binding
