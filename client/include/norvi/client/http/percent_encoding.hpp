#pragma once
// Percent-encoding of texts for the two places they travel in: an application/x-www-form-urlencoded
// body (the WHATWG URL standard's serializer) and one segment of a URL path.

#include <initializer_list>
#include <string>
#include <string_view>

namespace norvi::client::http {

struct FormPair {
  std::string_view name;
  std::string_view value;
};

// Appends `text` encoded: ASCII letters and digits and `*-._` unchanged, a space as '+', every
// other byte as %XX in upper case.
void append_form_component(std::string& out, std::string_view text);

// "name=value" of each pair, encoded, joined with '&'.
std::string form_urlencode(std::initializer_list<FormPair> pairs);

// `text` as one path segment, whatever it holds: ASCII letters and digits and `-._~` unchanged, every
// other byte as %XX in upper case, and the whole names "." and ".." as %2E and %2E%2E (a parser would
// otherwise take them for the current and the parent directory).
std::string encode_path_segment(std::string_view text);

}  // namespace norvi::client::http
