#include "norvi/core/utc_time.hpp"

#include <iterator>

#include <fmt/format.h>

namespace norvi::core {

UtcTime utc_now() { return std::chrono::time_point_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now()); }

std::string utc_time_text(UtcTime time) {
  using namespace std::chrono;
  const sys_days day = floor<days>(time);  // floor, so moments before 1970 keep a time of day in [0, 24 h)
  const year_month_day date{day};
  const hh_mm_ss<nanoseconds> clock{time - day};

  std::string out;
  const int year = static_cast<int>(date.year());
  if (year < 0) {
    fmt::format_to(std::back_inserter(out), "-{:04}", -year);
  } else {
    fmt::format_to(std::back_inserter(out), "{:04}", year);
  }
  fmt::format_to(std::back_inserter(out), "-{:02}-{:02} {}:{:02}:{:02}.{:09}", static_cast<unsigned>(date.month()),
                 static_cast<unsigned>(date.day()), clock.hours().count(), clock.minutes().count(),
                 clock.seconds().count(), clock.subseconds().count());
  while (out.back() == '0' && out[out.size() - 2] != '.') out.pop_back();
  out += " +00:00:00";
  return out;
}

}  // namespace norvi::core
