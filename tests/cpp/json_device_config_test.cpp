#include <gtest/gtest.h>

#include <string>

#include "norvi/client/device_config_document.hpp"
#include "norvi/client/json/decode.hpp"

using namespace norvi::client;

namespace {

json::DecodeResult<RawConfig> from(const std::string& text) {
  auto value = json::parse(text);
  EXPECT_TRUE(value) << text;
  return deserialize_raw_config(value ? *value : json::Value());
}

}  // namespace

TEST(DeviceConfigDocument, DecodesAWholeDocument) {
  const auto config = from(R"({
    "calibrationTime": "2024-05-01 10:00:00", "computerId": "c7", "disabledQubits": "Q3,Q4", "disabledCouplers": "",
    "overview": {"qubits": ["Q0", "Q1"], "coupler_map": {"C0": ["Q0", "Q1"]}, "T1": 5, "1q_gate_error": 0.001},
    "qubit": {"frequency": {"f01": {"param_list": [4.5, 4.6], "qubit_used": ["Q0", "Q1"]}},
              "relatime": {"T1": null, "T2": [[1], ["Q0"]]}, "singleQubit": {}},
    "readout": {"readoutArray": {"|0> readout fidelity": {"param_list": [0.9], "qubit_used": ["Q0"]},
                                 "|1> readout fidelity": {"param_list": [0.8], "qubit_used": ["Q0"]},
                                 "Readout Error": null}},
    "twoQubitGate": {"czGate": {"gate error": {"param_list": [0.01], "qubit_used": ["C0"]}}},
    "extra": [1, {"deep": null}]
  })");
  ASSERT_TRUE(config) << config.error().text();
  EXPECT_EQ(config->calibration_time, "2024-05-01 10:00:00");
  EXPECT_EQ(config->disabled_couplers, "");
  const Overview& o = *config->overview;
  EXPECT_EQ(o.qubits, (std::vector<std::string>{"Q0", "Q1"}));
  EXPECT_EQ(o.coupler_map.at("C0"), (std::vector<std::string>{"Q0", "Q1"}));
  EXPECT_EQ(o.t1, 5.0);  // an integer reads as a real
  EXPECT_FALSE(o.t2);
  EXPECT_EQ(o.one_qubit_gate_error, 0.001);
  EXPECT_EQ(config->qubit->frequency->f01->param_list, (std::vector<double>{4.5, 4.6}));
  EXPECT_FALSE(config->qubit->relatime->t1);
  EXPECT_EQ(config->qubit->relatime->t2->qubit_used, (std::vector<std::string>{"Q0"}));  // array form
  EXPECT_FALSE(config->qubit->single_qubit->gate_error);
  EXPECT_EQ(config->readout->readout_array->fidelity1->param_list, (std::vector<double>{0.8}));
  EXPECT_EQ(config->two_qubit_gate->cz_gate->gate_error->qubit_used, (std::vector<std::string>{"C0"}));
}

TEST(DeviceConfigDocument, AbsentAndNullMeanNone) {
  const char* none_at_all[] = {"{}", R"({"Overview": {"qubits": 5}, "calibration_time": 1, "qubit ": []})",
                               R"({"overview": null, "readout": null})"};
  for (const char* text : none_at_all) {
    SCOPED_TRACE(text);
    const auto config = from(text);
    ASSERT_TRUE(config) << config.error().text();
    EXPECT_EQ(*config, RawConfig{});
  }
  const auto empty = from(R"({"overview": {"qubits": [], "coupler_map": {}},
                              "qubit": {"frequency": {"f01": null}, "singleQubit": {"Gate error": {}}}})");
  ASSERT_TRUE(empty) << empty.error().text();
  EXPECT_EQ(*empty->overview, Overview{});
  EXPECT_FALSE(empty->qubit->frequency->f01);
  EXPECT_FALSE(empty->qubit->single_qubit->gate_error);  // keys match byte for byte only
}

TEST(DeviceConfigDocument, Failures) {
  struct Case {
    const char* text;
    const char* error;
  };
  const Case cases[] = {
      {R"({"overview": {}})", "missing field `qubits`"},
      {R"({"overview": {"qubits": []}})", "missing field `coupler_map`"},
      {R"({"overview": {"qubits": [], "coupler_map": {}, "T1": "5"}})", R"(invalid type: string "5", expected f64)"},
      {R"({"overview": {"qubits": ["Q0", 7], "coupler_map": {}}})", "invalid type: integer `7`, expected a string"},
      {R"({"overview": {"qubits": [], "coupler_map": []}})", "invalid type: sequence, expected a map"},
      {R"({"overview": {"qubits": [], "coupler_map": {"C0": "Q0,Q1"}}})",
       R"(invalid type: string "Q0,Q1", expected a sequence)"},
      // "T1" sorts before "qubits": upper-case letters before lower-case ones.
      {R"({"overview": {"qubits": 5, "T1": "x"}})", R"(invalid type: string "x", expected f64)"},
      {R"({"overview": {"T1": 1, "qubits": 5}})", "invalid type: integer `5`, expected a sequence"},
      {R"({"qubit": {"frequency": {"f01": {"param_list": [1.5, null], "qubit_used": []}}}})",
       "invalid type: null, expected f64"},
      {R"({"qubit": {"frequency": {"f01": {}}}})", "missing field `param_list`"},
      {R"({"qubit": {"frequency": {"f01": {"param_list": []}}}})", "missing field `qubit_used`"},
      {R"({"calibrationTime": 20240501})", "invalid type: integer `20240501`, expected a string"},
      {R"({"overview": 1})", "invalid type: integer `1`, expected struct Overview"},
      {R"({"twoQubitGate": {"czGate": []}})", "invalid length 0, expected struct CzGateBlock with 1 element"},
      {R"({"twoQubitGate": {"czGate": [null, 1]}})", "invalid length 2, expected fewer elements in array"},
      {R"({"readout": {"readoutArray": [null, null]}})", "invalid length 2, expected struct ReadoutArray with 3 elements"},
      {"[null, null]", "invalid length 2, expected struct RawConfig with 8 elements"},
      {"[1, 2]", "invalid type: integer `1`, expected a string"},
      {"1", "invalid type: integer `1`, expected struct RawConfig"},
      {"null", "invalid type: null, expected struct RawConfig"},
      {R"("{}")", R"(invalid type: string "{}", expected struct RawConfig)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const auto config = from(c.text);
    ASSERT_FALSE(config);
    EXPECT_EQ(config.error().text(), c.error);
  }
}

TEST(DeviceConfigDocument, ParamArrayToMap) {
  const ParamArray shorter_names{{0.1, 0.2, 0.3}, {"Q0", "Q1"}};
  EXPECT_EQ(param_array_to_map(shorter_names), (std::unordered_map<std::string, double>{{"Q0", 0.1}, {"Q1", 0.2}}));
  const ParamArray repeated{{0.1, 0.2}, {"Q0", "Q0", "Q9"}};
  EXPECT_EQ(param_array_to_map(repeated), (std::unordered_map<std::string, double>{{"Q0", 0.2}}));
  EXPECT_TRUE(param_array_to_map({{}, {"Q0"}}).empty());
}
