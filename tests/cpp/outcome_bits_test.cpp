#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "norvi/core/result/execution_result.hpp"
#include "norvi/core/result/outcome_bits.hpp"

namespace norvi::core {
namespace {

OutcomeBits words(std::vector<std::uint64_t> ws) {
  OutcomeBits b(ws.size());
  for (std::size_t i = 0; i < ws.size(); ++i) b.words()[i] = ws[i];
  return b;
}

struct ToStringCase {
  std::vector<std::uint64_t> words;
  std::uint64_t width;
  std::string text;
};

TEST(OutcomeBits, WritesTheLowWidthBitsMostSignificantFirst) {
  const std::string ones64(64, '1');
  const ToStringCase cases[] = {
      {{6}, 0, ""},
      {{}, 0, ""},
      {{}, 3, "000"},
      {{6}, 4, "0110"},
      {{6}, 5, "00110"},
      {{6}, 2, "10"},                                       // bits above the width are not written
      {{1, 0x2A}, 70, "101010" + std::string(63, '0') + "1"},  // 6 characters of word 1, then word 0
      {{~0ull}, 64, ones64},
      {{~0ull}, 66, "00" + ones64},                            // a missing word reads as 0
      {{0, 0, 0, 0, 0, 1}, 321, "1" + std::string(320, '0')},  // heap-held words
  };
  for (const auto& c : cases) {
    EXPECT_EQ(bits_to_string(words(c.words), c.width), c.text) << "width " << c.width;
  }
}

TEST(OutcomeBits, ReadsTextsBackIntoTheSameWords) {
  struct Case {
    std::string text;
    std::vector<std::uint64_t> words;
  };
  const Case cases[] = {
      {"", {}},
      {"000", {0}},
      {"0110", {6}},
      {"1" + std::string(69, '0'), {0, 1u << 5}},
      {std::string(64, '1'), {~0ull}},
      {"1" + std::string(300, '0') + "1", {1, 0, 0, 0, 1ull << 45}},
  };
  for (const auto& c : cases) {
    auto read = bits_from_string(c.text);
    ASSERT_TRUE(read) << c.text;
    EXPECT_EQ(*read, words(c.words)) << c.text;
    EXPECT_EQ(bits_to_string(*read, c.text.size()), c.text);  // leading zeros come back
  }
}

TEST(OutcomeBits, ReportsTheRightmostOffendingCharacter) {
  struct Case {
    std::string text;
    char32_t character;
    std::size_t position;
  };
  const Case cases[] = {
      {"01x1", U'x', 2},
      {"x01y", U'y', 3},
      {"1\xC3\xA9" "0", U'\u00E9', 2},  // 1é0: the last byte of é
      {"2", U'2', 0},
      {"1\xF0\x9F\x98\x80", U'\U0001F600', 4},
      {"1\xA9" "0", U'\uFFFD', 1},  // a stray continuation byte
  };
  for (const auto& c : cases) {
    auto read = bits_from_string(c.text);
    ASSERT_FALSE(read) << c.text;
    EXPECT_EQ(read.error(), (OutcomeParseError{c.character, c.position})) << c.text;
  }
}

TEST(OutcomeBits, EqualityAndHashTakeTheWordSequenceWithItsLength) {
  const auto one = *bits_from_string("1");
  const auto padded = *bits_from_string("0001");
  const auto wide = *bits_from_string(std::string(64, '0') + "1");
  EXPECT_EQ(one, padded);
  EXPECT_NE(one, wide);
  EXPECT_NE(OutcomeBits{}, OutcomeBits::of_word(0));
  OutcomeCounts counts;
  counts[one] += 1;
  counts[padded] += 1;
  counts[wide] += 1;
  EXPECT_EQ(counts.size(), 2u);
  EXPECT_EQ(counts[one], 2u);
  // Copies and moves of heap-held values keep their words.
  OutcomeBits big = *bits_from_string("1" + std::string(400, '0'));
  OutcomeBits copy = big;
  OutcomeBits moved = std::move(big);
  EXPECT_EQ(copy, moved);
  EXPECT_TRUE(copy.bit(400));
}

// One word is held inline, more on the heap: assignments between the two kinds keep the words and
// leave nothing behind (the sanitizer build sees a leak or a double release).
TEST(OutcomeBits, AssignmentsBetweenInlineAndHeapWords) {
  const OutcomeBits narrow = OutcomeBits::of_word(0b101);
  const OutcomeBits wide = *bits_from_string("11" + std::string(128, '0') + "1");
  for (const OutcomeBits* from : {&narrow, &wide, static_cast<const OutcomeBits*>(nullptr)}) {
    for (const OutcomeBits* to : {&narrow, &wide}) {
      const OutcomeBits source = from != nullptr ? *from : OutcomeBits{};
      OutcomeBits copied = *to;
      copied = source;
      EXPECT_EQ(copied, source);
      OutcomeBits moved = *to;
      OutcomeBits donor = source;
      moved = std::move(donor);
      EXPECT_EQ(moved, source);
      EXPECT_EQ(donor.word_count(), 0u);  // a moved-from value holds no words
      donor = *to;                        // and takes new ones
      EXPECT_EQ(donor, *to);
      OutcomeBits& self = copied;
      copied = self;
      EXPECT_EQ(copied, source);
    }
  }
  EXPECT_EQ(sizeof(OutcomeBits), 16u);
  EXPECT_TRUE(wide.bit(130) && wide.bit(129) && wide.bit(0) && !wide.bit(1));
}

OutcomeCounts counts_of(std::initializer_list<std::pair<const char*, std::uint64_t>> entries) {
  OutcomeCounts counts;
  for (const auto& [text, n] : entries) counts[*bits_from_string(text)] = n;
  return counts;
}

TEST(ExecutionResult, ProbabilitiesAreCountsOverTheirTotal) {
  auto r = new_execution_result("t", {0, 1}, 4, 2);
  EXPECT_EQ(r.status.kind, ExecutionStatus::Kind::Created);
  EXPECT_FALSE(r.started_at || r.finished_at || r.probabilities);
  start_execution_result(r);
  EXPECT_EQ(r.status.kind, ExecutionStatus::Kind::Running);
  ASSERT_TRUE(r.started_at);
  finish_execution_result(r, counts_of({{"00", 3}, {"11", 1}, {"01", 0}}));
  EXPECT_EQ(r.status.kind, ExecutionStatus::Kind::Finished);
  ASSERT_TRUE(r.finished_at);
  EXPECT_LE(r.created_at, *r.started_at);
  EXPECT_LE(*r.started_at, *r.finished_at);
  probabilities_from_counts(r);
  ASSERT_TRUE(r.probabilities);
  EXPECT_EQ(r.probabilities->at(*bits_from_string("00")), 0.75);
  EXPECT_EQ(r.probabilities->at(*bits_from_string("11")), 0.25);
  EXPECT_EQ(r.probabilities->at(*bits_from_string("01")), 0.0);

  // A new finish drops the probabilities until they are computed again.
  finish_execution_result(r, counts_of({{"1", 2}}));
  EXPECT_FALSE(r.probabilities);
}

TEST(ExecutionResult, NoProbabilitiesWithoutCounts) {
  for (auto counts : {counts_of({}), counts_of({{"0", 0}, {"1", 0}})}) {
    auto r = new_execution_result("t", {0}, 1, 1);
    finish_execution_result(r, std::move(counts));
    probabilities_from_counts(r);
    EXPECT_FALSE(r.probabilities);
  }
}

TEST(ExecutionResult, CountsNearTheLimitDoNotWrapTheirTotal) {
  auto r = new_execution_result("t", {0}, 1, 1);
  finish_execution_result(r, counts_of({{"0", UINT64_MAX}, {"1", 1}}));
  probabilities_from_counts(r);
  ASSERT_TRUE(r.probabilities);
  EXPECT_DOUBLE_EQ(r.probabilities->at(*bits_from_string("0")), 1.0);
}

}  // namespace
}  // namespace norvi::core
