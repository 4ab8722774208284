#pragma once
// Well-formed UTF-8 as Unicode defines it: no overlong form (C0, C1, E0 80-9F, F0 80-8F), no encoded
// surrogate (ED A0-BF), nothing above U+10FFFF (F4 90-BF, F5-FF), no continuation byte without its
// lead, no sequence cut short. JSON text, VESK text and the credentials file are UTF-8; every layer
// that checks or repairs a text does it by this one definition.

#include <cstddef>
#include <string>
#include <string_view>

namespace norvi::symbolic {

// The length (1 to 4) of the well-formed sequence at the start of `rest` (not empty), or 0 when none
// starts there; then `ill_formed` is the length (1 to 3) of the maximal ill-formed subpart there: the
// bytes that one replacement character stands for, as Unicode recommends.
std::size_t utf8_sequence_length(std::string_view rest, std::size_t& ill_formed) noexcept;

// Whether `text` is well-formed UTF-8 throughout; the empty text is.
bool valid_utf8(std::string_view text) noexcept;

// `text` with each maximal ill-formed subpart replaced by U+FFFD.
std::string lossy_utf8(std::string_view text);

}  // namespace norvi::symbolic
