#pragma once
// The structural diagnostic form shared by the engine's and the circuit model's types: records as
// `Name { field: value }`, variants with a payload as `Name(value)`, pairs as `(a, b)`, lists in
// brackets and sets in braces, compact or multi-line (each element on its own line, four spaces per
// level, a "," after every element).
//
// The writer is driven by events (open, field, value, close) and keeps its own stack of open
// containers, so a caller may walk a deep tree with an explicit work stack instead of recursion.
#include <cstdint>
#include <string>
#include <string_view>

#include "norvi/symbolic/work_stack.hpp"

namespace norvi::symbolic {

// 128-bit integers (the circuit model's wide values); __extension__ keeps -Wpedantic quiet.
__extension__ using Int128 = __int128;
__extension__ using UInt128 = unsigned __int128;

// Characters that would break or garble a one-line text: the control characters (U+0000 to U+001F,
// U+007F to U+009F) and the line and paragraph separators (U+2028, U+2029).
// The code point of the two- or three-byte UTF-8 sequence at the start of `rest` when it is one of
// them (U+0080 to U+009F, U+2028, U+2029), else 0.
unsigned multibyte_line_breaker(std::string_view rest);
// Whether `text` holds one of them, in one byte or several.
bool holds_line_breaker(std::string_view text);

class DebugWriter {
 public:
  DebugWriter(std::string& out, bool alternate) : out_(out), alternate_(alternate) {}

  // `Name { ... }`; with no field at all just `Name`.
  void open_record(std::string_view name);
  // `Name(...)`; with no element just `Name`.
  void open_tuple(std::string_view name);
  // `(a, b)`: a tuple without a name; `()` when empty.
  void open_pair();
  // `[...]`, `[]` when empty.
  void open_list();
  // `{...}`, `{}` when empty.
  void open_set();
  // Starts the next field of the innermost record; its value follows.
  void field(std::string_view name);
  // Ends the innermost container.
  void close();

  // One value each.
  void word(std::string_view text);  // written as it stands: None, a unit variant, a number text
  void unsigned_value(std::uint64_t value);
  void signed_value(std::int64_t value);
  void unsigned128_value(UInt128 value);
  void signed128_value(Int128 value);
  void float_value(double value);  // the diagnostic float form: 1.0, 1e-5, 1e16, NaN
  void bool_value(bool value);
  void string_value(std::string_view text);  // quoted, with escapes

  // Convenience for the common shapes.
  void none() { word("None"); }
  void open_some() { open_tuple("Some"); }

  // The text `value` as a quoted, escaped string, appended to `out`; every line breaker escaped.
  static void append_quoted(std::string& out, std::string_view text);

 private:
  enum class Shape : std::uint8_t { record, tuple, pair, list, set };
  struct Frame {
    Shape shape;
    std::uint32_t count = 0;
  };

  void begin_value();
  void indent(std::size_t levels);

  std::string& out_;
  bool alternate_;
  bool field_pending_ = false;
  // Open containers; a writer driven through a deep tree spills them to the heap.
  WorkStack<Frame, 32> frames_;
};

}  // namespace norvi::symbolic
