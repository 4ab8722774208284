#include <fmt/format.h>

#include <string_view>

#include "retry_rules.hpp"

namespace norvi::client {
namespace {

// The registered reason phrases of the server error range.
std::string_view server_error_reason(int status) {
  switch (status) {
    case 500: return "Internal Server Error";
    case 501: return "Not Implemented";
    case 502: return "Bad Gateway";
    case 503: return "Service Unavailable";
    case 504: return "Gateway Timeout";
    case 505: return "HTTP Version Not Supported";
    case 506: return "Variant Also Negotiates";
    case 507: return "Insufficient Storage";
    case 508: return "Loop Detected";
    case 510: return "Not Extended";
    case 511: return "Network Authentication Required";
    default: return "<unknown status code>";
  }
}

}  // namespace

std::string server_error_message(int status) {
  return fmt::format("server error {} {}", status, server_error_reason(status));
}

}  // namespace norvi::client
