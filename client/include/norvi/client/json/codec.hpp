#pragma once
// How each type is read: its `Codec`, found by `codec_of<T>()`. Records are declared as data
// (record.hpp); the standard types below have their codecs here; a type that reads a large part of a
// document straight from the decoder's events declares its own, found by argument-dependent lookup:
//
//   const json::Codec& json_codec(json::TypeTag<ShotTable>);
//
// and defines it against the decoding engine, which is private to the client library. Everyday code
// needs only decode.hpp, record.hpp and encode.hpp.

#include <cstddef>
#include <cstdint>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <vector>

#include "norvi/client/json/value.hpp"

namespace norvi::client::json {

template <typename T>
struct TypeTag {};

class Decoder;
struct Event;

// How one type is read. `begin` receives the first event of a value of the type and fills `out`.
struct Codec {
  std::string_view expected;  // the type's text in "invalid type: {}, expected {}"
  bool (*begin)(Decoder& decoder, const Codec& self, void* out, const Event& event) = nullptr;
  const void* data = nullptr;  // the codec's own table (a record's fields, a container's operations)
  bool optional = false;       // an absent record field is no error (std::optional)
};

template <typename T>
const Codec& codec_of();

// ---------------------------------------------------------------------------------------------------
// Codecs of the standard types. A container's codec carries a small table of what the engine does to
// it, so that the engine itself is written once, away from this header.

namespace detail {

struct IntegerOps {
  bool is_signed;
  std::size_t size;
  std::int64_t min;
  std::uint64_t max;
};

struct OptionalOps {
  void (*reset)(void* optional);
  void* (*emplace)(void* optional);  // the new value
  const Codec& (*inner)();
};

struct ListOps {
  void (*clear)(void* list, std::size_t reserve);  // reserve: the expected length, or 0
  void* (*append)(void* list);                     // the new element
  const Codec& (*element)();
};

struct MapOps {
  void (*clear)(void* map);
  void* (*slot)(void* map, std::string_view key);  // the key's value, reset: a key given twice keeps its last value
  const Codec& (*mapped)();
};

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
inline constexpr IntegerOps integer_ops{std::is_signed_v<T>, sizeof(T),
                                        static_cast<std::int64_t>(std::numeric_limits<T>::min()),
                                        static_cast<std::uint64_t>(std::numeric_limits<T>::max())};

template <typename T>
inline constexpr OptionalOps optional_ops{
    [](void* o) { static_cast<std::optional<T>*>(o)->reset(); },
    [](void* o) -> void* { return &static_cast<std::optional<T>*>(o)->emplace(); },
    &codec_of<T>,
};

template <typename T>
inline constexpr ListOps list_ops{
    [](void* l, std::size_t reserve) {
      auto* list = static_cast<std::vector<T>*>(l);
      list->clear();
      list->reserve(reserve);
    },
    [](void* l) -> void* { return &static_cast<std::vector<T>*>(l)->emplace_back(); },
    &codec_of<T>,
};

template <typename M>
inline constexpr MapOps map_ops{
    [](void* m) { static_cast<M*>(m)->clear(); },
    [](void* m, std::string_view key) -> void* {
      auto& slot = (*static_cast<M*>(m))[std::string(key)];
      slot = typename M::mapped_type{};
      return &slot;
    },
    &codec_of<typename M::mapped_type>,
};

bool begin_string(Decoder& d, const Codec& self, void* out, const Event& e);
bool begin_bool(Decoder& d, const Codec& self, void* out, const Event& e);
bool begin_f64(Decoder& d, const Codec& self, void* out, const Event& e);
bool begin_value(Decoder& d, const Codec& self, void* out, const Event& e);
bool begin_integer(Decoder& d, const Codec& self, void* out, const Event& e);   // data: IntegerOps
bool begin_optional(Decoder& d, const Codec& self, void* out, const Event& e);  // data: OptionalOps
bool begin_list(Decoder& d, const Codec& self, void* out, const Event& e);      // data: ListOps
bool begin_map(Decoder& d, const Codec& self, void* out, const Event& e);       // data: MapOps

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
  static constexpr Codec codec{integer_name<T>(), &begin_integer, &integer_ops<T>};
};
template <typename T>
struct Builtin<std::optional<T>> {
  static constexpr Codec codec{"option", &begin_optional, &optional_ops<T>, true};
};
template <typename T>
  requires(!std::is_same_v<T, bool>)
struct Builtin<std::vector<T>> {
  static constexpr Codec codec{"a sequence", &begin_list, &list_ops<T>};
};
template <typename T, typename H, typename E, typename A>
struct Builtin<std::unordered_map<std::string, T, H, E, A>> {
  static constexpr Codec codec{"a map", &begin_map, &map_ops<std::unordered_map<std::string, T, H, E, A>>};
};
template <typename T, typename C, typename A>
struct Builtin<std::map<std::string, T, C, A>> {
  static constexpr Codec codec{"a map", &begin_map, &map_ops<std::map<std::string, T, C, A>>};
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
