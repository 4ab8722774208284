#include "norvi/core/device/calibration_time.hpp"

#include <cstddef>

namespace norvi::core {

namespace {

// The decimal value of `count` digits at `at`, or -1 when one of them is no digit.
int digits(std::string_view text, std::size_t at, std::size_t count) noexcept {
  int value = 0;
  for (std::size_t i = at; i < at + count; ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
  }
  return value;
}

}  // namespace

std::optional<CalibrationTime> parse_calibration_time(std::string_view text) noexcept {
  using namespace std::chrono;
  // 0123456789012345678
  // YYYY-MM-DD hh:mm:ss
  if (text.size() != 19 || text[4] != '-' || text[7] != '-' || text[10] != ' ' || text[13] != ':' ||
      text[16] != ':')
    return std::nullopt;
  const int y = digits(text, 0, 4);
  const int mo = digits(text, 5, 2);
  const int d = digits(text, 8, 2);
  const int h = digits(text, 11, 2);
  const int mi = digits(text, 14, 2);
  const int s = digits(text, 17, 2);
  if (y < 0 || mo < 0 || d < 0 || h < 0 || mi < 0 || s < 0) return std::nullopt;
  if (h > 23 || mi > 59 || s > 59) return std::nullopt;
  const year_month_day date{year{y}, month{static_cast<unsigned>(mo)}, day{static_cast<unsigned>(d)}};
  if (!date.ok()) return std::nullopt;
  return local_days{date} + hours{h} + minutes{mi} + seconds{s};
}

}  // namespace norvi::core
