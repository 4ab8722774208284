// The configuration download against the local double: the class check before any exchange, the
// request sent, the payload forms (document, text holding a document, other values) and the result.

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <string>

#include "norvi/client/device_config.hpp"
#include "norvi/client/json/write.hpp"
#include "support/platform_road.hpp"

using namespace norvi::client;
using norvi::core::QubitIndex;

namespace {

constexpr const char* kDocument =
    R"({"overview": {"qubits": ["Q0", "Q1", "Q2"], "coupler_map": {"C0": ["Q0", "Q1"], "C1": ["Q1", "Q2"]}},
        "disabledQubits": "Q2"})";

// A text as a JSON string literal.
std::string json_string(std::string_view text) {
  json::Writer w;
  w.string(text);
  return w.take();
}

class DeviceConfigDownload : public norvi::testing::PlatformRoadTest {
 protected:
  std::string outcome(const Result<DeviceConfig>& r) { return r ? std::string("ok") : r.error().display(); }
};

}  // namespace

TEST_F(DeviceConfigDownload, DefaultDocumentOfTheDouble) {
  auto client = make_client(accepted_credentials());
  ASSERT_TRUE(client);
  auto config = download_device_config(*client, "brevora");
  ASSERT_TRUE(config) << config.error().display();
  const auto& device = config->device;
  EXPECT_EQ(device.name(), "brevora");
  EXPECT_EQ(device.registered_qubits(), (std::set<QubitIndex>{0, 1, 2}));
  EXPECT_EQ(device.topology().edge_count(), 2u);
  EXPECT_EQ(device.native_gates().size(), 6u);
  using namespace std::chrono;
  EXPECT_EQ(device.calibration_time(), local_days{2024y / May / 1} + 8h + 30min);
  EXPECT_EQ(device.coupler_capabilities().size(), 2u);
  EXPECT_EQ(device.qubit_properties().size(), 3u);
  ASSERT_TRUE(config->readout_calibration);
  EXPECT_EQ(config->readout_calibration->qubits.size(), 3u);

  const auto sent = requests("config");
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].method, "GET");
  EXPECT_EQ(sent[0].path, "/zelm-quantum/sdk/experiment/download/config/brevora");
  EXPECT_TRUE(sent[0].violations.empty());
}

TEST_F(DeviceConfigDownload, OnlySuperconductingDevicesAndNothingSentForOthers) {
  // A token old enough to be renewed before any request: the refusal comes first.
  auto client = make_client(accepted_credentials(100'000));
  ASSERT_TRUE(client);
  for (const char* name : {"brevora_sim", "brevora-p1", "brevora-ion2", "quantum311", ""}) {
    EXPECT_EQ(outcome(download_device_config(*client, name)),
              fmt::format("Invalid input: device configuration download is only supported for superconducting devices: {}",
                          name));
  }
  EXPECT_TRUE(requests("config").empty());
  EXPECT_TRUE(requests("login").empty());
}

TEST_F(DeviceConfigDownload, PayloadForms) {
  struct Case {
    const char* what;
    std::string answer;  // one scripted answer of the config endpoint
    const char* outcome;
  };
  const std::string as_text = fmt::format(R"({{"json": {{"code": 0, "data": {}}}}})", json_string(kDocument));
  const Case cases[] = {
      {"document", fmt::format(R"({{"json": {{"code": 0, "data": {}}}}})", kDocument), "ok"},
      {"text holding the document", as_text, "ok"},
      {"status 404 with a valid envelope", fmt::format(R"({{"status": 404, "json": {{"code": 0, "data": {}}}}})", kDocument),
       "ok"},
      {"text that is no JSON", R"({"json": {"code": 0, "data": "junk"}})", "JSON error: expected value at line 1 column 1"},
      {"text with more after the document", R"({"json": {"code": 0, "data": "{} {}"}})",
       "JSON error: trailing characters at line 1 column 4"},
      {"text holding null", R"({"json": {"code": 0, "data": " null "}})",
       "JSON error: invalid type: null, expected struct RawConfig"},
      {"number", R"({"json": {"code": 0, "data": 5}})", "JSON error: invalid type: integer `5`, expected struct RawConfig"},
      {"boolean", R"({"json": {"code": 0, "data": true}})",
       "JSON error: invalid type: boolean `true`, expected struct RawConfig"},
      {"no overview", R"({"json": {"code": 0, "data": "{\"qubit\": {}}"}})",
       "Invalid input: config JSON missing 'overview' section"},
  };
  auto client = make_client(accepted_credentials());
  ASSERT_TRUE(client);
  for (const Case& c : cases) {
    script("config", "[" + c.answer + "]");
    auto config = download_device_config(*client, "brevora311");
    EXPECT_EQ(outcome(config), c.outcome) << c.what;
    if (config) {
      // The same device whichever form carried it.
      EXPECT_EQ(config->device.registered_qubits(), (std::set<QubitIndex>{0, 1, 2})) << c.what;
      EXPECT_EQ(config->device.invalid_qubits(), (std::set<QubitIndex>{2})) << c.what;
      EXPECT_EQ(config->device.topology().edge_count(), 1u) << c.what;
      EXPECT_EQ(config->device.native_gates().size(), 8u) << c.what;
      EXPECT_FALSE(config->readout_calibration) << c.what;  // the document has no readout section
    }
  }
  EXPECT_EQ(requests("config").size(), std::size(cases));
}

TEST_F(DeviceConfigDownload, TheNameStaysInItsPathSegment) {
  struct Case {
    const char* name;
    const char* segment;  // as sent
  };
  const Case cases[] = {
      {"brevora311", "brevora311"},
      {"brevora/../x", "brevora%2F..%2Fx"},
      {"brevora#x", "brevora%23x"},
      {"brevora?x=1", "brevora%3Fx%3D1"},
      {"brevora%2F", "brevora%252F"},
      {"brevora-\xc3\xa9~", "brevora-%C3%A9~"},
  };
  auto client = make_client(accepted_credentials());
  ASSERT_TRUE(client);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(platform().reset());
    accepted_credentials();
    auto config = download_device_config(*client, c.name);
    EXPECT_EQ(outcome(config), "ok");
    const auto sent = requests("config");
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].path, fmt::format("/zelm-quantum/sdk/experiment/download/config/{}", c.segment));
    EXPECT_TRUE(sent[0].violations.empty());
    if (config) {
      EXPECT_EQ(config->device.name(), c.name);
    }
  }
}
