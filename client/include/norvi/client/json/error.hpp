#pragma once
// The decoding error of the JSON layer: the decoder's message and, when it was read from text, the
// position ("{} at line {} column {}"). It converts to the client error's `Json` variant; callers that
// report an undecodable answer body use its text() in the `Http` variant instead.

#include <cstddef>
#include <expected>
#include <optional>
#include <string>

#include "norvi/client/error.hpp"

namespace norvi::client::json {

// Line from 1; column = bytes since the last line break (0 at the start of a line).
struct Position {
  std::size_t line = 1;
  std::size_t column = 0;
  bool operator==(const Position&) const = default;
};

struct DecodeError {
  std::string message;              // "missing field `code`", "expected value", ...
  std::optional<Position> position; // present when the value was read from text

  // The message, followed by " at line {} column {}" when there is a position.
  std::string text() const;

  // The `Json` variant carrying text().
  operator ClientError() const { return errors::Json{text()}; }  // NOLINT(google-explicit-constructor)
};

template <typename T>
using DecodeResult = std::expected<T, DecodeError>;

}  // namespace norvi::client::json
