#pragma once
// Writing JSON text: request bodies with their keys in the caller's order, generic values, and the
// pretty layout of the credentials file (two-space indent, "key": value, no final line break).
// RapidJSON's writer lays out the structure; strings are escaped with the JSON standard's escapes only
// (quote, backslash, \b \f \n \r \t, other control characters as \u00xx in lower case, everything else
// unchanged, "/" included) and may hold any bytes, NUL too; floats take their shortest round-trip form.
//
//   json::Writer w;
//   w.begin_object().key("query_ids").begin_array();
//   for (const auto& id : ids) w.string(id);
//   std::string body = w.end_array().end_object().take();

#include <concepts>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>

#include "norvi/client/json/value.hpp"

namespace norvi::client::json {

class Writer {
 public:
  enum class Layout { compact, pretty };

  explicit Writer(Layout layout = Layout::compact);
  ~Writer();
  Writer(const Writer&) = delete;
  Writer& operator=(const Writer&) = delete;

  Writer& begin_object();
  Writer& end_object();
  Writer& begin_array();
  Writer& end_array();
  Writer& key(std::string_view key);
  Writer& string(std::string_view text);
  template <std::integral I>
    requires(!std::is_same_v<I, bool>)
  Writer& integer(I value) {
    if constexpr (std::is_signed_v<I>) {
      return signed_integer(value);
    } else {
      return unsigned_integer(value);
    }
  }
  Writer& number(double value);  // NaN and infinities, which JSON cannot hold, as null
  Writer& boolean(bool value);
  Writer& null();
  Writer& value(ValueRef value);  // a generic value, members in its (byte) order of keys

  // The text written (complete once every container is closed); the writer starts afresh.
  std::string take();

 private:
  Writer& signed_integer(std::int64_t value);
  Writer& unsigned_integer(std::uint64_t value);
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// A generic value as compact JSON text.
std::string to_text(ValueRef value);

}  // namespace norvi::client::json
