#include "http/headers.hpp"

#include <string_view>

namespace norvi::client::http {

bool valid_header_name(std::string_view name) {
  constexpr std::string_view kTokenPunctuation = "!#$%&'*+-.^_`|~";
  if (name.empty()) return false;
  for (char ch : name) {
    const auto c = static_cast<unsigned char>(ch);
    const bool alnum = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    if (!alnum && kTokenPunctuation.find(ch) == std::string_view::npos) return false;
  }
  return true;
}

bool sendable_header_value(std::string_view value) {
  for (char ch : value) {
    const auto c = static_cast<unsigned char>(ch);
    if ((c < 0x20 && c != '\t') || c == 0x7F) return false;
  }
  return true;
}

}  // namespace norvi::client::http
