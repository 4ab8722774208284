#include "norvi/client/http/percent_encoding.hpp"

namespace norvi::client::http {
namespace {

bool alphanumeric(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

bool form_unreserved(unsigned char c) { return alphanumeric(c) || c == '*' || c == '-' || c == '.' || c == '_'; }

bool path_unreserved(unsigned char c) { return alphanumeric(c) || c == '-' || c == '.' || c == '_' || c == '~'; }

// Bytes that `keep` accepts unchanged, a space as '+' when `space_as_plus`, every other byte as %XX.
void append_encoded(std::string& out, std::string_view text, bool (*keep)(unsigned char), bool space_as_plus) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  for (char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (keep(c)) {
      out += ch;
    } else if (space_as_plus && c == ' ') {
      out += '+';
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 0x0F];
    }
  }
}

}  // namespace

void append_form_component(std::string& out, std::string_view text) { append_encoded(out, text, &form_unreserved, true); }

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

std::string encode_path_segment(std::string_view text) {
  if (text == ".") return "%2E";
  if (text == "..") return "%2E%2E";
  std::string out;
  out.reserve(text.size());
  append_encoded(out, text, &path_unreserved, false);
  return out;
}

}  // namespace norvi::client::http
