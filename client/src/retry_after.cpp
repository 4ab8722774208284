#include <cstdint>
#include <limits>
#include <string_view>

#include "retry_rules.hpp"

namespace norvi::client {

std::chrono::seconds retry_after_wait(const std::string* value) noexcept {
  if (value == nullptr || value->empty()) return kDefaultRetryAfter;
  for (char ch : *value) {
    const auto c = static_cast<unsigned char>(ch);
    if (c != '\t' && (c < 0x20 || c > 0x7E)) return kDefaultRetryAfter;
  }
  std::string_view digits = *value;
  if (digits.front() == '+') digits.remove_prefix(1);
  if (digits.empty()) return kDefaultRetryAfter;
  std::uint64_t seconds = 0;
  for (char ch : digits) {
    if (ch < '0' || ch > '9') return kDefaultRetryAfter;
    const auto digit = static_cast<std::uint64_t>(ch - '0');
    if (seconds > (std::numeric_limits<std::uint64_t>::max() - digit) / 10) return kDefaultRetryAfter;
    seconds = seconds * 10 + digit;
  }
  if (seconds > static_cast<std::uint64_t>(kMaxRetryAfter.count())) return kMaxRetryAfter;
  return std::chrono::seconds(static_cast<std::int64_t>(seconds));
}

}  // namespace norvi::client
