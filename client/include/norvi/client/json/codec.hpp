#pragma once
// The decoding engine and its extension surface. A source (JSON text through RapidJSON's SAX reader, or
// a generic value) sends events to a `Decoder`; the decoder hands each value to the `Codec` of the type
// being filled, and containers are read by `Frame`s pushed on the decoder's stack. The same engine and
// the same codecs serve both sources; only positions, duplicate keys and over-long record arrays differ
// by source, as the decoder's failure calls take care of.
//
// Everyday decoding needs only decode.hpp and record.hpp. A type that reads a large part of a document
// straight from the events (a table of shot rows, say) supplies its own codec:
//
//   const json::Codec& json_codec(json::TypeTag<ShotTable>);   // found by argument-dependent lookup
//
// whose `begin` takes the value's first event and, for an array, pushes a `Frame` that receives the
// rest of it.

#include <cstddef>
#include <cstdint>
#include <limits>
#include <map>
#include <memory>
#include <new>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <utility>
#include <vector>

#include "norvi/client/json/error.hpp"
#include "norvi/client/json/value.hpp"

namespace norvi::client::json {

template <typename T>
struct TypeTag {};

enum class EventKind : std::uint8_t {
  null,
  boolean,
  unsigned_integer,  // an integer not below zero
  negative_integer,  // an integer below zero
  floating,
  string,
  array,   // an array begins; its elements follow, then Decoder::end
  object,  // an object begins; keys and values follow, then Decoder::end
};

// One value beginning. A scalar is complete in its event. Only the members of the event's kind are
// set: kept small because a source makes one event per value.
struct Event {
  static constexpr std::size_t unknown_length = std::numeric_limits<std::size_t>::max();

  struct Chars {
    const char* data;
    std::size_t size;
  };

  EventKind kind = EventKind::null;
  union {
    bool boolean;
    std::uint64_t unsigned_integer;
    std::int64_t negative_integer;
    double floating;
    std::size_t length;  // array, object: elements or members when the source knows them, else unknown_length
    Chars chars;         // string
  };

  std::string_view string() const noexcept { return {chars.data, chars.size}; }
  bool is_container() const noexcept { return kind == EventKind::array || kind == EventKind::object; }

  static Event of_string(std::string_view s) noexcept {
    Event e;
    e.kind = EventKind::string;
    e.chars = {s.data(), s.size()};
    return e;
  }
  static Event of_container(EventKind kind, std::size_t length = unknown_length) noexcept {
    Event e;
    e.kind = kind;
    e.length = length;
    return e;
  }
};

class Decoder;

enum class Step : std::uint8_t {
  fail,  // a failure was recorded
  more,  // the end of a container nested inside the frame's own value: the frame goes on
  done,  // the frame's value is complete: the decoder removes the frame
};

// Reads the inside of one array or object. Nested containers either get frames of their own (pushed by
// the codecs the frame hands them to) or are followed by the frame itself, which then counts them.
class Frame {
 public:
  virtual ~Frame() = default;
  // A value inside the container begins (an element, or the value of the last key).
  virtual bool value(Decoder& decoder, const Event& event) = 0;
  // A member key of an object.
  virtual bool key(Decoder& decoder, std::string_view key);
  // A container ends: this frame's own, or one nested in it that the frame follows itself.
  virtual Step end(Decoder& decoder) = 0;

 private:
  friend class Decoder;
  bool collecting_ = false;  // see Decoder::collect_unsigned_integers
};

// How one type is read. `begin` receives the first event of a value of the type and fills `out`.
struct Codec {
  std::string_view expected;  // the type's text in "invalid type: {}, expected {}"
  bool (*begin)(Decoder& decoder, const Codec& self, void* out, const Event& event) = nullptr;
  const void* data = nullptr;  // the codec's own table (a record's fields)
  bool optional = false;       // an absent record field is no error (std::optional)
};

template <typename T>
const Codec& codec_of();

namespace detail {
class TextCursor;
struct ValueSource;
}  // namespace detail

class Decoder {
 public:
  static constexpr std::size_t kMaxFrames = 130;  // the text's nesting is limited to 127 levels
  static constexpr std::size_t kFrameSize = 128;

  Decoder(const Codec& root, void* out);
  Decoder(const Decoder&) = delete;
  Decoder& operator=(const Decoder&) = delete;
  ~Decoder();

  // --- events, from the sources
  bool value(const Event& event) { return top_->value(*this, event); }
  bool unsigned_integer(std::uint64_t u) {
    if (collecting_ && collected_count_ != collected_capacity_) [[likely]] {
      collected_[collected_count_++] = u;
      return true;
    }
    return deliver_unsigned_integer(u);
  }
  bool key(std::string_view key) { return top_->key(*this, key); }
  bool end() {
    const Step step = top_->end(*this);
    if (step == Step::done) pop();
    return step != Step::fail;
  }

  // --- for codecs and frames
  template <typename F, typename... Args>
  bool push(Args&&... args) {
    static_assert(std::is_base_of_v<Frame, F>);
    static_assert(sizeof(F) <= kFrameSize && alignof(F) <= alignof(std::max_align_t));
    Slot* slot = next_slot();
    if (slot == nullptr) return false;
    top_ = slot->frame = ::new (slot->bytes) F(std::forward<Args>(args)...);
    ++depth_;
    collecting_ = false;
    return true;
  }

  // True when reading JSON text, false when reading a generic value.
  bool from_text() const noexcept { return cursor_ != nullptr; }

  // Passes over a value nobody reads (its first event given).
  bool skip(const Event& event);

  // For large tables of numbers, where a call per number would cost more than reading the number: while
  // the frame on top collects, integers not below zero are appended to the decoder's collection instead
  // of being sent to the frame's value(). The frame takes them at its next value(), key() or end() call,
  // where they precede that call's own event, and clears them. Such a frame cannot reject one of these
  // integers at the integer's own position. Called by the frame on top; a frame pushed above it does
  // not collect, and the collection goes on once it is gone.
  void collect_unsigned_integers(bool on) noexcept { collecting_ = top_->collecting_ = on; }
  std::span<const std::uint64_t> collected() const noexcept { return {collected_.get(), collected_count_}; }
  void clear_collected() noexcept { collected_count_ = 0; }

  // Reading a generic value: an owning handle to the value just begun (shared, not copied), after which
  // the source skips the rest of that value. None when reading text.
  std::optional<Value> share(const Event& event);

  // Failures. Each records the decode error (the first one wins) and returns false, so that a codec can
  // end with `return decoder.invalid_type(...)`. From text the position is after the offending scalar,
  // at (before) the bracket of an offending container, after a duplicate key, or after the bracket that
  // ends a container that is missing something.
  bool invalid_type(const Event& found, std::string_view expected);
  bool invalid_value(const Event& found, std::string_view expected);
  bool invalid_length(std::size_t length, std::string_view expected);  // at a container's end
  bool missing_field(std::string_view key);                             // at an object's end
  bool duplicate_field(std::string_view key);                           // at the repeated key
  // An element beyond the last field of a record given as an array: "trailing characters" at the
  // element from text, "invalid length {}, expected fewer elements in array" from a value.
  bool excess_element(std::size_t array_length);
  // Any other text, positioned after the current token.
  bool fail(std::string message);

  bool failed() const noexcept { return error_.has_value(); }
  DecodeError take_error() { return std::move(*error_); }

 private:
  friend class detail::TextCursor;
  friend struct detail::ValueSource;
  struct Slot {
    alignas(std::max_align_t) unsigned char bytes[kFrameSize];
    Frame* frame;
  };
  enum class At : std::uint8_t { after_token, token_start, token_peek, after_key };

  Slot* next_slot();
  void pop() noexcept;
  bool deliver_unsigned_integer(std::uint64_t u);  // to the frame, or into a grown collection
  bool record(std::string message, At at);

  // The bottom of the stack: hands the root value to the root codec.
  class RootFrame final : public Frame {
   public:
    RootFrame(const Codec& codec, void* out) : codec_(&codec), out_(out) {}
    bool value(Decoder& d, const Event& e) override { return codec_->begin(d, *codec_, out_, e); }
    Step end(Decoder&) override { return Step::more; }

   private:
    const Codec* codec_;
    void* out_;
  };

  RootFrame root_;
  Frame* top_ = &root_;
  std::size_t depth_ = 0;
  std::unique_ptr<Slot[]> slots_;
  std::optional<DecodeError> error_;
  detail::TextCursor* cursor_ = nullptr;                        // set while reading text
  const std::shared_ptr<const detail::Document>* shared_ = nullptr;  // set while reading a value
  const detail::Node* current_ = nullptr;                            // the value source's current node
  bool skip_value_ = false;                                     // the value source skips the current value
  bool collecting_ = false;                                     // the frame on top collects integers
  std::size_t collected_count_ = 0;
  std::size_t collected_capacity_ = 0;
  std::unique_ptr<std::uint64_t[]> collected_;
};

// ---------------------------------------------------------------------------------------------------
// Codecs of the standard types.

namespace detail {

template <typename T>
constexpr std::string_view integer_name() {
  constexpr bool s = std::is_signed_v<T>;
  switch (sizeof(T)) {
    case 1: return s ? "i8" : "u8";
    case 2: return s ? "i16" : "u16";
    case 4: return s ? "i32" : "u32";
    default: return s ? "i64" : "u64";
  }
}

template <typename T>
bool begin_integer(Decoder& d, const Codec& self, void* out, const Event& e) {
  T& target = *static_cast<T*>(out);
  if (e.kind == EventKind::unsigned_integer) {
    if (e.unsigned_integer > static_cast<std::uint64_t>(std::numeric_limits<T>::max())) {
      return d.invalid_value(e, self.expected);
    }
    target = static_cast<T>(e.unsigned_integer);
    return true;
  }
  if (e.kind == EventKind::negative_integer) {
    if constexpr (std::is_unsigned_v<T>) {
      return d.invalid_value(e, self.expected);
    } else {
      if (e.negative_integer < static_cast<std::int64_t>(std::numeric_limits<T>::min())) {
        return d.invalid_value(e, self.expected);
      }
      target = static_cast<T>(e.negative_integer);
      return true;
    }
  }
  return d.invalid_type(e, self.expected);
}

bool begin_string(Decoder& d, const Codec& self, void* out, const Event& e);
bool begin_bool(Decoder& d, const Codec& self, void* out, const Event& e);
bool begin_f64(Decoder& d, const Codec& self, void* out, const Event& e);
bool begin_value(Decoder& d, const Codec& self, void* out, const Event& e);

template <typename T>
bool begin_optional(Decoder& d, const Codec&, void* out, const Event& e) {
  auto& target = *static_cast<std::optional<T>*>(out);
  if (e.kind == EventKind::null) {
    target.reset();
    return true;
  }
  const Codec& inner = codec_of<T>();
  return inner.begin(d, inner, &target.emplace(), e);
}

template <typename T>
class ListFrame final : public Frame {
 public:
  explicit ListFrame(std::vector<T>* out) : out_(out) {}
  bool value(Decoder& d, const Event& e) override {
    const Codec& element = codec_of<T>();
    return element.begin(d, element, &out_->emplace_back(), e);
  }
  Step end(Decoder&) override { return Step::done; }

 private:
  std::vector<T>* out_;
};

template <typename T>
bool begin_list(Decoder& d, const Codec& self, void* out, const Event& e) {
  if (e.kind != EventKind::array) return d.invalid_type(e, self.expected);
  auto* target = static_cast<std::vector<T>*>(out);
  target->clear();
  if (e.length != Event::unknown_length) target->reserve(e.length);
  return d.push<ListFrame<T>>(target);
}

// Text keys to values; a key given twice keeps its last value.
template <typename M>
class MapFrame final : public Frame {
 public:
  explicit MapFrame(M* out) : out_(out) {}
  bool key(Decoder&, std::string_view key) override {
    key_.assign(key);
    return true;
  }
  bool value(Decoder& d, const Event& e) override {
    auto& slot = (*out_)[key_];
    slot = typename M::mapped_type{};
    const Codec& inner = codec_of<typename M::mapped_type>();
    return inner.begin(d, inner, &slot, e);
  }
  Step end(Decoder&) override { return Step::done; }

 private:
  M* out_;
  std::string key_;
};

template <typename M>
bool begin_map(Decoder& d, const Codec& self, void* out, const Event& e) {
  if (e.kind != EventKind::object) return d.invalid_type(e, self.expected);
  auto* target = static_cast<M*>(out);
  target->clear();
  return d.push<MapFrame<M>>(target);
}

template <typename T>
struct Builtin;  // no codec: declare the type as a record (record.hpp) or give it a json_codec

template <>
struct Builtin<std::string> {
  static constexpr Codec codec{"a string", &begin_string};
};
template <>
struct Builtin<bool> {
  static constexpr Codec codec{"a boolean", &begin_bool};
};
template <>
struct Builtin<double> {
  static constexpr Codec codec{"f64", &begin_f64};
};
template <>
struct Builtin<Value> {
  static constexpr Codec codec{"any valid JSON value", &begin_value};
};
template <typename T>
  requires(std::is_integral_v<T> && !std::is_same_v<T, bool> && !std::is_same_v<T, char>)
struct Builtin<T> {
  static constexpr Codec codec{integer_name<T>(), &begin_integer<T>};
};
template <typename T>
struct Builtin<std::optional<T>> {
  static constexpr Codec codec{"option", &begin_optional<T>, nullptr, true};
};
template <typename T>
  requires(!std::is_same_v<T, bool>)
struct Builtin<std::vector<T>> {
  static constexpr Codec codec{"a sequence", &begin_list<T>};
};
template <typename T, typename H, typename E, typename A>
struct Builtin<std::unordered_map<std::string, T, H, E, A>> {
  static constexpr Codec codec{"a map", &begin_map<std::unordered_map<std::string, T, H, E, A>>};
};
template <typename T, typename C, typename A>
struct Builtin<std::map<std::string, T, C, A>> {
  static constexpr Codec codec{"a map", &begin_map<std::map<std::string, T, C, A>>};
};

}  // namespace detail

// The codec of T: a record declared with json_record (record.hpp), a type with its own json_codec, or
// one of the standard types above.
template <typename T>
const Codec& codec_of() {
  if constexpr (requires { json_record(TypeTag<T>{}); }) {
    return json_record(TypeTag<T>{}).codec();
  } else if constexpr (requires { json_codec(TypeTag<T>{}); }) {
    return json_codec(TypeTag<T>{});
  } else {
    return detail::Builtin<T>::codec;
  }
}

}  // namespace norvi::client::json
