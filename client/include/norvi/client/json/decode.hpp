#pragma once
// Decoding JSON: text or a generic value into a typed record, a list, a map, a scalar or a generic
// value. Text is read by RapidJSON's SAX reader straight into the target (no tree is built unless the
// target holds generic values); a decode either yields the whole value or fails with one error.
//
//   auto envelope = json::decode<ApiResponse<std::vector<RawDevice>>>(body);   // from text
//   auto config = json::decode<RawConfig>(value);                              // from a generic value
//   auto value = json::parse(text);                                            // the generic value
//
// Errors from text carry the position ("... at line 1 column 5"); errors from a generic value do not.
// The text is one JSON value, optionally surrounded by whitespace; anything after it fails with
// "trailing characters". Syntax failures have the system's short texts ("expected value", "EOF while
// parsing an object", "invalid escape", ...); nesting deeper than 127 levels fails with "recursion
// limit exceeded". The text comes as a std::string because RapidJSON's fastest reader relies on the
// terminating NUL that a std::string guarantees (a NUL byte inside the text is still read as a byte).

#include <string>

#include "norvi/client/json/codec.hpp"
#include "norvi/client/json/error.hpp"
#include "norvi/client/json/value.hpp"

namespace norvi::client::json {

namespace detail {
DecodeResult<void> decode_text(const std::string& text, const Codec& codec, void* out);
DecodeResult<void> decode_value(const Value& value, const Codec& codec, void* out);
}  // namespace detail

template <typename T>
DecodeResult<T> decode(const std::string& text) {
  T out{};
  if (auto done = detail::decode_text(text, codec_of<T>(), &out); !done) return std::unexpected(std::move(done.error()));
  return out;
}

template <typename T>
DecodeResult<T> decode(const Value& value) {
  T out{};
  if (auto done = detail::decode_value(value, codec_of<T>(), &out); !done) return std::unexpected(std::move(done.error()));
  return out;
}

// The generic value of a JSON text.
DecodeResult<Value> parse(const std::string& text);

}  // namespace norvi::client::json
