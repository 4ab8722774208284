// Decoding JSON text: RapidJSON's SAX reader drives the decoder through the text cursor.

#include <charconv>
#include <cstring>
#include <system_error>

#include "json/text_cursor.hpp"
#include "json/decoder.hpp"
#include "norvi/client/json/decode.hpp"

namespace norvi::client::json {
namespace detail {
namespace {

// Whitespace-only remainders are allowed; the reader stops after the root value and the cursor checks
// the rest itself, so that a NUL byte in the text is not taken for its end. Floats are re-read by the
// cursor, so RapidJSON's own (full-precision) conversion is not asked for: it also mis-converts some
// overflowing literals (10e308 came out as -3.09e-308).
constexpr unsigned kParseFlags = rapidjson::kParseValidateEncodingFlag | rapidjson::kParseStopWhenDoneFlag;

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
bool is_hex(char c) { return is_digit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
bool in_number(char c) { return is_digit(c) || c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E'; }

unsigned hex4(const char* p) {
  unsigned v = 0;
  for (int i = 0; i < 4; ++i) {
    const char c = p[i];
    v = v * 16 + static_cast<unsigned>(is_digit(c) ? c - '0' : (c | 0x20) - 'a' + 10);
  }
  return v;
}

// Whether a literal whose conversion was out of range is too large (rather than too small) for a
// double: the position of its first significant digit plus its exponent.
bool too_large(const char* p, const char* end) {
  if (p != end && *p == '-') ++p;
  long magnitude = 0;
  bool significant = false;
  for (; p != end && is_digit(*p); ++p) {
    if (*p != '0') significant = true;
    if (significant) ++magnitude;
  }
  if (p != end && *p == '.') {
    for (++p; p != end && is_digit(*p); ++p) {
      if (significant) continue;
      if (*p != '0') {
        significant = true;
      } else {
        --magnitude;
      }
    }
  }
  long exponent = 0;
  if (p != end && (*p == 'e' || *p == 'E')) {
    ++p;
    bool negative = false;
    if (p != end && (*p == '+' || *p == '-')) negative = *p++ == '-';
    for (; p != end && is_digit(*p); ++p) {
      if (exponent < 100'000'000) exponent = exponent * 10 + (*p - '0');
    }
    if (negative) exponent = -exponent;
  }
  return magnitude + exponent > 0;
}

// UTF-8 of a surrogate code point (ED A0..BF ..). In a decoded string it can only come from a \u
// escape: the text's own bytes are validated, and a leading surrogate escape must be paired.
bool has_surrogate(const char* s, std::size_t length) {
  const char* end = s + length;
  for (const char* p = s; (p = static_cast<const char*>(std::memchr(p, 0xED, static_cast<std::size_t>(end - p)))) != nullptr; ++p) {
    if (p + 1 < end && static_cast<unsigned char>(p[1]) >= 0xA0) return true;
  }
  return false;
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// Events

bool TextCursor::Double(double) {
  token_ = Token::number;
  const std::size_t start = stream_->Tell();
  const char* first = text_.data() + start;
  const char* last = text_.data() + number_end(start);
  Event e;
  e.kind = EventKind::floating;
  const auto read = std::from_chars(first, last, e.floating);
  if (read.ec == std::errc::result_out_of_range) {
    if (too_large(first, last)) return decoder_.fail("number out of range");
    e.floating = *first == '-' ? -0.0 : 0.0;
  }
  return decoder_.value(e);
}

bool TextCursor::String(const char* s, rapidjson::SizeType length, bool) {
  token_ = Token::string;
  if (has_surrogate(s, length)) return lone_surrogate();
  return decoder_.value(Event::of_string(std::string_view(s, length)));
}

bool TextCursor::Key(const char* s, rapidjson::SizeType length, bool) {
  token_ = Token::string;
  if (has_surrogate(s, length)) return lone_surrogate();
  return decoder_.key(std::string_view(s, length));
}

// An array just opened while the decoder collects integers, when it holds nothing but integers of zero
// or more, is read here in one loop: the reader's number parser and one call per number cost more than
// the numbers of a large table. The stream is left at the closing bracket, where the reader ends the
// array as usual. Anything else (a sign, a fraction, an exponent, a leading zero, a number of 20 digits
// or more, another kind of value, a trailing comma, the end of the text) leaves the whole array to the
// reader, so that its failures keep their texts and positions. The loop stops at the NUL after the text.
void TextCursor::collect_plain_integers() {
  const char* p = stream_->src_;
  const std::size_t first = decoder_.collected_count_;
  while (is_space(*p)) ++p;
  if (*p == ']') return;  // empty: the reader's own case
  for (;;) {
    if (!is_digit(*p)) break;
    std::uint64_t u = static_cast<std::uint64_t>(*p++ - '0');
    if (is_digit(*p)) {
      if (u == 0) break;  // a leading zero
      int digits = 1;
      for (; is_digit(*p); ++p) {
        if (++digits > 19) break;  // 19 digits always fit in 64 bits
        u = u * 10 + static_cast<std::uint64_t>(*p - '0');
      }
      if (digits > 19) break;
    }
    char next = *p;
    if (next != ',' && next != ']') {  // the compact text's cases first
      if (next == '.' || next == 'e' || next == 'E') break;
      while (is_space(*p)) ++p;
      next = *p;
    }
    decoder_.unsigned_integer(u);
    if (next == ']') {
      stream_->src_ = p;
      return;
    }
    if (next != ',') break;
    ++p;
    while (is_space(*p)) ++p;
  }
  decoder_.collected_count_ = first;  // not a plain row: none of it was taken
}

// ---------------------------------------------------------------------------------------------------
// Positions

std::size_t TextCursor::number_end(std::size_t i) const {
  while (i < text_.size() && in_number(text_[i])) ++i;
  return i;
}

// The string starting with the quote at `start` is complete (RapidJSON has read it).
std::size_t TextCursor::string_end(std::size_t start) const {
  std::size_t i = start + 1;
  while (text_[i] != '"') i += text_[i] == '\\' ? 2 : 1;
  return i + 1;
}

std::size_t TextCursor::skip_whitespace(std::size_t i) const {
  while (i < text_.size() && is_space(text_[i])) ++i;
  return i;
}

Position TextCursor::position_of(std::size_t index) const {
  index = std::min(index, text_.size());
  Position p;
  std::size_t line_start = 0;
  const char* data = text_.data();
  for (const char* nl = data; (nl = static_cast<const char*>(std::memchr(nl, '\n', index - static_cast<std::size_t>(nl - data)))) != nullptr;) {
    ++p.line;
    line_start = static_cast<std::size_t>(nl - data) + 1;
    nl = data + line_start;
  }
  p.column = index - line_start;
  return p;
}

Position TextCursor::locate(Decoder::At at, std::string& message) const {
  const std::size_t t = stream_->Tell();
  std::size_t start = t;
  std::size_t end = t;
  switch (token_) {
    case Token::null:
    case Token::literal_true: start = t - 4; break;
    case Token::literal_false: start = t - 5; break;
    case Token::number: end = number_end(t); break;
    case Token::string: end = string_end(t); break;
    case Token::open:
    case Token::close: start = t - 1; break;
  }
  std::size_t index = end;
  switch (at) {
    case Decoder::At::after_token: break;
    case Decoder::At::token_start: index = start; break;
    case Decoder::At::token_peek: index = start + 1; break;
    case Decoder::At::after_key: index = skip_whitespace(end); break;
  }
  if (token_ == Token::number && at != Decoder::At::token_peek && end < text_.size() && is_digit(text_[end])) {
    message = "invalid number";
    index = end + 1;
  }
  return position_of(index);
}

bool TextCursor::fail_at(std::string message, std::size_t index) {
  if (!decoder_.error_) decoder_.error_ = DecodeError{std::move(message), position_of(index)};
  return false;
}

// A \u escape of a trailing surrogate without a leading one before it.
bool TextCursor::lone_surrogate() {
  std::size_t i = stream_->Tell() + 1;
  while (text_[i] != '"') {
    if (text_[i] != '\\') {
      ++i;
      continue;
    }
    if (text_[i + 1] != 'u') {
      i += 2;
      continue;
    }
    const unsigned unit = hex4(text_.data() + i + 2);
    if (unit >= 0xDC00 && unit <= 0xDFFF) break;
    i += unit >= 0xD800 && unit <= 0xDBFF ? 12 : 6;
  }
  return fail_at("lone leading surrogate in hex escape", i + 6);
}

// RapidJSON's error codes and offsets in the system's words and positions. A failure at a byte is
// positioned after that byte; at the end of the text the position is the end.
DecodeError TextCursor::syntax_error(rapidjson::ParseErrorCode code, std::size_t k) const {
  const std::size_t n = text_.size();
  const bool at_end = k >= n;
  auto error = [&](const char* message, std::size_t index) { return DecodeError{message, position_of(index)}; };
  auto before = [&](std::size_t i) {  // the last byte before i that is not whitespace
    while (i > 0 && is_space(text_[i - 1])) --i;
    return i > 0 ? text_[i - 1] : '\0';
  };
  auto after_zero = [&](std::size_t i) { return i < n && is_digit(text_[i]) && i > 0 && text_[i - 1] == '0'; };
  constexpr const char* kControl = "control character (\\u0000-\\u001F) found while parsing a string";

  switch (code) {
    case rapidjson::kParseErrorDocumentEmpty:
      return at_end ? error("EOF while parsing a value", n) : error("expected value", k + 1);

    case rapidjson::kParseErrorValueInvalid: {
      if (k > 0 && text_[k - 1] == '-') {  // a minus sign not followed by a digit
        return at_end ? error("EOF while parsing a value", n) : error("invalid number", k + 1);
      }
      if (k > 0 && text_[k - 1] >= 'a' && text_[k - 1] <= 'z') {  // a literal such as "nul" or "tru"
        return at_end ? error("EOF while parsing a value", n) : error("expected ident", k + 1);
      }
      const char b = before(k);
      if (at_end) return error(b == '[' ? "EOF while parsing a list" : "EOF while parsing a value", n);
      if (text_[k] == ']' && b == ',') return error("trailing comma", k + 1);
      return error("expected value", k + 1);
    }

    case rapidjson::kParseErrorObjectMissName: {
      const char b = before(k);
      if (at_end) return error(b == ',' ? "EOF while parsing a value" : "EOF while parsing an object", n);
      if (text_[k] == '}' && b == ',') return error("trailing comma", k + 1);
      return error("key must be a string", k + 1);
    }

    case rapidjson::kParseErrorObjectMissColon:
      return at_end ? error("EOF while parsing an object", n) : error("expected `:`", k + 1);

    case rapidjson::kParseErrorObjectMissCommaOrCurlyBracket:
      if (at_end) return error("EOF while parsing an object", n);
      return error(after_zero(k) ? "invalid number" : "expected `,` or `}`", k + 1);

    case rapidjson::kParseErrorArrayMissCommaOrSquareBracket:
      if (at_end) return error("EOF while parsing a list", n);
      return error(after_zero(k) ? "invalid number" : "expected `,` or `]`", k + 1);

    case rapidjson::kParseErrorStringMissQuotationMark:
      return at_end ? error("EOF while parsing a string", n) : error(kControl, k + 1);

    case rapidjson::kParseErrorStringEscapeInvalid:
      if (text_[k] != '\\') return error(kControl, k + 1);
      return k + 1 >= n ? error("EOF while parsing a string", n) : error("invalid escape", k + 2);

    case rapidjson::kParseErrorStringUnicodeEscapeInvalidHex: {
      // RapidJSON points at the first escape of a pair also when the second one is broken.
      std::size_t e = k;
      if (k + 7 < n && is_hex(text_[k + 2]) && is_hex(text_[k + 3]) && is_hex(text_[k + 4]) && is_hex(text_[k + 5]) &&
          text_[k + 6] == '\\' && text_[k + 7] == 'u') {
        e = k + 6;
      }
      return e + 6 > n ? error("EOF while parsing a string", n) : error("invalid escape", e + 6);
    }

    case rapidjson::kParseErrorStringUnicodeSurrogateInvalid: {
      // A leading surrogate at k, not followed by an escaped trailing one.
      const std::size_t j = k + 6;
      if (j >= n) return error("EOF while parsing a string", n);
      if (text_[j] != '\\') return error("unexpected end of hex escape", j + 1);
      if (j + 1 >= n) return error("EOF while parsing a string", n);
      if (text_[j + 1] != 'u') return error("unexpected end of hex escape", j + 2);
      return error("lone leading surrogate in hex escape", j + 6);
    }

    case rapidjson::kParseErrorStringInvalidEncoding: {
      // Reported once the string is read: after its closing quote, unless something breaks it first.
      for (std::size_t i = k;;) {
        if (i >= n) return error("EOF while parsing a string", n);
        const auto c = static_cast<unsigned char>(text_[i]);
        if (c == '"') return error("invalid unicode code point", i + 1);
        if (c < 0x20) return error(kControl, i + 1);
        i += c == '\\' ? 2 : 1;
      }
    }

    case rapidjson::kParseErrorNumberTooBig:
      return error("number out of range", number_end(k));

    case rapidjson::kParseErrorNumberMissFraction:
    case rapidjson::kParseErrorNumberMissExponent:
      return at_end ? error("EOF while parsing a value", n) : error("invalid number", k + 1);

    default:
      return error("expected value", k + 1);
  }
}

// The reader's loops with this cursor's events inlined into them.
[[gnu::flatten]] rapidjson::ParseResult read(TextReader& reader, rapidjson::StringStream& stream, TextCursor& cursor) {
  return reader.Parse<kParseFlags>(stream, cursor);
}

DecodeResult<void> TextCursor::run() {
  rapidjson::StringStream stream(text_.c_str());
  stream_ = &stream;
  decoder_.cursor_ = this;
  TextReader reader;
  const rapidjson::ParseResult result = read(reader, stream, *this);
  if (decoder_.failed()) return std::unexpected(decoder_.take_error());
  if (result.IsError()) return std::unexpected(syntax_error(result.Code(), result.Offset()));

  const std::size_t end = stream.Tell();
  const std::size_t k = skip_whitespace(end);
  if (k < text_.size()) {
    const bool leading_zero = k == end && token_ == Token::number && is_digit(text_[k]);
    return std::unexpected(DecodeError{leading_zero ? "invalid number" : "trailing characters", position_of(k + 1)});
  }
  return {};
}

// ---------------------------------------------------------------------------------------------------

DecodeResult<void> decode_text(const std::string& text, const Codec& codec, void* out) {
  Decoder decoder(codec, out);
  TextCursor cursor(text, decoder);
  return cursor.run();
}

}  // namespace detail

DecodeResult<Value> parse(const std::string& text) { return decode<Value>(text); }

}  // namespace norvi::client::json
