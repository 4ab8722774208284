#include "norvi/symbolic/utf8.hpp"

namespace norvi::symbolic {

std::size_t utf8_sequence_length(std::string_view rest, std::size_t& ill_formed) noexcept {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(rest[k]); };
  const unsigned lead = byte(0);
  if (lead < 0x80) return 1;
  // The continuation bytes a lead byte takes, and the range of the first of them: the lead bytes
  // E0, ED, F0 and F4 narrow it so that no overlong form, surrogate or value beyond U+10FFFF passes.
  std::size_t need = 0;
  unsigned low = 0x80;
  unsigned high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    need = 1;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    need = 2;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    need = 3;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    ill_formed = 1;  // a continuation byte, C0, C1 or F5 to FF
    return 0;
  }
  for (std::size_t k = 1; k <= need; ++k) {
    if (k >= rest.size() || byte(k) < low || byte(k) > high) {
      ill_formed = k;
      return 0;
    }
    low = 0x80;
    high = 0xBF;
  }
  return need + 1;
}

bool valid_utf8(std::string_view text) noexcept {
  std::size_t ill_formed = 0;
  for (std::size_t i = 0; i < text.size();) {
    if (static_cast<unsigned char>(text[i]) < 0x80) {
      ++i;  // the common case, without the call
      continue;
    }
    const std::size_t n = utf8_sequence_length(text.substr(i), ill_formed);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

std::string lossy_utf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t ill_formed = 0;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t n = utf8_sequence_length(text.substr(i), ill_formed);
    if (n == 0) {
      out += "\xEF\xBF\xBD";
      i += ill_formed;
    } else {
      out.append(text, i, n);
      i += n;
    }
  }
  return out;
}

}  // namespace norvi::symbolic
