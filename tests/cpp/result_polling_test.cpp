// The result query and the polling against the local double, on a monotonic clock the test drives:
// every read advances it by `tick`, every sleep by the time slept (and is recorded).

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "norvi/client/results/result_query.hpp"
#include "norvi/client/submission.hpp"
#include "support/platform_road.hpp"

namespace norvi::testing {
namespace {

using namespace std::chrono_literals;
using std::chrono::nanoseconds;
using client::CalibrationMode;

class PollClock {
 public:
  explicit PollClock(nanoseconds tick = 0ns) : state_(std::make_shared<State>()) { state_->tick = tick; }

  client::Clock clock(const FakeClock& wall) const {
    auto state = state_;
    client::Clock c = wall.clock();
    c.monotonic_now = [state] {
      std::lock_guard lock(state->mutex);
      const nanoseconds now = state->now;
      state->now += state->tick;
      return now;
    };
    c.sleep = [state](nanoseconds d) {
      std::lock_guard lock(state->mutex);
      state->sleeps.push_back(d);
      state->now += d;
    };
    return c;
  }
  std::vector<nanoseconds> sleeps() const {
    std::lock_guard lock(state_->mutex);
    return state_->sleeps;
  }

 private:
  struct State {
    std::mutex mutex;
    nanoseconds now{1'000'000'000'000};
    nanoseconds tick{0};
    std::vector<nanoseconds> sleeps;
  };
  std::shared_ptr<State> state_;
};

std::string empty_answer() { return R"({"json":{"code":0,"message":"success","data":{"experimentResultModelList":[]}}})"; }

std::string item(const std::string& id, const std::string& rows = "[[0],[1],[0]]") {
  return R"({"experimentTaskId":")" + id + R"(","status":0,"resultStatus":)" + rows + "}";
}

std::map<std::string, std::uint64_t> texts(const core::ExecutionResult& r) {
  std::map<std::string, std::uint64_t> out;
  for (const auto& [outcome, n] : r.counts) out[core::bits_to_string(outcome, r.outcome_width)] = n;
  return out;
}

class ResultPollingTest : public PlatformRoadTest {
 protected:
  client::SubmissionRecord submission(std::vector<std::string> ids, PollClock poll = PollClock{}, std::uint64_t shots = 1000) {
    poll_ = poll;
    auto made = client::new_platform_client(config(), accepted_credentials(), {poll_.clock(clock_)});
    EXPECT_TRUE(made) << made.error().display();
    client::SubmissionRecord record;
    record.task_ids = std::move(ids);
    record.device_name = "brevora311";
    record.shots = shots;
    record.client = made ? *made : nullptr;
    return record;
  }
  void results(const std::string& state) {
    auto set = platform().set_state(R"({"results":)" + state + "}");
    ASSERT_TRUE(set) << set.error();
  }

  PollClock poll_;
};

TEST_F(ResultPollingTest, WaitsUntilEveryTaskHasAResultOrTheTimeoutPasses) {
  struct Case {
    const char* what;
    std::vector<std::string> ids;
    int empty_answers;        // answers without items before the results are served
    nanoseconds timeout, poll_interval, tick;
    std::size_t queries;
    std::vector<nanoseconds> sleeps;
    const char* error;        // empty: the results come back
  };
  const Case cases[] = {
      {"no task ids", {}, 0, 120s, 5s, 0ns, 1, {}, ""},
      {"complete at once", {"a", "b"}, 0, 0s, 5s, 0ns, 1, {}, ""},
      {"timeout 0 falls short", {"a"}, 1, 0s, 5s, 0ns, 1, {}, "Operation timed out after 0ns"},
      {"results after two polls", {"a", "b"}, 2, 120s, 5s, 0ns, 3, {5s, 5s}, ""},
      {"last sleep is the time left", {"a"}, 9, 12s, 5s, 0ns, 4, {5s, 5s, 2s}, "Operation timed out after 12s"},
      {"poll interval 0 does not sleep", {"a"}, 9, 2500ms, 0s, 1s, 3, {}, "Operation timed out after 2.5s"},
      {"default timeout text", {"a"}, 30, 120s, 5s, 0ns, 25, std::vector<nanoseconds>(24, 5s), "Operation timed out after 120s"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(platform().reset());
    auto record = submission(c.ids, PollClock{c.tick});
    ASSERT_TRUE(record.client);
    std::string all = "{";
    for (const auto& id : c.ids) all += (all.size() > 1 ? "," : "") + ("\"" + id + "\":") + item(id);
    results(all + "}");
    if (c.empty_answers > 0) {
      std::string answers = "[";
      for (int i = 0; i < c.empty_answers; ++i) answers += (i ? "," : "") + empty_answer();
      script("result", answers + "]");
    }
    auto got = client::wait_for_results(record, c.timeout, c.poll_interval);
    const auto sent = requests("result");
    EXPECT_EQ(sent.size(), c.queries);
    EXPECT_EQ(poll_.sleeps(), c.sleeps);
    if (*c.error != '\0') {
      ASSERT_FALSE(got);
      EXPECT_TRUE(got.error().is<client::errors::Timeout>());
      EXPECT_EQ(got.error().display(), c.error);
      continue;
    }
    ASSERT_TRUE(got) << got.error().display();
    ASSERT_EQ(got->size(), c.ids.size());
    for (std::size_t i = 0; i < c.ids.size(); ++i) {
      EXPECT_EQ((*got)[i].name, c.ids[i]);
      EXPECT_EQ(texts((*got)[i]), (std::map<std::string, std::uint64_t>{{"0", 1}, {"1", 1}}));
    }
    if (!sent.empty()) {
      std::string expected = R"({"query_ids":[)";
      for (std::size_t i = 0; i < c.ids.size(); ++i) expected += (i ? ",\"" : "\"") + c.ids[i] + "\"";
      EXPECT_EQ(sent.back().body, expected + "]}");
    }
  }
}

// The number of usable items decides, whatever their task ids; unusable items are not answered.
TEST_F(ResultPollingTest, CompletenessCountsUsableItems) {
  struct Case {
    const char* what;
    std::string items;
    bool complete;
  };
  const Case cases[] = {
      {"three items for two ids", item("a") + "," + item("a") + "," + item("b"), false},
      {"two items of other ids", item("x") + "," + item("y"), true},
      {"items without data", R"({"experimentTaskId":"a"},{"experimentTaskId":"b","resultStatus":null,"probability":null})", false},
      {"unusable rows, usable probability",
       R"({"experimentTaskId":"a","resultStatus":[[0,1],[1]],"probability":{"01":1}},{"experimentTaskId":"b","resultStatus":[[0],[1]],"probability":{"0":1}})", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(platform().reset());
    auto record = submission({"a", "b"});
    script("result", R"([{"json":{"code":0,"message":"success","data":{"experimentResultModelList":[)" + c.items + "]}}}]");
    auto got = client::wait_for_results(record, 0s, 1s);
    EXPECT_EQ(got.has_value(), c.complete) << (got ? "" : got.error().display());
  }
}

TEST_F(ResultPollingTest, PerShotRecordsWinOverProbabilitiesWhichAreNeverCorrected) {
  auto record = submission({"a", "b"}, PollClock{}, 100);
  results(R"({"a":{"experimentTaskId":"a","resultStatus":[[3],[1],[0],[0],[0]],"probability":{"1":1.0}},)"
          R"("b":{"experimentTaskId":"b","probability":"{\"0\":0.9,\"1\":0.1}"}})");
  const client::ReadoutCorrection correction{{{3, {0.9, 0.8}}, {0, {0.9, 0.8}}}, CalibrationMode::Enabled};
  auto got = client::wait_for_results(record, 0s, 1s, &correction);
  ASSERT_TRUE(got) << got.error().display();
  ASSERT_EQ(got->size(), 2u);
  // Shots: 3 × "0", 1 × "1" on qubit 3, corrected: ((0.8 * 0.75 - 0.2 * 0.25) / 0.7, (−0.1 * 0.75 + 0.9 * 0.25) / 0.7).
  EXPECT_EQ((*got)[0].measured_qubits, (std::vector<std::uint32_t>{3}));
  EXPECT_EQ(texts((*got)[0]), (std::map<std::string, std::uint64_t>{{"0", 79}, {"1", 21}}));
  EXPECT_EQ(texts((*got)[1]), (std::map<std::string, std::uint64_t>{{"0", 90}, {"1", 10}}));
}

// Per-shot records of n qubits: three shots reading all 0, one reading 1 on the first qubit only.
std::string rows_of_width(int n) {
  std::string first = "[";
  std::string zeros = "[";
  std::string one = "[";
  for (int q = 0; q < n; ++q) {
    first += (q ? "," : "") + std::to_string(q);
    zeros += q ? ",0" : "0";
    one += q ? ",0" : "1";
  }
  return "[" + first + "]," + zeros + "]," + zeros + "]," + zeros + "]," + one + "]]";
}

TEST_F(ResultPollingTest, AutoModeLeavesResultsOfMoreThanFourteenQubitsUncorrected) {
  const auto rows = rows_of_width;
  const client::ReadoutCorrection correction{{{0, {0.9, 0.9}}}, CalibrationMode::Auto};
  auto record = submission({"a", "b"});
  results(R"({"a":)" + item("a", rows(14)) + R"(,"b":)" + item("b", rows(15)) + "}");
  auto got = client::wait_for_results(record, 0s, 1s, &correction);
  ASSERT_TRUE(got) << got.error().display();
  ASSERT_EQ(got->size(), 2u);
  // Bit 0: ((0.9 * 0.75 - 0.1 * 0.25) / 0.8, (-0.1 * 0.75 + 0.9 * 0.25) / 0.8) = (0.8125, 0.1875) of 1000
  // shots; the other qubits have no calibration data.
  const auto corrected = texts((*got)[0]);
  ASSERT_EQ(corrected.size(), 2u);
  EXPECT_NEAR(static_cast<double>(corrected.at(std::string(14, '0'))), 812.5, 0.5);
  EXPECT_NEAR(static_cast<double>(corrected.at(std::string(13, '0') + "1")), 187.5, 0.5);
  EXPECT_EQ(texts((*got)[1]), (std::map<std::string, std::uint64_t>{{std::string(15, '0'), 3}, {std::string(14, '0') + "1", 1}}));
}

// Mode enabled never hands raw counts back as corrected ones: beyond the correction's limit the wait
// fails, while mode auto returns such a result uncorrected.
TEST_F(ResultPollingTest, EnabledModeFailsBeyondTheCorrectionLimit) {
  auto record = submission({"a"});
  results(R"({"a":)" + item("a", rows_of_width(25)) + "}");
  const client::ReadoutCorrection enabled{{{0, {0.9, 0.9}}}, CalibrationMode::Enabled};
  auto got = client::wait_for_results(record, 120s, 5s, &enabled);
  ASSERT_FALSE(got);
  EXPECT_TRUE(got.error().is<client::errors::InvalidInput>());
  EXPECT_EQ(got.error().display(), "Invalid input: readout correction of 25 measured qubits exceeds the limit of 24");
  EXPECT_TRUE(poll_.sleeps().empty());

  const client::ReadoutCorrection automatic{{{0, {0.9, 0.9}}}, CalibrationMode::Auto};
  auto raw = client::wait_for_results(record, 120s, 5s, &automatic);
  ASSERT_TRUE(raw) << raw.error().display();
  ASSERT_EQ(raw->size(), 1u);
  EXPECT_EQ(texts((*raw)[0]), (std::map<std::string, std::uint64_t>{{std::string(25, '0'), 3}, {std::string(24, '0') + "1", 1}}));
}

TEST_F(ResultPollingTest, FailuresEndTheWaitAtOnce) {
  struct Case {
    const char* what;
    std::string answer;
    const char* error;
  };
  const Case cases[] = {
      {"platform error", R"({"json":{"code":5,"message":"busy"}})", "API error (code=5): busy"},
      {"item status is text", R"({"json":{"code":0,"data":{"experimentResultModelList":[{"status":"0"}]}}})",
       "JSON error: invalid type: string \"0\", expected i64"},
      {"two task-id spellings", R"({"json":{"code":0,"data":{"experimentResultModelList":[{"queryId":"a","query_id":"a"}]}}})",
       "JSON error: duplicate field `experimentTaskId`"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(platform().reset());
    auto record = submission({"a"});
    script("result", "[" + c.answer + "]");
    auto got = client::wait_for_results(record, 120s, 5s);
    ASSERT_FALSE(got);
    EXPECT_EQ(got.error().display(), c.error);
    EXPECT_EQ(requests("result").size(), 1u);
    EXPECT_TRUE(poll_.sleeps().empty());
  }
  // An answer that is no envelope with a result list is the HTTP layer's decoding failure.
  ASSERT_TRUE(platform().reset());
  auto record = submission({"a"});
  script("result", R"([{"json":{"code":0,"data":{"list":[]}}}])");
  auto got = client::fetch_results(*record.client, record.task_ids, record.shots);
  ASSERT_FALSE(got);
  EXPECT_TRUE(got.error().is<client::errors::Http>()) << got.error().display();
}

// A native caller's record may hold any bytes; the query body is JSON, which is UTF-8. Well-formed ids
// of several bytes a character go as they are.
TEST_F(ResultPollingTest, TaskIdsThatAreNotUtf8AreRefusedBeforeAnythingIsSent) {
  const struct {
    std::vector<std::string> ids;
    const char* error;
  } cases[] = {
      {{"a", "b\xff", "c\xff"}, "Invalid input: task id 1 is not valid UTF-8"},
      {{"\xed\xa0\x80"}, "Invalid input: task id 0 is not valid UTF-8"},
      {{"ok", "fine", "a\xe2\x82"}, "Invalid input: task id 2 is not valid UTF-8"},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(platform().reset());
    auto record = submission(c.ids);
    auto got = client::wait_for_results(record, 120s, 5s);
    ASSERT_FALSE(got);
    EXPECT_TRUE(got.error().is<client::errors::InvalidInput>());
    EXPECT_EQ(got.error().display(), c.error);
    EXPECT_TRUE(requests("result").empty());
    EXPECT_TRUE(poll_.sleeps().empty());
  }
  ASSERT_TRUE(platform().reset());
  auto record = submission({"t\xc3\xa9", "\xe2\x82\xac", "\xf0\x9f\x99\x82\xf4\x8f\xbf\xbf"});
  ASSERT_TRUE(client::fetch_results(*record.client, record.task_ids, record.shots));
  const auto sent = requests("result");
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].body, "{\"query_ids\":[\"t\xc3\xa9\",\"\xe2\x82\xac\",\"\xf0\x9f\x99\x82\xf4\x8f\xbf\xbf\"]}");
}

// Submitted to the double, answered with its default per-shot records, read raw and corrected.
TEST_F(ResultPollingTest, EndToEndFromSubmissionToCorrectedCounts) {
  auto client = submission({}).client;
  auto submitted = client::submit_circuits(client, {std::string("H Q0\nCX Q0 Q1\nM Q0 Q1\n")}, 1000, "brevora311",
                                           CalibrationMode::Enabled);
  ASSERT_TRUE(submitted) << submitted.error().error.display();
  auto raw = client::wait_for_results(*submitted, 120s, 5s);
  ASSERT_TRUE(raw) << raw.error().display();
  ASSERT_EQ(raw->size(), 1u);
  EXPECT_EQ((*raw)[0].name, submitted->task_ids[0]);
  EXPECT_EQ((*raw)[0].measured_qubits, (std::vector<std::uint32_t>{0, 1}));
  EXPECT_EQ(texts((*raw)[0]), (std::map<std::string, std::uint64_t>{{"00", 500}, {"11", 500}}));

  auto status = client::fetch_results(*client, submitted->task_ids, submitted->shots);
  ASSERT_TRUE(status);
  EXPECT_EQ(status->size(), 1u);

  // Each qubit reads 0 as 1 one time in ten: the correction spreads nothing onto "01"/"10" back.
  const client::ReadoutCorrection correction{{{0, {0.9, 1.0}}, {1, {0.9, 1.0}}}, CalibrationMode::Enabled};
  auto corrected = client::wait_for_results(*submitted, 120s, 5s, &correction);
  ASSERT_TRUE(corrected) << corrected.error().display();
  const auto counts = texts((*corrected)[0]);
  std::uint64_t total = 0;
  for (const auto& [text, n] : counts) total += n;
  EXPECT_NEAR(static_cast<double>(total), 1000.0, 2.0);
  EXPECT_GT(counts.at("00"), 500u);  // read-1 outcomes were partly prepared 0
}

}  // namespace
}  // namespace norvi::testing
