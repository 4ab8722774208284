#pragma once
// Names for the cases of a parameterised table, so that every test name reads as what it checks: the
// case's position, then a text of the case with each byte a test name cannot hold written out.

#include <cstddef>
#include <string>
#include <string_view>

#include <fmt/format.h>

namespace norvi::testing {

// "3_a_b" for (3, "a b"), "5_x0A" for (5, "\n"), "0_empty" for (0, ""); at most about 60 bytes.
inline std::string case_name(std::size_t index, std::string_view text) {
  std::string name = fmt::format("{}_", index);
  if (text.empty()) return name + "empty";
  for (unsigned char c : text) {
    if (name.size() >= 60) break;
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) {
      name += static_cast<char>(c);
    } else if (c >= ' ' && c < 0x7f) {
      name += '_';
    } else {
      name += fmt::format("x{:02X}", c);
    }
  }
  return name;
}

// The generator for INSTANTIATE_TEST_SUITE_P, naming each case by the text `field` picks from it.
template <typename Field> auto named_by(Field field) {
  return [field](const auto& info) { return case_name(info.index, field(info.param)); };
}

}  // namespace norvi::testing
