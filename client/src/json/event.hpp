#pragma once
// One decoding event: the beginning of a value, as a source (JSON text or a generic value) reports it
// to the decoder, and as the document builder takes it.

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string_view>


namespace norvi::client::json {

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

  EventKind kind = EventKind::null;
  // Named: clang rejects an anonymous struct inside the anonymous union.
  struct Chars {
    const char* data;
    std::size_t size;
  };

  union {
    bool boolean;
    std::uint64_t unsigned_integer;
    std::int64_t negative_integer;
    double floating;
    std::size_t length;  // array, object: elements or members when the source knows them, else unknown_length
    Chars chars;  // string
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

}  // namespace norvi::client::json
