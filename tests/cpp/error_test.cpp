#include <gtest/gtest.h>

#include "norvi/client/error.hpp"

using namespace norvi::client;
using namespace std::chrono_literals;

TEST(DurationText, Units) {
  EXPECT_EQ(duration_text(120s), "120s");
}
