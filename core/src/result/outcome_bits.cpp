#include "norvi/core/result/outcome_bits.hpp"

#include <algorithm>
#include <atomic>
#include <random>

namespace norvi::core {

OutcomeBits::OutcomeBits(std::size_t word_count) {
  if (word_count > kInlineWords) heap_ = new std::uint64_t[word_count]();  // zeroed
  size_ = word_count;
}

OutcomeBits::OutcomeBits(const OutcomeBits& other) : OutcomeBits(other.size_) {
  std::copy_n(other.data(), size_, data());
}

OutcomeBits& OutcomeBits::operator=(const OutcomeBits& other) {
  if (this != &other) *this = OutcomeBits(other);
  return *this;
}

OutcomeBits& OutcomeBits::operator=(OutcomeBits&& other) noexcept {
  if (this != &other) {
    release();
    take(other);
  }
  return *this;
}

bool operator==(const OutcomeBits& a, const OutcomeBits& b) noexcept {
  return a.size_ == b.size_ && std::equal(a.data(), a.data() + a.size_, b.data());
}

namespace {

std::uint64_t mix(std::uint64_t x) noexcept {  // splitmix64's finaliser
  x ^= x >> 30;
  x *= 0xBF58476D1CE4E5B9u;
  x ^= x >> 27;
  x *= 0x94D049BB133111EBu;
  return x ^ (x >> 31);
}

std::uint64_t fresh_key() {
  static const std::uint64_t seed = [] {
    std::random_device device;
    return (std::uint64_t{device()} << 32) ^ device();
  }();
  static std::atomic<std::uint64_t> counter{0};
  return mix(seed + 0x9E3779B97F4A7C15u * (counter.fetch_add(1, std::memory_order_relaxed) + 1));
}

}  // namespace

OutcomeHash::OutcomeHash() : key_(fresh_key()) {}

std::uint64_t fresh_outcome_hash_key() { return fresh_key(); }

std::size_t OutcomeHash::operator()(const OutcomeBits& bits) const noexcept {
  std::uint64_t h = mix(key_ ^ bits.word_count());
  for (const std::uint64_t w : bits.words()) h = mix(h ^ w) + 0x9E3779B97F4A7C15u;
  return static_cast<std::size_t>(h);
}

std::uint64_t total_count(const OutcomeCounts& counts) noexcept {
  std::uint64_t total = 0;
  for (const auto& [outcome, count] : counts) total = count > UINT64_MAX - total ? UINT64_MAX : total + count;
  return total;
}

std::string bits_to_string(const OutcomeBits& bits, std::uint64_t width) {
  std::string text(static_cast<std::size_t>(width), '0');
  // Character j shows bit width - 1 - j.
  for (std::size_t w = 0; w * 64 < width && w < bits.word_count(); ++w) {
    std::uint64_t word = bits.word(w);
    for (std::size_t b = 0; word != 0 && w * 64 + b < width; ++b, word >>= 1) {
      if (word & 1u) text[static_cast<std::size_t>(width) - 1 - (w * 64 + b)] = '1';
    }
  }
  return text;
}

namespace {

// The character whose last byte is text[end - 1], and where it starts. Malformed UTF-8 reads as
// U+FFFD, one byte long.
char32_t last_character(std::string_view text, std::size_t end, std::size_t& start) {
  std::size_t s = end - 1;
  while (s > 0 && end - s < 4 && (static_cast<unsigned char>(text[s]) & 0xC0) == 0x80) --s;
  const auto lead = static_cast<unsigned char>(text[s]);
  std::size_t length = lead < 0x80 ? 1 : (lead & 0xE0) == 0xC0 ? 2 : (lead & 0xF0) == 0xE0 ? 3 : (lead & 0xF8) == 0xF0 ? 4 : 0;
  if (length != end - s) {
    start = end - 1;
    return U'\uFFFD';
  }
  start = s;
  if (length == 1) return lead;
  char32_t c = lead & (0x7F >> length);
  for (std::size_t i = s + 1; i < end; ++i) c = (c << 6) | (static_cast<unsigned char>(text[i]) & 0x3F);
  return c;
}

}  // namespace

std::expected<OutcomeBits, OutcomeParseError> bits_from_string(std::string_view text) {
  const std::size_t length = text.size();
  OutcomeBits bits((length + 63) / 64);
  std::size_t k = 0;  // characters read from the end, all one byte
  for (std::size_t end = length; end > 0; --end, ++k) {
    const char c = text[end - 1];
    if (c == '1') {
      bits.set_bit(k);
    } else if (c != '0') {
      std::size_t start = 0;
      return std::unexpected(OutcomeParseError{last_character(text, end, start), length - 1 - k});
    }
  }
  return bits;
}

}  // namespace norvi::core
