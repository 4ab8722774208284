#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "json/decoder.hpp"
#include "norvi/client/json/api_response.hpp"
#include "norvi/client/json/decode.hpp"
#include "norvi/client/json/login_response.hpp"
#include "norvi/client/json/record.hpp"
#include "norvi/client/json/write.hpp"
#include "norvi/client/results/result_records.hpp"

using namespace norvi::client;

namespace {

// Test records: a required and an optional field; a result-like item with aliases and defaulted tail
// fields; a record of containers.
struct Pair {
  std::string name;
  std::optional<double> value;
};

struct Item {
  std::optional<json::Value> task_id;
  std::optional<std::int64_t> status;
  std::optional<json::Value> rows;
  std::optional<json::Value> probability;
};

struct Bag {
  std::uint64_t count = 0;
  bool flag = false;
  std::vector<Pair> pairs;
  std::map<std::string, std::vector<std::string>> links;
};

const json::Record& json_record(json::TypeTag<Pair>) {
  static const json::Record r =
      json::record<Pair>("Pair", json::field<&Pair::name>("name"), json::field<&Pair::value>("value"));
  return r;
}

const json::Record& json_record(json::TypeTag<Item>) {
  static const json::Record r = json::record<Item>(
      "Item", json::field<&Item::task_id>("experimentTaskId").alias("queryId").alias("query_id"),
      json::field<&Item::status>("status"), json::field<&Item::rows>("resultStatus").or_default(),
      json::field<&Item::probability>("probability").or_default());
  return r;
}

const json::Record& json_record(json::TypeTag<Bag>) {
  static const json::Record r =
      json::record<Bag>("Bag", json::field<&Bag::count>("count"), json::field<&Bag::flag>("flag"),
                        json::field<&Bag::pairs>("pairs"), json::field<&Bag::links>("links"));
  return r;
}

// Decodes `text` as T from the text and from its generic value: the message must be the same, with a
// position only from text.
template <typename T>
void expect_failure(const std::string& text, const std::string& message, const std::string& position) {
  SCOPED_TRACE(text);
  const auto from_text = json::decode<T>(text);
  ASSERT_FALSE(from_text);
  EXPECT_EQ(from_text.error().text(), message + " at " + position);
  const auto value = json::parse(text);
  ASSERT_TRUE(value);
  const auto from_value = json::decode<T>(*value);
  ASSERT_FALSE(from_value);
  EXPECT_EQ(from_value.error().text(), message);
  EXPECT_FALSE(from_value.error().position);
}

}  // namespace

TEST(JsonDecode, FoundFormsAndExpectedTexts) {
  struct Case {
    std::string text;
    std::string message;
    int column;
  };
  // Scalars are reported after themselves, containers at their opening bracket.
  const Case strings[] = {
      {"null", "invalid type: null, expected a string", 4},
      {"true", "invalid type: boolean `true`, expected a string", 4},
      {"false", "invalid type: boolean `false`, expected a string", 5},
      {"5", "invalid type: integer `5`, expected a string", 1},
      {"-3", "invalid type: integer `-3`, expected a string", 2},
      {"1.5", "invalid type: floating point `1.5`, expected a string", 3},
      {"2.0", "invalid type: floating point `2.0`, expected a string", 3},
      {"1e23", "invalid type: floating point `100000000000000000000000.0`, expected a string", 4},
      {"-1.5e-7", "invalid type: floating point `-0.00000015`, expected a string", 7},
      {"[1]", "invalid type: sequence, expected a string", 0},
      {" {}", "invalid type: map, expected a string", 1},
  };
  for (const Case& c : strings) expect_failure<std::string>(c.text, c.message, "line 1 column " + std::to_string(c.column));

  expect_failure<std::int64_t>(R"("x\ty\"z\\\u0001\u007f\u0085é\u0000")",
                               R"(invalid type: string "x\ty\"z\\\u{1}\u{7f}\u{85}é\0", expected i64)", "line 1 column 37");
  expect_failure<std::int64_t>("18446744073709551615",
                               "invalid value: integer `18446744073709551615`, expected i64", "line 1 column 20");
  expect_failure<std::int64_t>("18446744073709551616",
                               "invalid type: floating point `18446744073709552000.0`, expected i64", "line 1 column 20");
  expect_failure<std::int64_t>("1.0", "invalid type: floating point `1.0`, expected i64", "line 1 column 3");
  expect_failure<std::uint64_t>("-1", "invalid value: integer `-1`, expected u64", "line 1 column 2");
  expect_failure<std::uint32_t>("4294967296", "invalid value: integer `4294967296`, expected u32", "line 1 column 10");
  expect_failure<std::int32_t>("-2147483649", "invalid value: integer `-2147483649`, expected i32", "line 1 column 11");
  expect_failure<bool>("1", "invalid type: integer `1`, expected a boolean", "line 1 column 1");
  expect_failure<double>(R"("5")", R"(invalid type: string "5", expected f64)", "line 1 column 3");
  expect_failure<std::vector<std::string>>("5", "invalid type: integer `5`, expected a sequence", "line 1 column 1");
  expect_failure<std::vector<std::string>>(R"(["a", 7])", "invalid type: integer `7`, expected a string", "line 1 column 7");
  expect_failure<std::unordered_map<std::string, double>>("[]", "invalid type: sequence, expected a map", "line 1 column 0");
  expect_failure<Pair>("1", "invalid type: integer `1`, expected struct Pair", "line 1 column 1");
  expect_failure<Pair>("null", "invalid type: null, expected struct Pair", "line 1 column 4");
  expect_failure<Pair>(R"("Pair")", R"(invalid type: string "Pair", expected struct Pair)", "line 1 column 6");
}

TEST(JsonDecode, NumbersIntoTheirTypes) {
  EXPECT_EQ(*json::decode<double>("5"), 5.0);
  EXPECT_EQ(*json::decode<double>("-5"), -5.0);
  EXPECT_EQ(*json::decode<double>("18446744073709551615"), 18446744073709551615.0);
  EXPECT_EQ(*json::decode<std::int64_t>("-9223372036854775808"), INT64_MIN);
  EXPECT_EQ(*json::decode<std::int64_t>("9223372036854775807"), INT64_MAX);
  EXPECT_EQ(*json::decode<std::uint64_t>("18446744073709551615"), UINT64_MAX);
  EXPECT_EQ(*json::decode<std::uint32_t>("4294967295"), 4294967295u);
}

TEST(JsonDecode, RecordFromAnObject) {
  const auto pair = json::decode<Pair>(R"({"skip": {"deep": [1, {"x": null}]}, "value": 5, "name": "n", "Name": 1})");
  ASSERT_TRUE(pair) << pair.error().text();
  EXPECT_EQ(pair->name, "n");
  EXPECT_EQ(pair->value, 5.0);

  const auto no_value = json::decode<Pair>(R"({"name": "n", "value": null})");
  ASSERT_TRUE(no_value);
  EXPECT_FALSE(no_value->value);
  EXPECT_FALSE(json::decode<Pair>(R"({"name": "n"})")->value);

  const auto bag = json::decode<Bag>(
      R"({"count": 3, "flag": true, "pairs": [{"name": "a"}, ["b", 1.5]], "links": {"c": ["x"], "c": ["y", "z"]}})");
  ASSERT_TRUE(bag) << bag.error().text();
  EXPECT_EQ(bag->count, 3u);
  EXPECT_TRUE(bag->flag);
  ASSERT_EQ(bag->pairs.size(), 2u);
  EXPECT_EQ(bag->pairs[1].name, "b");
  EXPECT_EQ(bag->pairs[1].value, 1.5);
  EXPECT_EQ(bag->links.at("c"), (std::vector<std::string>{"y", "z"}));  // a repeated map key keeps its last value
}

TEST(JsonDecode, RecordFailuresAndWhereTextReportsThem) {
  // After the closing brace of the record that is missing a field.
  expect_failure<Pair>("{}", "missing field `name`", "line 1 column 2");
  expect_failure<Bag>(R"({"count": 1, "flag": false, "pairs": [{"value": 1}], "links": {}})", "missing field `name`",
                      "line 1 column 50");
  // A type error in a member comes before a missing field of the same record.
  expect_failure<Pair>(R"({"value": "x"})", R"(invalid type: string "x", expected f64)", "line 1 column 13");
  expect_failure<Pair>("{\n  \"name\": \"n\",\n  \"value\": [1]\n}", "invalid type: sequence, expected f64",
                       "line 3 column 11");
  // The array form: every position present; fewer fail after the bracket.
  expect_failure<Pair>(R"(["a"])", "invalid length 1, expected struct Pair with 2 elements", "line 1 column 5");
  expect_failure<Pair>("[]", "invalid length 0, expected struct Pair with 2 elements", "line 1 column 2");
  expect_failure<Pair>(R"([5, 1])", "invalid type: integer `5`, expected a string", "line 1 column 2");
  // Defaulted fields may be missing from the end of the array form, the others may not.
  expect_failure<Item>("[1]", "invalid length 1, expected struct Item with 4 elements", "line 1 column 3");
  const auto item = json::decode<Item>(R"([42, null])");
  ASSERT_TRUE(item);
  EXPECT_EQ(item->task_id->as_u64(), 42u);
  EXPECT_FALSE(item->status);
  EXPECT_FALSE(item->rows);
}

TEST(JsonDecode, WhatOnlyTextShows) {
  struct Case {
    const char* text;
    const char* from_text;
    const char* from_value;  // nullptr: decodes
  };
  const Case cases[] = {
      // Text shows a repeated key; a generic value holds its last occurrence only.
      {R"({"name": "a", "name" : "b"})", "duplicate field `name` at line 1 column 21", nullptr},
      // Aliases are one field, in text and in a value alike.
      {R"({"queryId": 1, "query_id": 2})", "duplicate field `experimentTaskId` at line 1 column 25",
       "duplicate field `experimentTaskId`"},
      // Extra elements of the array form: at the first extra element, or counted.
      {R"(["a", 1, 2])", "trailing characters at line 1 column 10", "invalid length 3, expected fewer elements in array"},
      {R"(["a", 1, {"x": 1}])", "trailing characters at line 1 column 10",
       "invalid length 3, expected fewer elements in array"},
      // Text is read in document order, a value in key order ("name" before "value").
      {R"({"value": "x", "name": 5})", R"(invalid type: string "x", expected f64 at line 1 column 13)",
       "invalid type: integer `5`, expected a string"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const std::string text = c.text;
    const bool item = text.find("query") != std::string::npos;
    const auto text_error = item ? json::decode<Item>(text).error().text() : json::decode<Pair>(text).error().text();
    EXPECT_EQ(text_error, c.from_text);
    const json::Value value = *json::parse(text);
    const bool ok = item ? bool(json::decode<Item>(value)) : bool(json::decode<Pair>(value));
    if (c.from_value == nullptr) {
      EXPECT_TRUE(ok);
    } else {
      ASSERT_FALSE(ok);
      EXPECT_EQ(item ? json::decode<Item>(value).error().text() : json::decode<Pair>(value).error().text(),
                c.from_value);
    }
  }
  EXPECT_EQ(json::decode<Item>(R"([1, 2, 3, 4, 5])").error().text(), "trailing characters at line 1 column 14");
  EXPECT_EQ(json::decode<Item>(*json::parse(R"([1, 2, 3, 4, 5])")).error().text(),
            "invalid length 5, expected fewer elements in array");
}

TEST(JsonDecode, GenericValuesInsideRecords) {
  const std::string text = R"({"resultStatus": [[0, 1], [1, 0]], "probability": {"01": 0.5}, "experimentTaskId": "t"})";
  const auto from_text = json::decode<Item>(text);
  ASSERT_TRUE(from_text) << from_text.error().text();
  EXPECT_EQ(json::to_text(*from_text->rows), "[[0,1],[1,0]]");
  EXPECT_EQ(json::to_text(*from_text->probability), R"({"01":0.5})");
  EXPECT_EQ(from_text->task_id->as_string(), "t");

  // From a value, parts are shared with the document and outlive the handle decoded from.
  std::optional<Item> from_value;
  {
    const json::Value value = *json::parse(text);
    from_value = *json::decode<Item>(value);
  }
  EXPECT_EQ(*from_value->rows, *from_text->rows);
  EXPECT_EQ(*from_value->probability, *from_text->probability);

  const auto whole = json::decode<json::Value>(*json::parse("[1, {\"a\": [null]}]"));
  ASSERT_TRUE(whole);
  EXPECT_EQ(json::to_text(*whole), R"([1,{"a":[null]}])");
}

TEST(JsonDecode, EnvelopeAndLoginDocuments) {
  const auto login = json::decode<LoginResponse>(R"({"code": 0, "message": null, "data": {"access_token": ""}, "x": 1})");
  ASSERT_TRUE(login) << login.error().text();
  EXPECT_EQ(login->code, 0);
  EXPECT_FALSE(login->message);
  EXPECT_EQ(login->data->access_token, "");
  EXPECT_FALSE(json::decode<LoginResponse>(R"({"code": 7, "data": null})")->data);
  const auto as_array = json::decode<LoginResponse>(R"([7, "no", null])");
  ASSERT_TRUE(as_array);
  EXPECT_EQ(as_array->message, "no");

  struct Case {
    const char* text;
    const char* error;
  };
  const Case failures[] = {
      {R"({"code": 0.0})", "invalid type: floating point `0.0`, expected i64 at line 1 column 12"},
      {R"({"code": "0"})", R"(invalid type: string "0", expected i64 at line 1 column 12)"},
      {R"({"message": "m"})", "missing field `code` at line 1 column 16"},
      {R"({"code": 0, "code": 0})", "duplicate field `code` at line 1 column 18"},
      {R"({"code": 0, "data": {}})", "missing field `access_token` at line 1 column 22"},
      {R"({"code": 0, "data": 5})", "invalid type: integer `5`, expected struct LoginData at line 1 column 21"},
      {R"({"code": 0, "message": 5})", "invalid type: integer `5`, expected a string at line 1 column 24"},
      {"[0]", "invalid length 1, expected struct LoginResponse with 3 elements at line 1 column 3"},
  };
  for (const Case& c : failures) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(json::decode<LoginResponse>(c.text).error().text(), c.error);
  }

  // The envelope over a generic value, a record and a list of records.
  const auto generic = json::decode<ApiResponse<json::Value>>(R"({"code": 0, "data": "{\"a\": 1}"})");
  ASSERT_TRUE(generic);
  EXPECT_EQ(generic->data->as_string(), R"({"a": 1})");
  EXPECT_FALSE(json::decode<ApiResponse<json::Value>>(R"({"code": 0, "data": null})")->data);
  const auto pairs = json::decode<ApiResponse<std::vector<Pair>>>(R"([0, "ok", [{"name": "a"}, ["b", 2]]])");
  ASSERT_TRUE(pairs) << pairs.error().text();
  EXPECT_EQ(pairs->data->size(), 2u);
  EXPECT_EQ(json::decode<ApiResponse<std::vector<Pair>>>(R"({"code": 0, "data": [{"name": 1}]})").error().text(),
            "invalid type: integer `1`, expected a string at line 1 column 31");
  EXPECT_EQ(json::decode<ApiResponse<Pair>>(R"({"data": {"name": "a"}})").error().text(),
            "missing field `code` at line 1 column 23");
  EXPECT_EQ(json::decode<ApiResponse<Pair>>(R"({"code": 0} x)").error().text(), "trailing characters at line 1 column 13");
}

// A body cut inside a multi-byte UTF-8 sequence: every byte the reader looks at lies within the body.
// Each text is copied into an allocation of its exact size, so AddressSanitizer sees any read past its
// terminating NUL.
TEST(JsonDecode, BodyCutInsideAMultiByteSequenceIsReadWithinItsBounds) {
  const std::string leads[] = {"\xE0\xA0", "\xE1\x80", "\xED\x9F", "\xEF\xBF",               // 3 bytes
                               "\xF0\x90\x80", "\xF1\x80\x80", "\xF4\x8F\xBF"};  // 4 bytes
  const std::string prefixes[] = {R"({"code":0,"message":")" + std::string(40, 'a'),  // inside a value
                                  R"({"code":0,"a)",                                    // inside a key
                                  R"({"code":0,"data":[")"};                             // inside a payload
  using Decoder = std::string (*)(const std::string&);
  const std::pair<const char*, Decoder> decoders[] = {
      {"generic", [](const std::string& t) { return json::decode<ApiResponse<json::Value>>(t).error().text(); }},
      {"login", [](const std::string& t) { return json::decode<LoginResponse>(t).error().text(); }},
      {"list", [](const std::string& t) { return json::decode<ApiResponse<std::vector<Pair>>>(t).error().text(); }},
      {"results", [](const std::string& t) { return decode_results_answer(t).error().text(); }},
      {"value", [](const std::string& t) { return json::parse(t).error().text(); }},
  };
  for (const std::string& prefix : prefixes) {
    for (const std::string& sequence : leads) {
      // The body ends right after the lead byte, or after each continuation byte but the last.
      for (std::size_t kept = 1; kept <= sequence.size(); ++kept) {
        const std::string cut = prefix + sequence.substr(0, kept);
        const std::string exact(cut.begin(), cut.end());
        for (const auto& [name, decode] : decoders) {
          SCOPED_TRACE(::testing::Message() << name << " " << ::testing::PrintToString(exact));
          EXPECT_EQ(decode(exact), "EOF while parsing a string at line 1 column " + std::to_string(exact.size()));
        }
      }
    }
  }
}

TEST(JsonDecode, ErrorsConvertToTheJsonVariant) {
  const ClientError error = json::decode<Pair>("{").error();
  ASSERT_TRUE(error.is<errors::Json>());
  EXPECT_EQ(error.display(), "JSON error: EOF while parsing an object at line 1 column 1");
}

// ---------------------------------------------------------------------------------------------------
// Types with their own streaming codec: rows of integers kept flat, read straight from the events, one
// call per integer or with the integers collected by the decoder.

namespace {

struct IntRows {
  std::vector<std::int64_t> values;
  std::size_t rows = 0;
};

class IntRowsFrame final : public json::Frame {
 public:
  IntRowsFrame(IntRows* out, bool collect) : out_(out), collect_(collect) {}
  bool value(json::Decoder& d, const json::Event& e) override {
    take(d);
    if (!in_row_) {
      if (e.kind != json::EventKind::array) return d.invalid_type(e, "a sequence");
      in_row_ = true;
      ++out_->rows;
      if (collect_) d.collect_unsigned_integers(true);
      return true;
    }
    switch (e.kind) {
      case json::EventKind::unsigned_integer:
        out_->values.push_back(static_cast<std::int64_t>(e.unsigned_integer));
        return true;
      case json::EventKind::negative_integer:
        out_->values.push_back(e.negative_integer);
        return true;
      case json::EventKind::null:  // stands for 0
        out_->values.push_back(0);
        return true;
      case json::EventKind::object:  // ignored whole
        return d.skip(e);
      default:
        return d.invalid_type(e, "i64");
    }
  }
  json::Step end(json::Decoder& d) override {
    take(d);
    if (!in_row_) return json::Step::done;
    in_row_ = false;
    d.collect_unsigned_integers(false);
    return json::Step::more;
  }

 private:
  void take(json::Decoder& d) {
    for (std::uint64_t u : d.collected()) out_->values.push_back(static_cast<std::int64_t>(u));
    d.clear_collected();
  }
  IntRows* out_;
  bool collect_;
  bool in_row_ = false;
};

template <bool Collect>
bool begin_int_rows(json::Decoder& d, const json::Codec& self, void* out, const json::Event& e) {
  if (e.kind != json::EventKind::array) return d.invalid_type(e, self.expected);
  return d.push<IntRowsFrame>(static_cast<IntRows*>(out), Collect);
}

struct CollectedRows : IntRows {};

const json::Codec& json_codec(json::TypeTag<IntRows>) {
  static constexpr json::Codec codec{"a sequence", &begin_int_rows<false>};
  return codec;
}

const json::Codec& json_codec(json::TypeTag<CollectedRows>) {
  static constexpr json::Codec codec{"a sequence", &begin_int_rows<true>};
  return codec;
}

template <typename Rows>
struct Table {
  std::optional<Rows> rows;
  std::vector<std::uint64_t> after;
};

template <typename Rows>
const json::Record& json_record(json::TypeTag<Table<Rows>>) {
  static const json::Record r = json::record<Table<Rows>>("Table", json::field<&Table<Rows>::rows>("rows"),
                                                          json::field<&Table<Rows>::after>("after"));
  return r;
}

template <typename Rows>
void check_streaming_codec() {
  std::string many;  // more integers than the decoder's first collection holds
  std::vector<std::int64_t> expected = {1, -2, 0, 3, 4, 0};
  for (int i = 0; i < 1000; ++i) {
    many += "," + std::to_string(i);
    expected.push_back(i);
  }
  // Integers of zero or more, interleaved with values the frame handles itself, and a nested object it
  // skips (the integers inside it are not the frame's); then a plain list after the streamed field.
  const std::string text = R"({"rows": [[1, -2, null], [], [3, {"n": [7, 8]}, 4], [0)" + many + R"(]], "after": [5, 6]})";
  for (bool from_text : {true, false}) {
    SCOPED_TRACE(from_text);
    const auto r = from_text ? json::decode<Table<Rows>>(text) : json::decode<Table<Rows>>(*json::parse(text));
    ASSERT_TRUE(r) << r.error().text();
    EXPECT_EQ(r->rows->values, expected);
    EXPECT_EQ(r->rows->rows, 4u);
    EXPECT_EQ(r->after, (std::vector<std::uint64_t>{5, 6}));  // the frame gave the events back once its value ended
  }
  expect_failure<Table<Rows>>(R"({"rows": [[1, 2.5]], "after": []})", "invalid type: floating point `2.5`, expected i64",
                              "line 1 column 17");
  expect_failure<Table<Rows>>(R"({"rows": {}, "after": []})", "invalid type: map, expected a sequence", "line 1 column 9");
}

}  // namespace

TEST(JsonDecode, StreamingCodecOfItsOwn) { check_streaming_codec<IntRows>(); }

TEST(JsonDecode, StreamingCodecCollectingIntegers) { check_streaming_codec<CollectedRows>(); }

// A row of integers is read by the text source in one loop while the decoder collects; any row that is
// not plain goes through the reader. Either way the result, or the failure with its position, is the one
// of the row read event by event.
TEST(JsonDecode, CollectedRowsReadLikeEvents) {
  const std::vector<std::string> rows = {
      "[0,1,1,0]", " [ 0 , 1 ,\n1\t,\r0 ] ", "[]", "[ ]", "[9999999999999999999,0]", "[18446744073709551615]",
      "[18446744073709551616]", "[123456789012345678901234]", "[7,00]", "[01]", "[0,1,]", "[1 ,]", "[,1]",
      "[0 1]", "[1.5]", "[1e3]", "[1E3]", "[0.]", "[1,-1]", "[-0]", "[1,\"a\"]", "[1,[2]]", "[1,{}]", "[1,null]",
      "[1]]", "[1}", std::string("[1,\0 2]", 7), std::string("[1\0]", 4)};
  // Whole, and cut at every byte of the row's end (the text then ends inside the row).
  std::vector<std::string> texts;
  for (const std::string& row : rows) {
    texts.push_back(R"({"rows": [[0], )" + row + R"(], "after": [2]})");
    for (std::size_t cut = 1; cut <= 4 && cut < row.size(); ++cut) {
      texts.push_back(R"({"rows": [[0], )" + row.substr(0, row.size() - cut));
    }
  }
  for (const std::string& text : texts) {
    SCOPED_TRACE(text);
    const auto by_event = json::decode<Table<IntRows>>(text);
    const auto collected = json::decode<Table<CollectedRows>>(text);
    ASSERT_EQ(by_event.has_value(), collected.has_value());
    if (!by_event) {
      EXPECT_EQ(collected.error().text(), by_event.error().text());
      continue;
    }
    EXPECT_EQ(collected->rows->values, by_event->rows->values);
    EXPECT_EQ(collected->rows->rows, by_event->rows->rows);
    EXPECT_EQ(collected->after, by_event->after);
  }
  // Two of them spelled out, so that the comparison above cannot pass on two equal faults.
  EXPECT_EQ(json::decode<Table<CollectedRows>>(R"({"rows": [[0,1,]], "after": []})").error().text(),
            "trailing comma at line 1 column 16");
  EXPECT_EQ(json::decode<Table<CollectedRows>>(R"({"rows": [[0,01]], "after": []})").error().text(),
            "invalid number at line 1 column 15");
}
