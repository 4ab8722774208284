// The rules of the retry loop on their own: the wait a `retry-after` value asks for (values that
// cannot travel over HTTP included), and the message of a server error.

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "retry_rules.hpp"

namespace {

using norvi::client::retry_after_wait;
using norvi::client::server_error_message;

TEST(RetryAfter, WaitAskedFor) {
  struct Case {
    std::optional<std::string> value;
    std::int64_t seconds;
  };
  const Case cases[] = {
      {std::nullopt, 5},
      {"", 5},
      {"0", 0},
      {"000", 0},
      {"7", 7},
      {"+2", 2},
      {"60", 60},
      {"61", 60},
      {"18446744073709551615", 60},  // the largest value that fits: capped, not the default
      {"18446744073709551616", 5},   // one more does not fit
      {"+", 5},
      {"-", 5},
      {"-2", 5},
      {"++2", 5},
      {"2.5", 5},
      {" 2", 5},
      {"2 ", 5},
      {"\t2", 5},
      {"2s", 5},
      {"Wed, 21 Oct 2015 07:28:00 GMT", 5},
      {std::string("2\0", 2), 5},
      {"2\x7f", 5},
      {"\xc2\xb2", 5},
  };
  for (const Case& c : cases) {
    const std::string* value = c.value ? &*c.value : nullptr;
    EXPECT_EQ(retry_after_wait(value).count(), c.seconds) << (c.value ? "'" + *c.value + "'" : "absent");
  }
}

TEST(ServerError, MessageHoldsTheStandardReasonPhrase) {
  EXPECT_EQ(server_error_message(500), "server error 500 Internal Server Error");
  EXPECT_EQ(server_error_message(503), "server error 503 Service Unavailable");
  EXPECT_EQ(server_error_message(505), "server error 505 HTTP Version Not Supported");
  EXPECT_EQ(server_error_message(511), "server error 511 Network Authentication Required");
  EXPECT_EQ(server_error_message(509), "server error 509 <unknown status code>");
  EXPECT_EQ(server_error_message(599), "server error 599 <unknown status code>");
}

}  // namespace
