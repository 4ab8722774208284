#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <map>
#include <optional>
#include <string>

#include "norvi/client/credentials.hpp"
#include "norvi/client/json/decode.hpp"
#include "norvi/client/json/encode.hpp"
#include "norvi/client/json/record.hpp"
#include "norvi/client/json/write.hpp"

using namespace norvi::client;

TEST(JsonWrite, CompactBodyKeepsTheCallersKeyOrder) {
  json::Writer w;
  w.begin_object()
      .key("circuit")
      .begin_array()
      .string("H Q1\nM Q1")
      .end_array()
      .key("computerCode")
      .string("brevora311")
      .key("is_verify")
      .boolean(true)
      .key("language")
      .string("vesk")
      .key("name")
      .string("")
      .key("shots")
      .integer(std::uint64_t{1000})
      .end_object();
  EXPECT_EQ(w.take(),
            R"({"circuit":["H Q1\nM Q1"],"computerCode":"brevora311","is_verify":true,"language":"vesk","name":"","shots":1000})");
  // The writer starts afresh after take().
  EXPECT_EQ(w.begin_object().key("z").null().key("a").integer(-1).end_object().take(), R"({"z":null,"a":-1})");
}

TEST(JsonWrite, StringsEscapedAsThePlatformDoes) {
  struct Case {
    std::string in;
    const char* out;
  };
  const Case cases[] = {
      {"plain", R"("plain")"},
      {"q\"b\\s/", R"("q\"b\\s/")"},
      {"\b\f\n\r\t", R"("\b\f\n\r\t")"},
      {std::string("\0\x01\x1f", 3), R"("\u0000\u0001\u001f")"},
      {"\x7f\xc3\xa9\xe2\x82\xac", "\"\x7f\xc3\xa9\xe2\x82\xac\""},
      {std::string("a\0b", 3), R"("a\u0000b")"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(json::Writer().string(c.in).take(), c.out);
    // Keys are escaped the same way, and what is written reads back unchanged.
    const std::string object = json::Writer().begin_object().key(c.in).string(c.in).end_object().take();
    const auto back = json::decode<std::map<std::string, std::string>>(object);
    ASSERT_TRUE(back) << object;
    EXPECT_EQ(back->at(c.in), c.in);
  }
}

TEST(JsonWrite, Numbers) {
  json::Writer w;
  w.begin_array()
      .integer(std::numeric_limits<std::int64_t>::min())
      .integer(std::numeric_limits<std::uint64_t>::max())
      .integer(0)
      .number(2.0)
      .number(0.1)
      .number(1e16)
      .number(-1.5e-7)
      .number(std::numeric_limits<double>::quiet_NaN())
      .number(-std::numeric_limits<double>::infinity())
      .end_array();
  EXPECT_EQ(w.take(), "[-9223372036854775808,18446744073709551615,0,2.0,0.1,1e16,-1.5e-7,null,null]");
}

TEST(JsonWrite, GenericValues) {
  const std::string text = R"({"b": [1, -2, 18446744073709551615, 2.5e-9, true, null, "x\u0000"], "a": {}, "c": []})";
  const json::Value v = *json::parse(text);
  const std::string compact = json::to_text(v);
  EXPECT_EQ(compact, R"({"a":{},"b":[1,-2,18446744073709551615,2.5e-9,true,null,"x\u0000"],"c":[]})");
  EXPECT_EQ(*json::parse(compact), v);
  EXPECT_EQ(json::Writer().begin_array().value(v.find("c").value()).value(json::Value()).end_array().take(), "[[],null]");
}

TEST(JsonWrite, PrettyLayout) {
  json::Writer w(json::Writer::Layout::pretty);
  w.begin_object().key("a").integer(1).key("b").begin_array().string("x").integer(2).end_array().end_object();
  EXPECT_EQ(w.take(), "{\n  \"a\": 1,\n  \"b\": [\n    \"x\",\n    2\n  ]\n}");

  EXPECT_EQ(credentials_file_text({"key/1", "t\"\\\n\x01", -1700000000}),
            "{\n"
            "  \"api_key\": \"key/1\",\n"
            "  \"access_token\": \"t\\\"\\\\\\n\\u0001\",\n"
            "  \"token_obtained_at\": -1700000000\n"
            "}");
}

namespace record_encoding {

struct Inner {
  std::int64_t n = 0;
  std::optional<std::string> note;
  bool operator==(const Inner&) const = default;
};
struct Outer {
  std::vector<Inner> items;
  std::map<std::string, double> weights;
  std::optional<Inner> extra;
  json::Value raw;
  bool operator==(const Outer&) const = default;
};

const json::Record& json_record(json::TypeTag<Inner>) {
  static const json::Record record =
      json::record<Inner>("Inner", json::field<&Inner::n>("n").alias("count"), json::field<&Inner::note>("note"));
  return record;
}
const json::Record& json_record(json::TypeTag<Outer>) {
  static const json::Record record = json::record<Outer>(
      "Outer", json::field<&Outer::items>("items"), json::field<&Outer::weights>("weights"),
      json::field<&Outer::extra>("extra"), json::field<&Outer::raw>("raw"));
  return record;
}

// A record is written under its first keys in declaration order, absent optionals as null, and reads
// back into the same value.
TEST(JsonWrite, RecordsWriteWhatTheyRead) {
  const Outer value{{{-3, "a\"b"}, {7, std::nullopt}}, {{"z", 0.5}, {"a", 2.0}}, std::nullopt, *json::parse("[1,{}]")};
  const std::string text = json::encode(value);
  EXPECT_EQ(text, R"({"items":[{"n":-3,"note":"a\"b"},{"n":7,"note":null}],"weights":{"a":2.0,"z":0.5},)"
                  R"("extra":null,"raw":[1,{}]})");
  auto back = json::decode<Outer>(text);
  ASSERT_TRUE(back) << back.error().text();
  EXPECT_EQ(*back, value);
}

}  // namespace record_encoding
