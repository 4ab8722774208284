#pragma once
// The application/x-www-form-urlencoded serializer of the WHATWG URL standard.

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

}  // namespace norvi::client::http
