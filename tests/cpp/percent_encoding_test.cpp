#include <gtest/gtest.h>

#include "norvi/client/http/percent_encoding.hpp"

using norvi::client::http::append_form_component;
using norvi::client::http::encode_path_segment;
using norvi::client::http::form_urlencode;

namespace {

struct FormCase {
  const char* input;
  const char* encoded;
};

class FormComponent : public testing::TestWithParam<FormCase> {};

TEST_P(FormComponent, EncodesLikeWhatwg) {
  std::string out;
  append_form_component(out, GetParam().input);
  EXPECT_EQ(out, GetParam().encoded);
}

INSTANTIATE_TEST_SUITE_P(
    Table, FormComponent,
    testing::Values(FormCase{"", ""}, FormCase{"AZaz09*-._", "AZaz09*-._"}, FormCase{"a&b=c+d e~", "a%26b%3Dc%2Bd+e%7E"},
                    FormCase{"  ", "++"}, FormCase{"%/?#!'()", "%25%2F%3F%23%21%27%28%29"},
                    FormCase{"\t\n\x7f", "%09%0A%7F"}, FormCase{"B\xc3\xbc" "cher", "B%C3%BCcher"},
                    FormCase{"\xff", "%FF"}));

TEST(FormComponent, KeepsNulBytes) {
  std::string out;
  append_form_component(out, std::string_view("a\0b", 3));
  EXPECT_EQ(out, "a%00b");
}

TEST(FormUrlencode, JoinsPairsInOrder) {
  EXPECT_EQ(form_urlencode({{"grant_type", "openId"}, {"openId", "k&=+ y"}, {"account_type", "member"}}),
            "grant_type=openId&openId=k%26%3D%2B+y&account_type=member");
  EXPECT_EQ(form_urlencode({{"", ""}, {"a", ""}}), "=&a=");
  EXPECT_EQ(form_urlencode({}), "");
}

TEST(PathSegment, KeepsTheTextInOneSegment) {
  const FormCase cases[] = {
      {"", ""},
      {"AZaz09-._~", "AZaz09-._~"},
      {"brevora/../x", "brevora%2F..%2Fx"},
      {"a#b?c=1&d", "a%23b%3Fc%3D1%26d"},
      {"%41 +*", "%2541%20%2B%2A"},
      {"B\xc3\xbc" "cher", "B%C3%BCcher"},
      {"\t\x7f\xff", "%09%7F%FF"},
      // Dot segments as whole names only.
      {".", "%2E"},
      {"..", "%2E%2E"},
      {"...", "..."},
      {".a", ".a"},
  };
  for (const FormCase& c : cases) EXPECT_EQ(encode_path_segment(c.input), c.encoded) << c.input;
  EXPECT_EQ(encode_path_segment(std::string_view("a\0b", 3)), "a%00b");
}

}  // namespace
