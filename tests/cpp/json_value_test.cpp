#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "norvi/client/json/decode.hpp"
#include "norvi/client/json/write.hpp"

using namespace norvi::client;
using json::Kind;

namespace {

json::Value parsed(const std::string& text) {
  auto v = json::parse(text);
  EXPECT_TRUE(v) << text << ": " << (v ? "" : v.error().text());
  return v ? *v : json::Value();
}

}  // namespace

TEST(JsonValue, NumbersAreIntegersWhenTheyFit64Bits) {
  struct Case {
    const char* text;
    Kind kind;
    bool fits_i64;
    bool fits_u64;
  };
  const Case cases[] = {
      {"0", Kind::integer, true, true},
      {"-0", Kind::integer, true, true},
      {"18446744073709551615", Kind::integer, false, true},
      {"18446744073709551616", Kind::floating, false, false},
      {"9223372036854775807", Kind::integer, true, true},
      {"9223372036854775808", Kind::integer, false, true},
      {"-9223372036854775808", Kind::integer, true, false},
      {"-9223372036854775809", Kind::floating, false, false},
      {"5.0", Kind::floating, false, false},
      {"5e0", Kind::floating, false, false},
      {"-1E2", Kind::floating, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const json::Value v = parsed(c.text);
    EXPECT_EQ(v.kind(), c.kind);
    EXPECT_EQ(v.as_i64().has_value(), c.fits_i64);
    EXPECT_EQ(v.as_u64().has_value(), c.fits_u64);
    EXPECT_TRUE(v.as_f64().has_value());
  }
  EXPECT_EQ(*parsed("18446744073709551615").as_u64(), 18446744073709551615u);
  EXPECT_EQ(*parsed("-9223372036854775808").as_i64(), INT64_MIN);
  EXPECT_EQ(*parsed("18446744073709551616").as_f64(), 18446744073709551616.0);
  // Floats are correctly rounded; underflow reads as zero.
  EXPECT_EQ(*parsed("2.2250738585072011e-308").as_f64(), 2.2250738585072009e-308);
  EXPECT_EQ(*parsed("0.1").as_f64(), 0.1);
  EXPECT_EQ(*parsed("2e-400").as_f64(), 0.0);
  EXPECT_TRUE(std::signbit(*parsed("-2e-400").as_f64()));
}

TEST(JsonValue, MembersOrderedByKeyBytesAndTheLastDuplicateWins) {
  const json::Value v = parsed(R"({"qubits": 1, "b": 1, "T1": 2, "a": 3, "Q": 4, "b": 5, "1q": 6, "b": 7, "": 8})");
  ASSERT_TRUE(v.is_object());
  std::string keys;
  for (const json::Member& m : v.members()) keys += "[" + std::string(m.key) + "]";
  EXPECT_EQ(keys, "[][1q][Q][T1][a][b][qubits]");
  EXPECT_EQ(*v.find("b")->as_i64(), 7);
  EXPECT_EQ(*v.find("")->as_i64(), 8);
  EXPECT_FALSE(v.find("B").has_value());
  EXPECT_FALSE(v.find("qubit").has_value());
  // The text's order stays available, a repeated key standing where its last occurrence stood.
  auto in_text_order = [](const json::Value& object) {
    std::string out;
    for (std::size_t i : object.document_order()) out += "[" + std::string(object.key(i)) + "]";
    return out;
  };
  EXPECT_EQ(in_text_order(v), "[qubits][T1][a][Q][1q][b][]");
  EXPECT_EQ(in_text_order(parsed(R"({"": 1, "a": 2})")), "[][a]");
  EXPECT_EQ(in_text_order(parsed(R"({"a": "x", "": 2, "b": 3})")), "[a][][b]");
  EXPECT_EQ(in_text_order(parsed("[1, 2]")), "");
  // Keys compare as unsigned bytes: a non-ASCII key sorts after every ASCII one.
  const json::Value u = parsed(R"({"\u00e9": 1, "z": 2})");
  EXPECT_EQ(u.key(0), "z");
}

TEST(JsonValue, TraversalAndSharingAPart) {
  json::Value item;
  {
    const json::Value doc = parsed(R"({"list": [true, null, "x\u0000y", [1, -2.5]], "n": {}})");
    const json::ValueRef list = *doc.find("list");
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(list[0].as_bool(), true);
    EXPECT_TRUE(list[1].is_null());
    EXPECT_EQ(*list[2].as_string(), std::string("x\0y", 3));
    EXPECT_EQ(*list[3][1].as_f64(), -2.5);
    std::size_t count = 0;
    for (json::ValueRef e : list.elements()) count += e.is_null() ? 0 : 1;
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(doc.find("n")->size(), 0u);
    EXPECT_EQ(list[0].size(), 0u);       // not a container
    EXPECT_FALSE(list[0].as_string());  // wrong kind: none
    item = doc.share(list[3]);
  }
  // The shared part keeps its document alive.
  EXPECT_EQ(json::to_text(item), "[1,-2.5]");
}

TEST(JsonValue, ArraysOfSmallIntegersReadLikeAnyOther) {
  // Such arrays are held one byte per element; nothing outside shows it.
  const std::string text = R"({"rows": [[0, 1, 255], [256], [0, -1], [], [1, 1.0], [7]]})";
  const json::Value v = parsed(text);
  const json::ValueRef rows = *v.find("rows");
  ASSERT_EQ(rows.size(), 6u);
  EXPECT_EQ(rows[0].size(), 3u);
  EXPECT_EQ(rows[0][2].as_u64(), 255u);
  EXPECT_EQ(rows[0][1].kind(), Kind::integer);
  EXPECT_EQ(rows[1][0].as_u64(), 256u);
  EXPECT_EQ(rows[2][1].as_i64(), -1);
  EXPECT_TRUE(rows[4][1].is_floating());
  std::uint64_t sum = 0;
  for (json::ValueRef e : rows[0].elements()) sum += *e.as_u64();
  EXPECT_EQ(sum, 256u);
  EXPECT_EQ(json::to_text(v), R"({"rows":[[0,1,255],[256],[0,-1],[],[1,1.0],[7]]})");
  EXPECT_EQ(rows[5], parsed("[7]"));
  EXPECT_NE(rows[5], parsed("[7.0]"));
  EXPECT_EQ(v.share(rows[0][1]), parsed("1"));
  const auto lists = json::decode<std::vector<std::vector<double>>>(v.share(rows));
  ASSERT_TRUE(lists) << lists.error().text();
  EXPECT_EQ((*lists)[0], (std::vector<double>{0, 1, 255}));
  EXPECT_EQ((*lists)[2], (std::vector<double>{0, -1}));
  EXPECT_EQ(json::decode<std::vector<std::string>>(v.share(rows[0])).error().text(),
            "invalid type: integer `0`, expected a string");
}

TEST(JsonValue, EqualityIsStructural) {
  EXPECT_EQ(parsed(R"({"b":[1,"x"],"a":null})"), parsed(R"({"a": null, "b": [1, "x"]})"));
  EXPECT_NE(parsed("1"), parsed("1.0"));
  EXPECT_NE(parsed("[1,2]"), parsed("[1]"));
  EXPECT_NE(parsed(R"({"a":1})"), parsed(R"({"b":1})"));
  EXPECT_EQ(json::Value(), parsed("null"));
}

TEST(JsonValue, SyntaxErrorsWithTheirPositions) {
  struct Case {
    std::string text;
    const char* error;
  };
  const Case cases[] = {
      {"", "EOF while parsing a value at line 1 column 0"},
      {"  \n ", "EOF while parsing a value at line 2 column 1"},
      {"x", "expected value at line 1 column 1"},
      {"\xEF\xBB\xBF{}", "expected value at line 1 column 1"},
      {"{\n  \"a\": x\n}", "expected value at line 2 column 8"},
      {"[1,]", "trailing comma at line 1 column 4"},
      {R"({"a":1,})", "trailing comma at line 1 column 8"},
      {"[1 2]", "expected `,` or `]` at line 1 column 4"},
      {R"({"a":1 "b":2})", "expected `,` or `}` at line 1 column 8"},
      {R"({"a" 1})", "expected `:` at line 1 column 6"},
      {"{1:2}", "key must be a string at line 1 column 2"},
      {"{", "EOF while parsing an object at line 1 column 1"},
      {R"({"a":1)", "EOF while parsing an object at line 1 column 6"},
      {R"({"a")", "EOF while parsing an object at line 1 column 4"},
      {R"({"a":)", "EOF while parsing a value at line 1 column 5"},
      {R"({"a":1,)", "EOF while parsing a value at line 1 column 7"},
      {"[", "EOF while parsing a list at line 1 column 1"},
      {"[1", "EOF while parsing a list at line 1 column 2"},
      {"[1,", "EOF while parsing a value at line 1 column 3"},
      {"\"abc", "EOF while parsing a string at line 1 column 4"},
      {"\"a\\", "EOF while parsing a string at line 1 column 3"},
      {"\"a\\qb\"", "invalid escape at line 1 column 4"},
      {"\"\\u12x4\"", "invalid escape at line 1 column 7"},
      {"\"\\u12", "EOF while parsing a string at line 1 column 5"},
      {"\"a\tb\"", "control character (\\u0000-\\u001F) found while parsing a string at line 1 column 3"},
      {std::string("\"a\0b\"", 5), "control character (\\u0000-\\u001F) found while parsing a string at line 1 column 3"},
      {"\"\\uDC00\"", "lone leading surrogate in hex escape at line 1 column 7"},
      {"\"\\uD800\\u0041\"", "lone leading surrogate in hex escape at line 1 column 13"},
      {"\"\\uD800x\"", "unexpected end of hex escape at line 1 column 8"},
      {"\"\xFF\"", "invalid unicode code point at line 1 column 3"},
      {"\"\xC0\x80\"", "invalid unicode code point at line 1 column 4"},
      {"01", "invalid number at line 1 column 2"},
      {"[01]", "invalid number at line 1 column 3"},
      {R"({"a":-01})", "invalid number at line 1 column 8"},
      {"-", "EOF while parsing a value at line 1 column 1"},
      {"-x", "invalid number at line 1 column 2"},
      {"1.", "EOF while parsing a value at line 1 column 2"},
      {"1.x", "invalid number at line 1 column 3"},
      {"1e", "EOF while parsing a value at line 1 column 2"},
      {"[1e+]", "invalid number at line 1 column 5"},
      {"1e400", "number out of range at line 1 column 5"},
      {"[-1.5e999]", "number out of range at line 1 column 9"},
      // RapidJSON's own conversion turns this into a tiny negative number.
      {"10e308", "number out of range at line 1 column 6"},
      {"tru", "EOF while parsing a value at line 1 column 3"},
      {"[nulx]", "expected ident at line 1 column 5"},
      {"{} x", "trailing characters at line 1 column 4"},
      {"{}\n\nx", "trailing characters at line 3 column 1"},
      {std::string("[1]\0", 4), "trailing characters at line 1 column 4"},
      {"0 1", "trailing characters at line 1 column 3"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const auto v = json::parse(c.text);
    ASSERT_FALSE(v);
    EXPECT_EQ(v.error().text(), c.error);
  }
}

TEST(JsonValue, NestingIsLimitedTo127Levels) {
  const std::string ok = std::string(127, '[') + std::string(127, ']');
  EXPECT_TRUE(json::parse(ok));
  const std::string deep = std::string(128, '[') + std::string(128, ']');
  EXPECT_EQ(json::parse(deep).error().text(), "recursion limit exceeded at line 1 column 128");
  // Far deeper input fails the same way instead of exhausting the stack.
  EXPECT_FALSE(json::parse(std::string(1'000'000, '[')));
  std::string mixed;
  for (int i = 0; i < 200'000; ++i) mixed += "{\"a\":[";
  EXPECT_EQ(json::parse(mixed).error().text(), "recursion limit exceeded at line 1 column 384");
}
