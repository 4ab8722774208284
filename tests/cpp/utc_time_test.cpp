// The text form of a UTC moment.

#include <gtest/gtest.h>

#include <chrono>

#include "norvi/core/utc_time.hpp"

using namespace norvi::core;
using namespace std::chrono;

TEST(UtcTime, TextForm) {
  const UtcTime dec8 = sys_days{2026y / December / 8};
  struct Case {
    UtcTime time;
    const char* text;
  };
  const Case cases[] = {
      {dec8 + 9h + 5min + 3s + 500ms, "2026-12-08 9:05:03.5 +00:00:00"},
      {dec8 + 14h, "2026-12-08 14:00:00.0 +00:00:00"},
      {dec8 + 23h + 59min + 59s + 999999999ns, "2026-12-08 23:59:59.999999999 +00:00:00"},
      {dec8 + 1ns, "2026-12-08 0:00:00.000000001 +00:00:00"},
      {dec8 + 10h + 120us, "2026-12-08 10:00:00.00012 +00:00:00"},
      {UtcTime{}, "1970-01-01 0:00:00.0 +00:00:00"},
      // Before the epoch the time of day still counts forward from midnight.
      {UtcTime{} - 500ms, "1969-12-31 23:59:59.5 +00:00:00"},
      {sys_days{2024y / February / 29} + 12h, "2024-02-29 12:00:00.0 +00:00:00"},
  };
  for (const Case& c : cases) EXPECT_EQ(utc_time_text(c.time), c.text);
}
