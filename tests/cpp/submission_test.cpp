// Circuit submission against the local double: the checks and their order, the batches, the body
// sent, the record returned, and a failing batch.

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include <fmt/format.h>

#include "norvi/client/calibration_mode.hpp"
#include "norvi/client/json/decode.hpp"
#include "norvi/client/submission.hpp"
#include "support/circuit_builders.hpp"
#include "support/platform_road.hpp"

namespace {

using namespace norvi::client;
using norvi::core::UtcTime;
using norvi::core::utc_time_text;
using namespace std::chrono;

std::vector<CircuitItem> circuits(std::size_t n) {
  std::vector<CircuitItem> items;
  for (std::size_t i = 0; i < n; ++i) items.emplace_back(fmt::format("H Q{}\nM Q{}", i, i));
  return items;
}

std::vector<std::string> numbered(std::string_view prefix, std::size_t from, std::size_t to) {
  std::vector<std::string> ids;
  for (std::size_t i = from; i <= to; ++i) ids.push_back(fmt::format("{}{}", prefix, i));
  return ids;
}

UtcTime fixed_moment() { return sys_days{2026y / December / 8} + 9h + 5min + 3s + 500ms; }

class Submission : public norvi::testing::PlatformRoadTest {
 protected:
  void SetUp() override {
    PlatformRoadTest::SetUp();
    if (HasFatalFailure()) return;
    clock_.set(fixed_moment());
    client_ = make_client(accepted_credentials());
    ASSERT_TRUE(client_);
  }

  std::expected<SubmissionRecord, SubmissionFailure> submit(std::vector<CircuitItem> items, std::uint64_t shots = 100,
                                                            std::string device = "brevora311",
                                                            CalibrationMode mode = CalibrationMode::Auto) {
    return submit_circuits(client_, std::move(items), shots, std::move(device), mode);
  }

  // The circuit count of every submit request, in order; each request passed the double's checks.
  std::vector<std::size_t> batch_sizes() {
    std::vector<std::size_t> sizes;
    for (const auto& request : requests("submit")) {
      EXPECT_TRUE(request.violations.empty()) << request.violations.front();
      auto body = json::parse(request.body);
      EXPECT_TRUE(body);
      if (body) sizes.push_back(body->find("circuit")->size());
    }
    return sizes;
  }

  std::shared_ptr<PlatformClient> client_;
};

TEST_F(Submission, ChecksInTheirOrderSendNothing) {
  struct Case {
    std::size_t circuits;
    std::uint64_t shots;
    const char* device;
    CalibrationMode mode;
    const char* text;
  };
  const Case cases[] = {
      {0, 0, "nowhere", CalibrationMode::Enabled, "Invalid input: circuit list must not be empty"},
      {1, 0, "nowhere", CalibrationMode::Auto, "Invalid input: shots must be greater than zero"},
      {1, 1, "nowhere", CalibrationMode::Disabled, "Device not found: 'nowhere'"},
      {1, 1, "Brevora311", CalibrationMode::Auto, "Device not found: 'Brevora311'"},
      {1, 1, "", CalibrationMode::Auto, "Device not found: ''"},
      {1, 1, "brevora_sim", CalibrationMode::Enabled,
       "Invalid input: readout calibration is only supported for superconducting devices: brevora_sim"},
      {1, 1, "brevora-photon", CalibrationMode::Enabled,
       "Invalid input: readout calibration is only supported for superconducting devices: brevora-photon"},
      {1, 1, "brevora-photon", CalibrationMode::Auto,
       "Invalid input: task submission is only supported for superconducting devices and simulators: brevora-photon"},
      {1, 1, "brevora-ion-1", CalibrationMode::Disabled,
       "Invalid input: task submission is only supported for superconducting devices and simulators: brevora-ion-1"},
      // The platform prefix lets any bytes follow; the name goes into the JSON body, which is UTF-8.
      {1, 1, "brevora\xff", CalibrationMode::Auto, "Invalid input: device name is not valid UTF-8"},
      {1, 1, "brevora_sim\xc0\xaf", CalibrationMode::Disabled, "Invalid input: device name is not valid UTF-8"},
      {1, 0, "brevora\xff", CalibrationMode::Auto, "Invalid input: shots must be greater than zero"},
      {1, 1, "brevora-p\xff", CalibrationMode::Auto,
       "Invalid input: task submission is only supported for superconducting devices and simulators: brevora-p\xff"},
  };
  for (const Case& c : cases) {
    auto result = submit(circuits(c.circuits), c.shots, c.device, c.mode);
    ASSERT_FALSE(result) << c.text;
    EXPECT_EQ(result.error().error.display(), c.text);
    EXPECT_TRUE(result.error().accepted_task_ids.empty());
  }
  EXPECT_TRUE(requests("submit").empty());
}

TEST_F(Submission, ReadoutDecision) {
  struct Case {
    CalibrationMode mode;
    const char* device;
    bool applies;
  };
  const Case cases[] = {
      {CalibrationMode::Auto, "brevora311", true},   {CalibrationMode::Auto, "brevora_sim", false},
      {CalibrationMode::Auto, "brevora-p", false},   {CalibrationMode::Enabled, "brevora", true},
      {CalibrationMode::Disabled, "brevora311", false}, {CalibrationMode::Disabled, "brevora-ion", false},
  };
  for (const Case& c : cases) {
    auto applies = resolve_readout_calibration(c.mode, c.device);
    ASSERT_TRUE(applies) << c.device;
    EXPECT_EQ(*applies, c.applies) << c.device;
  }
  EXPECT_TRUE(resolve_readout_calibration(CalibrationMode::Enabled, "brevora-ion-1").error().is<errors::InvalidInput>());
}

TEST_F(Submission, OneCircuitBodyBytes) {
  std::vector<CircuitItem> one;
  one.emplace_back("H Q1\nM Q1");
  auto record = submit(std::move(one), 1000);
  ASSERT_TRUE(record) << record.error().error.display();
  auto sent = requests("submit");
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].body,
            R"({"circuit":["H Q1\nM Q1"],"computerCode":"brevora311","is_verify":true,"language":"vesk","name":"","shots":1000})");
  EXPECT_TRUE(sent[0].violations.empty());
}

TEST_F(Submission, TextsAreSentUnchanged) {
  // Two-, three- and four-byte characters (U+10FFFF the last there is) go as they are, never escaped.
  const char* multibyte = "RX Q0 \xce\xb8 \xe2\x82\xac \xf0\x9f\x99\x82 \xf4\x8f\xbf\xbf";
  std::vector<CircuitItem> texts;
  for (const char* t : {"", "  H Q0  ", "X Q0\r\n\tM Q0 \"q\" \\ \xc3\xa9", multibyte}) texts.emplace_back(t);
  auto record = submit(std::move(texts), UINT64_MAX, "brevora_sim\xc3\xa9");
  ASSERT_TRUE(record) << record.error().error.display();
  auto sent = requests("submit");
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].body,
            "{\"circuit\":[\"\",\"  H Q0  \",\"X Q0\\r\\n\\tM Q0 \\\"q\\\" \\\\ \xc3\xa9\",\"" + std::string(multibyte) +
                "\"],\"computerCode\":\"brevora_sim\xc3\xa9\","
                "\"is_verify\":true,\"language\":\"vesk\",\"name\":\"\",\"shots\":18446744073709551615}");
  EXPECT_TRUE(sent[0].violations.empty());
}

// JSON text is UTF-8: a text that is not is refused by its index in the list, the first in list order,
// before the clock is read or anything is sent (a whole batch's worth of good texts comes before it).
TEST_F(Submission, TextsThatAreNotUtf8AreRefusedByIndex) {
  using namespace norvi::core;
  using norvi::testing::op;
  const std::string ill_formed[] = {
      "H Q0\xff",                // a stray byte
      "H Q0 \xc0\xaf",          // an overlong form
      "H Q0 \xed\xa0\x80",      // an encoded surrogate
      "H \x80Q0",                // a lone continuation byte
      "H Q0 \xf0\x9f\x99",      // a sequence cut short at the end
      "H Q0 \xf4\x90\x80\x80",  // above U+10FFFF
  };
  for (const std::string& text : ill_formed) {
    SCOPED_TRACE(::testing::PrintToString(text));
    clock_.set(1000, 1);
    std::vector<CircuitItem> items = circuits(55);
    items.emplace_back(text);
    items.emplace_back("M Q0\xff");
    items.emplace_back(norvi::testing::circuit({op(Instruction::directive(DirectiveKind::Reset), {0})}));
    auto result = submit(std::move(items));
    ASSERT_FALSE(result);
    EXPECT_TRUE(result.error().error.is<errors::InvalidInput>());
    EXPECT_EQ(result.error().error.display(), "Invalid input: circuit 55 is not valid UTF-8");
    EXPECT_TRUE(result.error().accepted_task_ids.empty());
    EXPECT_EQ(clock_.now(), 1000);
  }
  // In list order among conversions: a circuit that does not convert, before an ill-formed text.
  std::vector<CircuitItem> items = circuits(2);
  items.emplace_back(norvi::testing::circuit({op(Instruction::directive(DirectiveKind::Reset), {0})}));
  items.emplace_back("M Q0\xff");
  EXPECT_EQ(submit(std::move(items)).error().error.display(),
            "Circuit-to-VESK conversion error: Unsupported gate 'Reset': it is not represented by the VESK circuit format");
  // A circuit object's caller text (a symbol's name) that is not UTF-8 fails its conversion.
  items = circuits(1);
  items.emplace_back(norvi::testing::circuit({op(StandardGate::RX, {0}, {norvi::testing::index(0)})},
                                             {Parameter{norvi::testing::var("theta\xff")}}));
  EXPECT_EQ(submit(std::move(items)).error().error.display(),
            "Circuit-to-VESK conversion error: Invalid UTF-8 in a parameter of 'RX': VESK text is UTF-8");
  // The device name is checked before the circuits.
  items = circuits(1);
  items.emplace_back("M Q0\xff");
  EXPECT_EQ(submit(std::move(items), 1, "brevora\xff").error().error.display(),
            "Invalid input: device name is not valid UTF-8");
  EXPECT_TRUE(requests("submit").empty());
}

TEST_F(Submission, CircuitObjectsAreSentAsTheirVeskText) {
  using namespace norvi::core;
  using norvi::testing::op;
  std::vector<CircuitItem> items;
  items.emplace_back(norvi::testing::circuit({op(StandardGate::H, {1}), op(Instruction::directive(DirectiveKind::Measure), {1})}));
  items.emplace_back("X Q0");
  items.emplace_back(norvi::testing::circuit({op(StandardGate::RX, {0}, {norvi::testing::index(0)})},
                                             {Parameter{norvi::testing::num(0.5)}}));
  auto record = submit(std::move(items), 10);
  ASSERT_TRUE(record) << record.error().error.display();
  auto sent = requests("submit");
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].body,
            R"({"circuit":["H Q1\nM Q1\n","X Q0","RX Q0 0.5\n"],"computerCode":"brevora311","is_verify":true,)"
            R"("language":"vesk","name":"","shots":10})");
}

TEST_F(Submission, OneCircuitThatDoesNotConvertSendsNothing) {
  using namespace norvi::core;
  using norvi::testing::op;
  // 60 items: a good batch's worth comes before the bad circuit, so nothing may be sent early.
  std::vector<CircuitItem> items = circuits(55);
  items.emplace_back(norvi::testing::circuit({op(StandardGate::H, {0})}));
  items.emplace_back(norvi::testing::circuit({op(StandardGate::X, {0}), op(Instruction::mc_gate(1, StandardGate::X), {0, 1})}));
  items.emplace_back(norvi::testing::circuit({op(Instruction::directive(DirectiveKind::Reset), {0})}));
  items.emplace_back("M Q0");
  auto result = submit(std::move(items));
  ASSERT_FALSE(result);
  EXPECT_TRUE(result.error().error.is<errors::Conversion>());
  EXPECT_EQ(result.error().error.display(),
            "Circuit-to-VESK conversion error: Unsupported gate 'Multi-controlled gate': it is not represented by the "
            "VESK circuit format");
  EXPECT_TRUE(result.error().accepted_task_ids.empty());
  EXPECT_TRUE(requests("submit").empty());

  // The request's checks come before any conversion.
  std::vector<CircuitItem> bad;
  bad.emplace_back(norvi::testing::circuit({op(StandardGate::I, {0})}));
  EXPECT_EQ(submit(std::move(bad), 0).error().error.display(), "Invalid input: shots must be greater than zero");
  EXPECT_TRUE(requests("submit").empty());
}

TEST_F(Submission, BatchesOfFifty) {
  struct Case {
    std::size_t circuits;
    std::vector<std::size_t> batches;
  };
  const Case cases[] = {{1, {1}}, {50, {50}}, {51, {50, 1}}, {120, {50, 50, 20}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.circuits);
    ASSERT_TRUE(platform().reset());
    ASSERT_TRUE(platform().set_state(R"({"tokens":["road-token"]})"));
    auto record = submit(circuits(c.circuits));
    ASSERT_TRUE(record) << record.error().error.display();
    EXPECT_EQ(batch_sizes(), c.batches);
    EXPECT_EQ(record->task_ids, numbered("task-", 1, c.circuits));  // the double's ids, one per circuit
  }
}

TEST_F(Submission, IdsConcatenatedInBatchOrderWhateverTheirCount) {
  ASSERT_TRUE(platform().set_state(R"({"submit_ids":[["c","a"],["z"],[]]})"));
  auto record = submit(circuits(120), 7, "brevora_sim", CalibrationMode::Disabled);
  ASSERT_TRUE(record) << record.error().error.display();
  EXPECT_EQ(record->task_ids, (std::vector<std::string>{"c", "a", "z"}));
  EXPECT_EQ(record->device_name, "brevora_sim");
  EXPECT_EQ(record->shots, 7u);
  EXPECT_EQ(record->calibration_mode, CalibrationMode::Disabled);
  EXPECT_EQ(record->client, client_);
  EXPECT_EQ(record->submitted_at, fixed_moment());
  EXPECT_EQ(utc_time_text(record->submitted_at), "2026-12-08 9:05:03.5 +00:00:00");
}

TEST_F(Submission, SecondBatchFailingFailsTheWhole) {
  script("submit", R"([{}, {"json":{"code":17,"message":"quota exceeded"}}])");
  auto result = submit(circuits(120));
  ASSERT_FALSE(result);
  EXPECT_EQ(result.error().error.display(), "API error (code=17): quota exceeded");
  // The first batch's tasks were accepted: their ids stay reachable through the failure.
  EXPECT_EQ(result.error().accepted_task_ids, numbered("task-", 1, 50));
  EXPECT_EQ(batch_sizes(), (std::vector<std::size_t>{50, 50}));  // nothing sent after the failure
}

// A batch travels once per attempt of the retry loop: a kept connection closed as the batch arrives is
// that attempt's transport failure (never re-sent behind the loop's back), and a server error is sent
// again by the loop after its pause.
TEST_F(Submission, EachAttemptSendsTheBatchOnce) {
  struct Case {
    const char* what;
    const char* answers;  // of the second submission, which goes over the first one's connection
    const char* outcome;
    std::vector<std::int64_t> sleeps;
    std::vector<std::optional<int>> statuses;  // answered to the second submission's requests
  };
  const Case cases[] = {
      {"closed on arrival", R"([{"fault":"close"}])", "ok", {1}, {std::nullopt, 200}},
      {"answered 503", R"([{"status":503}])", "ok", {1}, {503, 200}},
      {"closed on arrival thrice", R"([{"fault":"close"},{"fault":"close"},{"fault":"close"}])",
       "HTTP request failed: error sending request for url (https://{}/zelm-quantum/sdk/experiment/submit): ", {1, 2},
       {std::nullopt, std::nullopt, std::nullopt}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(platform().reset());
    ASSERT_TRUE(platform().set_state(R"({"tokens":["road-token"]})"));
    clock_ = norvi::testing::FakeClock();
    client_ = make_client(accepted_credentials());
    ASSERT_TRUE(client_);
    ASSERT_TRUE(submit(circuits(1)));  // leaves a kept connection
    script("submit", c.answers);

    auto result = submit(circuits(2));
    const std::string expected = fmt::format(fmt::runtime(c.outcome), platform().domain());
    const std::string outcome = result ? std::string("ok") : result.error().error.display();
    EXPECT_TRUE(outcome.starts_with(expected)) << outcome;
    EXPECT_EQ(clock_.sleeps(), c.sleeps);

    const auto sent = requests("submit");
    ASSERT_EQ(sent.size(), 1 + c.statuses.size());
    EXPECT_EQ(sent[1].connection, sent[0].connection);  // the kept one
    for (std::size_t i = 0; i < c.statuses.size(); ++i) {
      EXPECT_EQ(sent[1 + i].answer_status, c.statuses[i]) << i;
      EXPECT_EQ(sent[1 + i].body, sent[1].body) << i;
    }
  }
}

TEST_F(Submission, UndecodableAnswerIsHttp) {
  for (const char* data : {R"({"ids":[]})", R"({"query_ids":[1]})", R"({"query_ids":"task-1"})"}) {
    script("submit", fmt::format(R"([{{"json":{{"code":0,"message":"success","data":{}}}}}])", data));
    auto result = submit(circuits(1));
    ASSERT_FALSE(result) << data;
    EXPECT_TRUE(result.error().error.is<errors::Http>()) << result.error().error.display();
  }
  // The one-element array form holds the list.
  script("submit", R"([{"json":{"code":0,"message":"success","data":[["q-1","q-2"]]}}])");
  auto record = submit(circuits(1));
  ASSERT_TRUE(record) << record.error().error.display();
  EXPECT_EQ(record->task_ids, (std::vector<std::string>{"q-1", "q-2"}));
}

TEST_F(Submission, TenThousandCircuitsInTwoHundredRequests) {
  auto record = submit(circuits(10'000), 1);
  ASSERT_TRUE(record) << record.error().error.display();
  EXPECT_EQ(record->task_ids.size(), 10'000u);
  EXPECT_EQ(record->task_ids.back(), "task-10000");
  const auto sizes = batch_sizes();
  EXPECT_EQ(sizes, std::vector<std::size_t>(200, 50));
}

}  // namespace
