#pragma once
// Reading JSON text into the decoder with RapidJSON's SAX reader. RapidJSON tokenizes; this cursor
// turns its events into decoder events, re-reads floats from the text (correctly rounded, overflow
// detected), limits nesting, and gives every failure the system's text and position: line from 1,
// column = bytes since the last line break.

#include <rapidjson/reader.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "json/decoder.hpp"
#include "norvi/client/json/error.hpp"
#include "norvi/symbolic/utf8.hpp"

namespace norvi::client::json::detail {

// RapidJSON's UTF-8 with the project's validation, which stays within the text. RapidJSON's own takes
// the continuation bytes of a sequence without looking for the end, so a text cut right after a lead
// byte would be read past its terminating NUL. The reader reads a NUL-terminated text, and a NUL is
// never part of a sequence: so at most four bytes up to that NUL are looked at. A failure takes the
// maximal ill-formed subpart, as RapidJSON's reader only needs the offset where it starts.
struct BoundedUtf8 : rapidjson::UTF8<char> {
  template <typename OutputStream>
  static bool Validate(rapidjson::StringStream& is, OutputStream& os) {
    if (!(is.Peek() & 0x80)) {
      os.Put(is.Take());
      return true;
    }
    std::size_t ill_formed = 0;
    const std::size_t length = symbolic::utf8_sequence_length({is.src_, ::strnlen(is.src_, 4)}, ill_formed);
    for (std::size_t k = length != 0 ? length : ill_formed; k > 0; --k) os.Put(is.Take());
    return length != 0;
  }
};

using TextReader = rapidjson::GenericReader<BoundedUtf8, BoundedUtf8>;

class TextCursor final : public Decoder::TextPositions {
 public:
  TextCursor(const std::string& text, Decoder& decoder) : text_(text), decoder_(decoder) {}

  DecodeResult<void> run();

  // The position of a failure at the current token. A number followed by a digit (a leading zero) is
  // an invalid number before it is anything else, so `message` may be reworded.
  Position locate(Decoder::At at, std::string& message) const override;

  // RapidJSON's handler interface. Each event is one small call out of the reader: inlined into it, the
  // events make RapidJSON's number parser slower (measured by bench/json_decode).
  bool Null() {
    token_ = Token::null;
    Event e;
    return decoder_.value(e);
  }
  bool Bool(bool b) {
    token_ = b ? Token::literal_true : Token::literal_false;
    Event e;
    e.kind = EventKind::boolean;
    e.boolean = b;
    return decoder_.value(e);
  }
  bool Int(int i) { return signed_integer(i); }
  bool Uint(unsigned u) { return unsigned_integer(u); }
  bool Int64(std::int64_t i) { return signed_integer(i); }
  bool Uint64(std::uint64_t u) { return unsigned_integer(u); }
  bool Double(double d);
  bool RawNumber(const char*, rapidjson::SizeType, bool) { return true; }
  bool String(const char* s, rapidjson::SizeType length, bool copy);
  bool Key(const char* s, rapidjson::SizeType length, bool copy);
  bool StartObject() { return open(EventKind::object); }
  bool StartArray() { return open(EventKind::array); }
  bool EndObject(rapidjson::SizeType) { return close(); }
  bool EndArray(rapidjson::SizeType) { return close(); }

 private:
  // The token of the current event. RapidJSON reports strings and numbers with the stream still at
  // their first byte; literals and brackets with the stream after them.
  enum class Token : std::uint8_t { null, literal_true, literal_false, number, string, open, close };

  static constexpr std::size_t kMaxNesting = 127;

  bool unsigned_integer(std::uint64_t u) {
    // A collected integer cannot fail, so its token need not be kept.
    Decoder& d = decoder_;
    if (d.collecting_ && d.collected_count_ != d.collected_capacity_) [[likely]] {
      d.collected_[d.collected_count_++] = u;
      return true;
    }
    token_ = Token::number;
    return d.deliver_unsigned_integer(u);
  }
  [[gnu::noinline]] bool signed_integer(std::int64_t i) {
    if (i >= 0) return unsigned_integer(static_cast<std::uint64_t>(i));
    token_ = Token::number;
    Event e;
    e.kind = EventKind::negative_integer;
    e.negative_integer = i;
    return decoder_.value(e);
  }
  bool open(EventKind kind) {
    token_ = Token::open;
    if (++nesting_ > kMaxNesting) return fail_at("recursion limit exceeded", stream_->Tell());
    if (!decoder_.value(Event::of_container(kind))) return false;
    if (kind == EventKind::array && decoder_.collecting_) collect_plain_integers();
    return true;
  }
  bool close() {
    token_ = Token::close;
    --nesting_;
    return decoder_.end();
  }
  [[gnu::noinline]] void collect_plain_integers();
  bool fail_at(std::string message, std::size_t index);
  bool lone_surrogate();
  DecodeError syntax_error(rapidjson::ParseErrorCode code, std::size_t offset) const;
  Position position_of(std::size_t index) const;
  std::size_t number_end(std::size_t start) const;
  std::size_t string_end(std::size_t start) const;
  std::size_t skip_whitespace(std::size_t i) const;

  const std::string& text_;
  Decoder& decoder_;
  rapidjson::StringStream* stream_ = nullptr;
  Token token_ = Token::null;
  std::size_t nesting_ = 0;
};

}  // namespace norvi::client::json::detail
