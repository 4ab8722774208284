#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "norvi/client/json/decode.hpp"
#include "norvi/client/results/result_conversion.hpp"
#include "norvi/client/results/result_records.hpp"
#include "results/word_counts.hpp"

namespace norvi::client {
namespace {

std::string envelope_of(const std::string& items) {
  return R"({"code":0,"message":"success","data":{"experimentResultModelList":[)" + items + "]}}";
}

// Counts as texts of the tally's width.
std::map<std::string, std::uint64_t> texts(const ShotTally& tally) {
  std::map<std::string, std::uint64_t> out;
  for (const auto& [outcome, n] : tally.counts) out[core::bits_to_string(outcome, tally.measured_qubits.size())] = n;
  return out;
}

struct ShotCase {
  const char* records;
  std::vector<std::uint32_t> qubits;                 // empty: nothing
  std::map<std::string, std::uint64_t> counts;
};

const ShotCase kShotCases[] = {
    {"[[0,1],[1,0],[1,0],[0,0]]", {0, 1}, {{"01", 2}, {"00", 1}}},
    {"[[4,7],[1,0],[1,0],[0,0]]", {4, 7}, {{"01", 2}, {"00", 1}}},
    {"[[3,5],[1,1,0]]", {}, {}},                      // no row of the right length
    {"[[0]]", {}, {}},
    {"[[-1,\"a\"],[1]]", {}, {}},                      // no qubit in the first row
    {"[[4294967297],[1]]", {1}, {{"1", 1}}},           // reduced to 32 bits
    {"[[-1,2,1.0,\"q\",null,[3],{},5],[1,1]]", {2, 5}, {{"11", 1}}},
    {"[[0,1,2,3],[1.0,true,\"1\",1],[2,1,0,1]]", {0, 1, 2, 3}, {{"1000", 1}, {"1010", 1}}},
    {"[[0,1],[[1],1],{\"a\":1},7,[0,1,2],\"x\",[1,1]]", {0, 1}, {{"10", 1}, {"11", 1}}},
    {"[5,[0],[1]]", {}, {}},                           // the first element must be the qubit row
    {"{\"a\":1}", {}, {}},
    {"\"[[0],[1]]\"", {}, {}},
    {"[]", {}, {}},
};

// The streaming count while the answer's text is read (from a body the caller keeps, and from one
// handed over and released before the counts are settled), and the count of a generic value, must agree.
TEST(ShotRecords, CountedAlikeFromTheAnswerTextAndFromAGenericValue) {
  for (const auto& c : kShotCases) {
    SCOPED_TRACE(c.records);
    const std::string body = envelope_of(std::string(R"({"experimentTaskId":"t","resultStatus":)") + c.records + "}");
    auto decoded = decode_results_answer(body);
    ASSERT_TRUE(decoded) << decoded.error().text();
    ASSERT_EQ(decoded->data->items.size(), 1u);
    ASSERT_TRUE(decoded->data->items[0].result_status);
    const auto& streamed = decoded->data->items[0].result_status->tally;
    std::string handed_over = body;
    auto released = decode_results_answer(std::move(handed_over));
    ASSERT_TRUE(released) << released.error().text();
    EXPECT_TRUE(handed_over.empty());
    ASSERT_EQ(released->data->items.size(), 1u);
    ASSERT_TRUE(released->data->items[0].result_status);
    const auto& settled_late = released->data->items[0].result_status->tally;

    auto value = json::parse(c.records);
    ASSERT_TRUE(value);
    const auto held = count_shot_outcomes(*value);
    for (const auto* tally : {&streamed, &settled_late, &held}) {
      if (c.qubits.empty()) {
        EXPECT_FALSE(tally->has_value());
        continue;
      }
      ASSERT_TRUE(tally->has_value());
      EXPECT_EQ((*tally)->measured_qubits, c.qubits);
      EXPECT_EQ(texts(**tally), c.counts);
    }
  }
}

// Enough distinct outcomes to grow the counting table several times, and widths on both sides of one
// 64-bit word, each checked against counts made here from the rows' texts. Narrow outcomes are counted
// one per possible outcome from the start (1, 9 bits) or from the moment the table would grow past that
// size (12 bits, after about 768 distinct outcomes); wide ones never are.
TEST(ShotRecords, ManyOutcomesAndWidthsAroundOneWord) {
  for (const std::size_t width : {1u, 9u, 12u, 63u, 64u, 65u}) {
    SCOPED_TRACE(width);
    std::string records = "[[";
    for (std::size_t q = 0; q < width; ++q) records += (q ? "," : "") + std::to_string(q);
    records += "]";
    std::map<std::string, std::uint64_t> expected;
    std::uint64_t state = 0x9E3779B97F4A7C15u;
    for (int shot = 0; shot < 5000; ++shot) {
      state ^= state << 13;
      state ^= state >> 7;
      state ^= state << 17;
      std::string text(width, '0');  // bit k is element k and the k-th character from the end
      records += ",[";
      for (std::size_t k = 0; k < width; ++k) {
        // The low bits spread over thousands of outcomes; the highest bit is set in every other row.
        const bool one = k == width - 1 ? (shot % 2 == 1) : k < 12 && ((state >> k) & 1u);
        records += k ? (one ? ",1" : ",0") : (one ? "1" : "0");
        if (one) text[width - 1 - k] = '1';
      }
      records += "]";
      ++expected[text];
    }
    records += "]";

    auto decoded = decode_results_answer(envelope_of(R"({"resultStatus":)" + records + "}"));
    ASSERT_TRUE(decoded) << decoded.error().text();
    auto value = json::parse(records);
    ASSERT_TRUE(value);
    const auto held = count_shot_outcomes(*value);
    for (const auto& tally : {decoded->data->items[0].result_status->tally, held}) {
      ASSERT_TRUE(tally);
      EXPECT_EQ(tally->measured_qubits.size(), width);
      EXPECT_EQ(texts(*tally), expected);
    }
  }
}

// An answer of many small circuits holds one word table per item until its text is released: a table
// of a few outcomes must take the memory of a few, whatever the width.
TEST(WordCounts, AFewOutcomesTakeAFewSlots) {
  struct Case {
    std::size_t width;
    std::vector<std::uint64_t> words;
    std::size_t most_bytes;
  };
  const Case cases[] = {
      {1, {0, 1, 1}, 16},  // one count per possible outcome
      {3, {7, 0}, 64},
      {12, {5, 4095}, 64},
      {40, {1, 2, 3, 1}, 64},
      {64, {~std::uint64_t{0}, 0}, 64},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.width);
    detail::WordCounts counts(c.width);
    for (const std::uint64_t word : c.words) counts.add(word);
    EXPECT_LE(counts.table_bytes(), c.most_bytes);
    core::OutcomeCounts settled;
    counts.move_into(settled);
    EXPECT_EQ(settled.size(), std::set<std::uint64_t>(c.words.begin(), c.words.end()).size());
    EXPECT_EQ(core::total_count(settled), c.words.size());
  }
}

TEST(ShotRecords, WideOutcomesSpanSeveralWords) {
  std::string first = "[";
  std::string row = "[";
  for (int q = 0; q < 70; ++q) {
    first += (q ? "," : "") + std::to_string(q);
    row += q ? (q == 69 ? ",1" : ",0") : "1";
  }
  const std::string records = "[" + first + "]," + row + "]," + row + "]]";
  auto value = json::parse(records);
  ASSERT_TRUE(value);
  auto tally = count_shot_outcomes(*value);
  ASSERT_TRUE(tally);
  ASSERT_EQ(tally->counts.size(), 1u);
  const auto& [outcome, n] = *tally->counts.begin();
  EXPECT_EQ(n, 2u);
  EXPECT_EQ(outcome.word_count(), 2u);
  EXPECT_EQ(core::bits_to_string(outcome, 70), "1" + std::string(68, '0') + "1");
}

struct NameCase {
  const char* item;
  const char* name;
};

TEST(RawResult, TaskIdBecomesTheResultName) {
  const NameCase cases[] = {
      {R"({"experimentTaskId":"t-1"})", "t-1"},
      {R"({"queryId":"q"})", "q"},
      {R"({"query_id":"u"})", "u"},
      {R"({"experimentTaskId":42})", "42"},
      {R"({"experimentTaskId":-7})", "-7"},
      {R"({"experimentTaskId":18446744073709551615})", "18446744073709551615"},
      {R"({"experimentTaskId":2.5})", "2.5"},
      {R"({"experimentTaskId":1e16})", "1e16"},
      {R"({"experimentTaskId":null})", "unknown"},
      {R"({"experimentTaskId":true})", "unknown"},
      {R"({"experimentTaskId":[1]})", "unknown"},
      {R"({"experimentTaskId":{}})", "unknown"},
      {R"({})", "unknown"},
      {R"(["a",0])", "a"},
  };
  for (const auto& c : cases) {
    auto decoded = decode_results_answer(envelope_of(c.item));
    ASSERT_TRUE(decoded) << c.item;
    auto items = check_results_envelope(std::move(*decoded));
    ASSERT_TRUE(items) << c.item << ": " << items.error().display();
    ASSERT_EQ(items->size(), 1u);
    EXPECT_EQ(json_value_to_text((*items)[0].task_id), c.name) << c.item;
  }
}

// Items that do not decode fail the pass with Json once the envelope itself decoded; a repeated key
// keeps its last value.
TEST(RawResult, MalformedItemsFailWithJsonAfterTheEnvelopeRule) {
  struct Case {
    const char* items;
    const char* error;  // empty: decodes
  };
  const Case cases[] = {
      {R"({"queryId":"a","query_id":"b"})", "JSON error: duplicate field `experimentTaskId`"},
      {R"({"status":"0"})", "JSON error: invalid type: string \"0\", expected i64"},
      {R"({"status":1.5})", "JSON error: invalid type: floating point `1.5`, expected i64"},
      {R"({"status":9223372036854775808})", "JSON error: invalid value: integer `9223372036854775808`, expected i64"},
      {R"({"status":null})", ""},
      {R"({"status":1,"status":2,"experimentTaskId":"x"})", ""},
      {R"(["a"])", "JSON error: invalid length 1, expected struct RawResult with 4 elements"},
      {R"(["a",0,null,null,5])", "JSON error: invalid length 5, expected fewer elements in array"},
      {R"("item")", "JSON error: invalid type: string \"item\", expected struct RawResult"},
      {R"({"experimentTaskId":"ok"},7)", "JSON error: invalid type: integer `7`, expected struct RawResult"},
  };
  for (const auto& c : cases) {
    auto decoded = decode_results_answer(envelope_of(c.items));
    ASSERT_TRUE(decoded) << c.items << ": " << decoded.error().text();
    auto items = check_results_envelope(std::move(*decoded));
    if (*c.error == '\0') {
      EXPECT_TRUE(items) << c.items << ": " << items.error().display();
    } else {
      ASSERT_FALSE(items) << c.items;
      EXPECT_TRUE(items.error().is<errors::Json>());
      EXPECT_EQ(items.error().display(), c.error) << c.items;
    }
  }
}

TEST(RawResult, TheEnvelopeRuleComesBeforeTheItems) {
  auto decoded = decode_results_answer(R"({"code":5,"message":"busy","data":{"experimentResultModelList":["bad"]}})");
  ASSERT_TRUE(decoded);
  auto items = check_results_envelope(std::move(*decoded));
  ASSERT_FALSE(items);
  EXPECT_TRUE(items.error().is<errors::Api>());

  for (const char* body : {R"({"code":0,"data":{}})", R"({"code":0,"data":{"experimentResultModelList":{}}})", "[", R"({"data":null})"}) {
    EXPECT_FALSE(decode_results_answer(body)) << body;
  }
  decoded = decode_results_answer(R"({"code":0,"data":null})");
  ASSERT_TRUE(decoded);
  items = check_results_envelope(std::move(*decoded));
  ASSERT_FALSE(items);
  EXPECT_EQ(items.error().display(), "API error (code=0): response 'data' field is null");
}

}  // namespace
}  // namespace norvi::client
