#pragma once
// Declaring a record: its name and its fields (JSON key, member, type) as data, read by one engine and
// written by json::encode (encode.hpp) under the same keys, in the same order.
//
//   struct LoginData { std::string access_token; };
//
//   const json::Record& json_record(json::TypeTag<LoginData>) {
//     static const json::Record record = json::record<LoginData>(
//         "LoginData", json::field<&LoginData::access_token>("access_token"));
//     return record;
//   }
//
// The hook is found by argument-dependent lookup, so it is declared in the record type's namespace,
// wherever the type is decoded. Fields are listed in declaration order, which the array form and the
// error texts depend on. A field is required unless its member is a std::optional (absent or null:
// none) or it is marked or_default() (absent: the member keeps its default, also when missing from the
// end of the array form). Reading rules:
// - an object member whose key matches a field (or one of its aliases) byte for byte is decoded by the
//   member's type; any other member is skipped whatever its value; a field given twice (only visible in
//   text) fails with "duplicate field `{}`";
// - after the object, the first required field that did not occur, in declaration order, fails with
//   "missing field `{}`";
// - an array holds the fields by position; fewer elements fail with "invalid length {}, expected
//   struct {} with {} element(s)", more with "trailing characters" (text) or "invalid length {},
//   expected fewer elements in array" (a value);
// - anything else fails with "invalid type: {}, expected struct {}".

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "norvi/client/json/codec.hpp"
#include "norvi/client/json/encode.hpp"

namespace norvi::client::json {

namespace detail {

template <typename M>
struct MemberPointer;
template <typename C, typename T>
struct MemberPointer<T C::*> {
  using Class = C;
  using Type = T;
};

template <typename T>
struct IsOptional : std::false_type {};
template <typename T>
struct IsOptional<std::optional<T>> : std::true_type {};

template <typename T>
struct OptionalInner {
  using type = void;
};
template <typename T>
struct OptionalInner<std::optional<T>> {
  using type = T;
};

}  // namespace detail

struct FieldInfo {
  std::string_view key;
  std::vector<std::string_view> aliases;   // other keys read into the same field
  void* (*member)(void* object) = nullptr;  // the member's address in an object of the record
  const Codec& (*codec)() = nullptr;
  // Writes the member of an object of the record; none when its type has no JSON form to write.
  void (*write)(Writer& w, const void* object) = nullptr;
  bool optional = false;    // the member is a std::optional
  bool or_default = false;

  bool matches(std::string_view k) const noexcept {
    if (k == key) return true;
    for (std::string_view a : aliases) {
      if (k == a) return true;
    }
    return false;
  }
};

// A field of record C; built by field<&C::member>("key").
template <typename C>
class Field {
 public:
  // Another key read into this field; giving two of its keys fails as a duplicate of the first key.
  Field alias(std::string_view key) && {
    info_.aliases.push_back(key);
    return std::move(*this);
  }
  // Absent (in either form) is no error: the member keeps its default.
  Field or_default() && {
    info_.or_default = true;
    return std::move(*this);
  }

  FieldInfo info_;
};

template <auto M>
Field<typename detail::MemberPointer<decltype(M)>::Class> field(std::string_view key) {
  using Class = typename detail::MemberPointer<decltype(M)>::Class;
  using Type = typename detail::MemberPointer<decltype(M)>::Type;
  Field<Class> f;
  f.info_.key = key;
  f.info_.member = [](void* object) -> void* { return &(static_cast<Class*>(object)->*M); };
  f.info_.codec = &codec_of<Type>;
  if constexpr (writable<Type>() || writable<typename detail::OptionalInner<Type>::type>()) {
    f.info_.write = [](Writer& w, const void* object) { json::write(w, static_cast<const Class*>(object)->*M); };
  }
  f.info_.optional = detail::IsOptional<Type>::value;
  return f;
}

class Record {
 public:
  Record(std::string name, std::vector<FieldInfo> fields);
  Record(const Record&) = delete;
  Record& operator=(const Record&) = delete;

  const Codec& codec() const noexcept { return codec_; }
  std::string_view name() const noexcept { return name_; }
  const std::vector<FieldInfo>& fields() const noexcept { return fields_; }
  std::string_view expected() const noexcept { return expected_; }                // "struct X"
  std::string_view expected_length() const noexcept { return expected_length_; }  // "struct X with N elements"
  bool required(std::size_t i) const noexcept { return required_[i]; }

  // Writes an object of the record: its fields in declaration order under their first keys.
  void write(Writer& w, const void* object) const;

 private:
  std::string name_;
  std::vector<FieldInfo> fields_;
  std::vector<bool> required_;
  std::string expected_;
  std::string expected_length_;
  Codec codec_;
};

// The record of type C with its name (as the error texts show it) and its fields in declaration order.
template <typename C, typename... F>
  requires(std::is_same_v<F, Field<C>> && ...)
Record record(std::string name, F&&... fields) {
  static_assert(std::is_default_constructible_v<C>, "a decoded record starts from its default");
  return Record(std::move(name), std::vector<FieldInfo>{std::move(fields.info_)...});
}

}  // namespace norvi::client::json
