#pragma once
// Which request headers may be sent as given.

#include <string_view>

namespace norvi::client::http {

// A header name is an HTTP token (letters, digits and !#$%&'*+-.^_`|~), not empty.
bool valid_header_name(std::string_view name);

// A value holding a control character other than tab, or DEL, cannot travel as given: such a
// header is left out of the request.
bool sendable_header_value(std::string_view value);

}  // namespace norvi::client::http
