#pragma once
// The decoding engine, private to the JSON layer and to the codecs written against it. A source (JSON
// text through RapidJSON's SAX reader, or a generic value) sends events to a `Decoder`; the decoder
// hands each value to the `Codec` of the type being filled, and containers are read by `Frame`s pushed
// on the decoder's stack. The same engine and the same codecs serve both sources; only positions,
// duplicate keys and over-long record arrays differ by source, as the decoder's failure calls take
// care of.
//
// A type that reads a large part of a document straight from the events (a table of shot rows, say)
// supplies its own codec, declared beside the type with codec.hpp alone:
//
//   const json::Codec& json_codec(json::TypeTag<ShotTable>);   // found by argument-dependent lookup
//
// and defined against this header: its `begin` takes the value's first event and, for an array, pushes
// a `Frame` that receives the rest of it.

#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <new>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "json/event.hpp"
#include "norvi/client/json/codec.hpp"
#include "norvi/client/json/error.hpp"
#include "norvi/client/json/value.hpp"

namespace norvi::client::json {

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

  // Places failures in the text being read. The text source implements it, so that the decoder needs
  // nothing of the reader behind it.
  class TextPositions {
   public:
    virtual Position locate(At at, std::string& message) const = 0;

   protected:
    ~TextPositions() = default;
  };

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
  const TextPositions* cursor_ = nullptr;                       // set while reading text
  const std::shared_ptr<const detail::Document>* shared_ = nullptr;  // set while reading a value
  const detail::Node* current_ = nullptr;                            // the value source's current node
  bool skip_value_ = false;                                     // the value source skips the current value
  bool collecting_ = false;                                     // the frame on top collects integers
  std::size_t collected_count_ = 0;
  std::size_t collected_capacity_ = 0;
  std::unique_ptr<std::uint64_t[]> collected_;
};

}  // namespace norvi::client::json
