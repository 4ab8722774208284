#pragma once
// Writing a typed value as JSON text: the write direction of the record declarations, so a record's
// keys are listed once, where it is declared (record.hpp), for both directions.
//
//   std::string body = json::encode(SubmitRequest{...});                        // compact
//   std::string file = json::encode(credentials, json::Writer::Layout::pretty);
//
// A record is written as an object with its fields in declaration order under their first keys; an
// absent optional as null; lists as arrays, text-keyed maps as objects, generic values as they are.

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <vector>

#include "norvi/client/json/codec.hpp"
#include "norvi/client/json/value.hpp"
#include "norvi/client/json/write.hpp"

namespace norvi::client::json {

namespace detail {

template <typename T>
struct IsWritableList : std::false_type {};
template <typename T>
struct IsWritableList<std::vector<T>> : std::true_type {};
template <typename T>
struct IsWritableMap : std::false_type {};
template <typename T, typename... R>
struct IsWritableMap<std::map<std::string, T, R...>> : std::true_type {};
template <typename T, typename... R>
struct IsWritableMap<std::unordered_map<std::string, T, R...>> : std::true_type {};
}  // namespace detail

// Whether values of T can be written; a record field of another type (a table read by its own codec)
// leaves its record decode-only.
template <typename T>
constexpr bool writable() {
  if constexpr (std::is_same_v<T, std::string> || std::is_same_v<T, bool> || std::is_same_v<T, double> ||
                std::is_same_v<T, Value>) {
    return true;
  } else if constexpr (std::is_integral_v<T>) {
    return !std::is_same_v<T, char>;
  } else if constexpr (requires { json_record(TypeTag<T>{}); }) {
    return true;
  } else if constexpr (detail::IsWritableList<T>::value) {
    return writable<typename T::value_type>();
  } else if constexpr (detail::IsWritableMap<T>::value) {
    return writable<typename T::mapped_type>();
  } else {
    return false;
  }
}

template <typename T>
void write(Writer& w, const T& value);

template <typename T>
void write(Writer& w, const std::optional<T>& value) {
  if (value) {
    write(w, *value);
  } else {
    w.null();
  }
}

template <typename T>
void write(Writer& w, const T& value) {
  if constexpr (std::is_same_v<T, std::string>) {
    w.string(value);
  } else if constexpr (std::is_same_v<T, bool>) {
    w.boolean(value);
  } else if constexpr (std::is_same_v<T, double>) {
    w.number(value);
  } else if constexpr (std::is_same_v<T, Value>) {
    w.value(value);
  } else if constexpr (std::is_integral_v<T>) {
    w.integer(value);
  } else if constexpr (requires { json_record(TypeTag<T>{}); }) {
    json_record(TypeTag<T>{}).write(w, &value);
  } else if constexpr (detail::IsWritableList<T>::value) {
    w.begin_array();
    for (const auto& element : value) write(w, element);
    w.end_array();
  } else if constexpr (detail::IsWritableMap<T>::value) {
    w.begin_object();
    for (const auto& [key, element] : value) write(w.key(key), element);
    w.end_object();
  } else {
    static_assert(sizeof(T) == 0, "no JSON form to write: declare the type as a record");
  }
}

// The JSON text of a value.
template <typename T>
std::string encode(const T& value, Writer::Layout layout = Writer::Layout::compact) {
  Writer w(layout);
  write(w, value);
  return w.take();
}

}  // namespace norvi::client::json
