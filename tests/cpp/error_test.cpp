#include <gtest/gtest.h>

#include "norvi/client/error.hpp"

using namespace norvi::client;
using namespace std::chrono_literals;

TEST(ClientErrorDisplay, EveryVariant) {
  const std::pair<ClientError, const char*> cases[] = {
      {errors::Http{"x"}, "HTTP request failed: x"},
      {errors::Api{503, "server error 503 Service Unavailable"}, "API error (code=503): server error 503 Service Unavailable"},
      {errors::Api{-7, ""}, "API error (code=-7): "},
      {errors::Auth{"login failed with code 7"}, "Authentication failed: login failed with code 7"},
      {errors::Io{"Not a directory (os error 20)"}, "IO error: Not a directory (os error 20)"},
      {errors::Json{"expected value at line 1 column 1"}, "JSON error: expected value at line 1 column 1"},
      {errors::Timeout{120s}, "Operation timed out after 120s"},
      {errors::DeviceNotFound{"brevora9"}, "Device not found: 'brevora9'"},
      {errors::InvalidInput{"shots must be greater than zero"}, "Invalid input: shots must be greater than zero"},
      {errors::Conversion{"bad gate"}, "Circuit-to-VESK conversion error: bad gate"},
  };
  for (const auto& [error, text] : cases) {
    EXPECT_EQ(error.display(), text);
    EXPECT_EQ(client_error_display(error), text);
  }
}

TEST(ClientErrorDisplay, VariantOrderIsFixed) {
  EXPECT_EQ(ClientError(errors::Http{}).value().index(), 0u);
  EXPECT_EQ(ClientError(errors::Conversion{}).value().index(), 8u);
  EXPECT_EQ(std::variant_size_v<ClientError::Variant>, 9u);
}

TEST(DurationText, Units) {
  const std::pair<std::chrono::nanoseconds, const char*> cases[] = {
      {120s, "120s"},
      {2500ms, "2.5s"},
      {1s, "1s"},
      {1s + 1ns, "1.000000001s"},
      {3661s, "3661s"},
      {250ms, "250ms"},
      {1500us, "1.5ms"},
      {1ms + 1ns, "1.000001ms"},
      {999999999ns, "999.999999ms"},
      {12500ns, "12.5\u00b5s"},
      {1us, "1\u00b5s"},
      {999ns, "999ns"},
      {1ns, "1ns"},
      {0ns, "0ns"},
  };
  for (const auto& [d, text] : cases) EXPECT_EQ(duration_text(d), text) << d.count();
}

TEST(OsErrorText, CarriesDescriptionAndNumber) {
  EXPECT_EQ(os_error_text(2), "No such file or directory (os error 2)");
}
