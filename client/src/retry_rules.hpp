#pragma once
// The retry loop's rules for answers that are tried again: how long a rate limit asks to wait, and
// the message of a server error.

#include <chrono>
#include <string>

namespace norvi::client {

// The default wait of a rate limit, and the longest one honoured: a caller may hold the interpreter
// lock while it waits.
inline constexpr std::chrono::seconds kDefaultRetryAfter{5};
inline constexpr std::chrono::seconds kMaxRetryAfter{60};

// The wait asked for by a `retry-after` value (null: no header): a decimal number of seconds with an
// optional leading '+', capped at kMaxRetryAfter; anything else (empty, a fraction, a sign, a date,
// bytes outside visible ASCII and tab, more than 64 bits) gets kDefaultRetryAfter.
std::chrono::seconds retry_after_wait(const std::string* value) noexcept;

// "server error {}" with the status and its standard reason phrase ("<unknown status code>" when the
// number has none), for a status from 500 to 599.
std::string server_error_message(int status);

}  // namespace norvi::client
