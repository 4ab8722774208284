#include "norvi/client/http/form_encoding.hpp"

namespace norvi::client::http {
namespace {

bool unreserved(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '*' || c == '-' ||
         c == '.' || c == '_';
}

}  // namespace

void append_form_component(std::string& out, std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  for (char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (unreserved(c)) {
      out += ch;
    } else if (c == ' ') {
      out += '+';
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 0x0F];
    }
  }
}

std::string form_urlencode(std::initializer_list<FormPair> pairs) {
  std::string out;
  for (const FormPair& pair : pairs) {
    if (!out.empty()) out += '&';
    append_form_component(out, pair.name);
    out += '=';
    append_form_component(out, pair.value);
  }
  return out;
}

}  // namespace norvi::client::http
