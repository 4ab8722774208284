#include <gtest/gtest.h>

#include "http/headers.hpp"
#include "support/case_name.hpp"

using namespace norvi::client::http;

namespace {

struct ValueCase {
  std::string value;
  bool sendable;
};

class HeaderValue : public testing::TestWithParam<ValueCase> {};

TEST_P(HeaderValue, ControlCharactersOtherThanTabKeepItOut) {
  EXPECT_EQ(sendable_header_value(GetParam().value), GetParam().sendable);
}

INSTANTIATE_TEST_SUITE_P(Table, HeaderValue,
                         testing::Values(ValueCase{"", true}, ValueCase{"Bearer tok-1", true},
                                         ValueCase{"a\tb", true}, ValueCase{" ~!\"#", true},
                                         ValueCase{"caf\xc3\xa9", true}, ValueCase{"\x80\xff", true},
                                         ValueCase{"a\nb", false}, ValueCase{"a\rb", false},
                                         ValueCase{"tok\r\nx-injected: 1", false},
                                         ValueCase{std::string("a\0b", 3), false}, ValueCase{"\x01", false},
                                         ValueCase{"\x1f", false}, ValueCase{"a\x7f", false}),
                         norvi::testing::named_by([](const ValueCase& c) { return std::string_view(c.value); }));

TEST(HeaderName, MustBeAToken) {
  for (const char* good : {"basictoken", "authorization", "Content-Type", "x_a.b~!#$%&'*+^`|"})
    EXPECT_TRUE(valid_header_name(good)) << good;
  for (const char* bad : {"", "a b", "a:b", "a\tb", "a\"b", "a(b)", "caf\xc3\xa9"})
    EXPECT_FALSE(valid_header_name(bad)) << bad;
  EXPECT_FALSE(valid_header_name(std::string_view("a\0b", 3)));
}

}  // namespace
