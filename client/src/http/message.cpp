#include "norvi/client/http/message.hpp"

#include "ascii.hpp"

namespace norvi::client::http {

const std::string* Response::header(std::string_view name) const {
  for (const ResponseHeader& h : headers)
    if (equal_ignoring_ascii_case(h.name, name)) return &h.value;
  return nullptr;
}

}  // namespace norvi::client::http
