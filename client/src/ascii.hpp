#pragma once
// ASCII letter case, as the wire formats define it: only A-Z and a-z change, whatever the locale, and
// every other byte (UTF-8 ones included) passes unchanged.

#include <algorithm>
#include <string>
#include <string_view>

namespace norvi::client {

constexpr char ascii_lower(char c) noexcept { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

inline std::string ascii_lowercase(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = ascii_lower(c);
  return out;
}

inline bool equal_ignoring_ascii_case(std::string_view a, std::string_view b) noexcept {
  return std::ranges::equal(a, b, [](char x, char y) { return ascii_lower(x) == ascii_lower(y); });
}

}  // namespace norvi::client
