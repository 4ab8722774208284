#include "norvi/client/error.hpp"

#include <fmt/format.h>

#include <cstring>

#include "norvi/symbolic/overloaded.hpp"

namespace norvi::client {
namespace {

// Whole units, then up to `decimals` fractional digits with trailing zeros dropped.
std::string scaled(std::uint64_t ns, std::uint64_t unit, int decimals, const char* suffix) {
  std::uint64_t whole = ns / unit;
  std::uint64_t frac = ns % unit;
  std::string out = fmt::format("{}", whole);
  if (frac != 0) {
    std::string digits = fmt::format("{:0{}}", frac, decimals);
    while (!digits.empty() && digits.back() == '0') digits.pop_back();
    out += '.';
    out += digits;
  }
  out += suffix;
  return out;
}

}  // namespace

std::string duration_text(std::chrono::nanoseconds d) {
  const auto ns = static_cast<std::uint64_t>(d.count() < 0 ? 0 : d.count());
  if (ns >= 1'000'000'000) return scaled(ns, 1'000'000'000, 9, "s");
  if (ns >= 1'000'000) return scaled(ns, 1'000'000, 6, "ms");
  if (ns >= 1'000) return scaled(ns, 1'000, 3, "\u00b5s");
  return fmt::format("{}ns", ns);
}

std::string os_error_text(int errno_value) {
  char buf[256];
  const char* text = strerror_r(errno_value, buf, sizeof buf);
  return fmt::format("{} (os error {})", text, errno_value);
}

std::string ClientError::display() const {
  return std::visit(
      symbolic::Overloaded{
          [](const errors::Http& e) { return fmt::format("HTTP request failed: {}", e.detail); },
          [](const errors::Api& e) { return fmt::format("API error (code={}): {}", e.code, e.message); },
          [](const errors::Auth& e) { return fmt::format("Authentication failed: {}", e.detail); },
          [](const errors::Io& e) { return fmt::format("IO error: {}", e.detail); },
          [](const errors::Json& e) { return fmt::format("JSON error: {}", e.detail); },
          [](const errors::Timeout& e) { return fmt::format("Operation timed out after {}", duration_text(e.limit)); },
          [](const errors::DeviceNotFound& e) { return fmt::format("Device not found: '{}'", e.name); },
          [](const errors::InvalidInput& e) { return fmt::format("Invalid input: {}", e.detail); },
          [](const errors::Conversion& e) { return fmt::format("Circuit-to-VESK conversion error: {}", e.detail); },
      },
      value_);
}

std::string client_error_display(const ClientError& error) { return error.display(); }

}  // namespace norvi::client
