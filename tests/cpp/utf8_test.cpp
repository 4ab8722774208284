// Well-formed UTF-8: which texts are, and what the replacement form of the others is (one U+FFFD for
// each maximal ill-formed subpart).

#include <gtest/gtest.h>

#include <string>

#include "norvi/symbolic/utf8.hpp"

namespace {

using norvi::symbolic::lossy_utf8;
using norvi::symbolic::valid_utf8;

constexpr const char* kR = "\xef\xbf\xbd";  // U+FFFD

struct Case {
  const char* what;
  std::string text;
  std::string lossy;  // empty: the text is well-formed and comes back unchanged
};

const Case kCases[] = {
    {"empty", "", ""},
    {"ASCII", "H Q0\nM Q0", ""},
    {"NUL", std::string("a\0b", 3), ""},
    {"two bytes", "caf\xc3\xa9", ""},
    {"three bytes", "\xe2\x82\xac", ""},
    {"four bytes", "\xf0\x9f\x99\x82", ""},
    {"U+0080, U+07FF, U+0800", "\xc2\x80\xdf\xbf\xe0\xa0\x80", ""},
    {"U+D7FF and U+E000 beside the surrogates", "\xed\x9f\xbf\xee\x80\x80", ""},
    {"U+FFFD itself", kR, ""},
    {"U+10000", "\xf0\x90\x80\x80", ""},
    {"U+10FFFF", "\xf4\x8f\xbf\xbf", ""},
    {"stray byte", "H Q0\xff", std::string("H Q0") + kR},
    {"overlong C0 AF", "\xc0\xaf", std::string(kR) + kR},
    {"overlong C1", "\xc1\xbf", std::string(kR) + kR},
    {"overlong E0 80-9F", "\xe0\x9f\xbf", std::string(kR) + kR + kR},
    {"overlong F0 80-8F", "\xf0\x8f\xbf\xbf", std::string(kR) + kR + kR + kR},
    {"encoded surrogate ED A0 80", "\xed\xa0\x80", std::string(kR) + kR + kR},
    {"last surrogate ED BF BF", "\xed\xbf\xbf", std::string(kR) + kR + kR},
    {"above U+10FFFF: F4 90 80 80", "\xf4\x90\x80\x80", std::string(kR) + kR + kR + kR},
    {"above U+10FFFF: F5", "\xf5\x80\x80\x80", std::string(kR) + kR + kR + kR},
    {"lone continuation byte", "a\x80z", std::string("a") + kR + "z"},
    {"two bytes of three, then a letter", "\xe2\x82z", std::string(kR) + "z"},
    {"cut short at the end: one of two", "ab\xc3", std::string("ab") + kR},
    {"cut short at the end: two of three", "ab\xe2\x82", std::string("ab") + kR},
    {"cut short at the end: three of four", "ab\xf0\x9f\x99", std::string("ab") + kR},
    {"a lead byte before a lead byte", "\xc3\xc3\xa9", std::string(kR) + "\xc3\xa9"},
};

TEST(Utf8, WellFormedAndReplacementForm) {
  for (const Case& c : kCases) {
    const bool well_formed = c.lossy.empty();
    EXPECT_EQ(valid_utf8(c.text), well_formed) << c.what;
    EXPECT_EQ(lossy_utf8(c.text), well_formed ? c.text : c.lossy) << c.what;
    // Each text also ends a longer well-formed one: the check does not depend on where it stands.
    EXPECT_EQ(valid_utf8("\xc3\xa9 " + c.text), well_formed) << c.what;
  }
}

}  // namespace
