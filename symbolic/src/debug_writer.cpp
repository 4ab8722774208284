#include "norvi/symbolic/debug_writer.hpp"

#include <charconv>

#include "norvi/symbolic/number_format.hpp"

namespace norvi::symbolic {

namespace {

template <typename T>
std::string_view decimal(char (&buf)[48], T value) {
  // to_chars has no overload for 128-bit integers in every standard library; write them by hand.
  if constexpr (sizeof(T) == 16) {
    const bool negative = value < 0;
    UInt128 magnitude = negative ? -static_cast<UInt128>(value) : static_cast<UInt128>(value);
    char* end = buf + sizeof buf;
    char* p = end;
    do {
      *--p = static_cast<char>('0' + static_cast<int>(magnitude % 10));
      magnitude /= 10;
    } while (magnitude != 0);
    if (negative) *--p = '-';
    return {p, static_cast<std::size_t>(end - p)};
  } else {
    const auto r = std::to_chars(buf, buf + sizeof buf, value);
    return {buf, static_cast<std::size_t>(r.ptr - buf)};
  }
}

void append_code_point_escape(std::string& out, unsigned code_point) {
  char buf[8];
  out += "\\u{";
  out.append(buf, std::to_chars(buf, buf + sizeof buf, code_point, 16).ptr);
  out += '}';
}

}  // namespace

unsigned multibyte_line_breaker(std::string_view rest) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(rest[i]); };
  if (rest.size() >= 2 && byte(0) == 0xC2 && byte(1) >= 0x80 && byte(1) <= 0x9F) return byte(1);
  if (rest.size() >= 3 && byte(0) == 0xE2 && byte(1) == 0x80 && (byte(2) == 0xA8 || byte(2) == 0xA9)) {
    return 0x2000U + (byte(2) - 0x80U);
  }
  return 0;
}

bool holds_line_breaker(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x20 || byte == 0x7f) return true;
    if (byte >= 0xC2 && multibyte_line_breaker(text.substr(i)) != 0) return true;
  }
  return false;
}

void DebugWriter::indent(std::size_t levels) { out_.append(levels * 4, ' '); }

// Writes what comes before the next element of the innermost container: its opening bracket for the
// first element, the separator otherwise.
void DebugWriter::begin_value() {
  if (field_pending_) {
    field_pending_ = false;
    return;
  }
  if (frames_.empty()) return;
  Frame& top = frames_.back();
  const bool first = top.count++ == 0;
  if (first && top.shape == Shape::tuple) out_ += '(';
  if (alternate_) {
    out_ += first ? "\n" : ",\n";
    indent(frames_.size());
  } else if (!first) {
    out_ += ", ";
  }
}

void DebugWriter::open_record(std::string_view name) {
  begin_value();
  out_ += name;
  frames_.push({Shape::record});
}

void DebugWriter::open_tuple(std::string_view name) {
  begin_value();
  out_ += name;
  frames_.push({Shape::tuple});
}

void DebugWriter::open_pair() {
  begin_value();
  out_ += '(';
  frames_.push({Shape::pair});
}

void DebugWriter::open_list() {
  begin_value();
  out_ += '[';
  frames_.push({Shape::list});
}

void DebugWriter::open_set() {
  begin_value();
  out_ += '{';
  frames_.push({Shape::set});
}

void DebugWriter::field(std::string_view name) {
  Frame& top = frames_.back();
  const bool first = top.count++ == 0;
  if (alternate_) {
    out_ += first ? " {\n" : ",\n";
    indent(frames_.size());
  } else {
    out_ += first ? " { " : ", ";
  }
  out_ += name;
  out_ += ": ";
  field_pending_ = true;
}

void DebugWriter::close() {
  const Frame top = frames_.pop();
  if (top.count == 0) {
    // Empty: a record or named tuple is its bare name; brackets stand closed.
    switch (top.shape) {
      case Shape::record:
      case Shape::tuple: return;
      case Shape::pair: out_ += ')'; return;
      case Shape::list: out_ += ']'; return;
      case Shape::set: out_ += '}'; return;
    }
  }
  if (alternate_) {
    out_ += ",\n";
    indent(frames_.size());
  } else if (top.shape == Shape::record) {
    out_ += ' ';
  }
  switch (top.shape) {
    case Shape::record:
    case Shape::set: out_ += '}'; break;
    case Shape::tuple:
    case Shape::pair: out_ += ')'; break;
    case Shape::list: out_ += ']'; break;
  }
}

void DebugWriter::word(std::string_view text) {
  begin_value();
  out_ += text;
}

void DebugWriter::unsigned_value(std::uint64_t value) {
  char buf[48];
  word(decimal(buf, value));
}

void DebugWriter::signed_value(std::int64_t value) {
  char buf[48];
  word(decimal(buf, value));
}

void DebugWriter::unsigned128_value(UInt128 value) {
  char buf[48];
  word(decimal(buf, value));
}

void DebugWriter::signed128_value(Int128 value) {
  char buf[48];
  word(decimal(buf, value));
}

void DebugWriter::float_value(double value) { word(format_diagnostic(value)); }

void DebugWriter::bool_value(bool value) { word(value ? "true" : "false"); }

void DebugWriter::string_value(std::string_view text) {
  begin_value();
  append_quoted(out_, text);
}

void DebugWriter::append_quoted(std::string& out, std::string_view text) {
  out += '"';
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\t': out += "\\t"; break;
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      case '\0': out += "\\0"; break;
      default:
        if (byte < 0x20 || byte == 0x7f) {
          append_code_point_escape(out, byte);
        } else if (const unsigned cp = byte >= 0x80 ? multibyte_line_breaker(text.substr(i)) : 0; cp != 0) {
          // Control characters beyond ASCII and the line and paragraph separators would break or
          // garble the one line.
          append_code_point_escape(out, cp);
          i += cp < 0x800 ? 1 : 2;
        } else {
          out += c;  // other characters, multi-byte ones included, pass through
        }
    }
  }
  out += '"';
}

}  // namespace norvi::symbolic
