// The configuration document turned into the device model: qubit names, out-of-service qubits and
// couplers, the native gate sets, the value conversions, and the error of each refused document.

#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <string>
#include <vector>

#include "norvi/client/device_config.hpp"
#include "norvi/client/json/decode.hpp"

using namespace norvi::client;
using norvi::core::Device;
using norvi::core::Instruction;
using norvi::core::QubitIndex;
using norvi::core::QubitPair;
using norvi::core::StandardGate;

namespace {

json::Value parse(const std::string& text) {
  auto value = json::parse(text);
  EXPECT_TRUE(value) << text << ": " << value.error().text();
  return value ? *value : json::Value();
}

// A table of one value per name, as the document writes it.
std::string table(const std::string& names, const std::string& values) {
  return R"({"param_list": [)" + values + R"(], "qubit_used": [)" + names + "]}";
}

// Two qubits Q0 and Q1 joined by C0, with the document's other members put in at `extra`.
std::string two_qubits(const std::string& extra = "", const std::string& overview_extra = "") {
  return R"({"overview": {"qubits": ["Q0", "Q1"], "coupler_map": {"C0": ["Q0", "Q1"]})" + overview_extra + "}" +
         extra + "}";
}

Result<Device> convert(const std::string& text, std::string_view name = "brevora311") {
  return device_from_config(name, parse(text));
}

std::string outcome(const Result<Device>& r) { return r ? std::string("ok") : r.error().display(); }

std::vector<std::string> edge_names(const Device& d) {
  std::vector<std::string> names;
  for (const auto& e : d.topology().edges()) names.emplace_back(e.name);
  return names;
}

std::vector<QubitIndex> node_qubits(const Device& d) {
  std::vector<QubitIndex> qubits;
  for (const auto& n : d.topology().nodes()) qubits.push_back(n.qubit);
  return qubits;
}

}  // namespace

TEST(DeviceFromConfig, TwoQubitsOneCoupler) {
  auto device = convert(two_qubits());
  ASSERT_TRUE(device) << device.error().display();
  EXPECT_EQ(device->name(), "brevora311");
  EXPECT_EQ(device->registered_qubits(), (std::set<QubitIndex>{0, 1}));
  EXPECT_TRUE(device->invalid_qubits().empty());
  ASSERT_EQ(device->topology().edges().size(), 1u);
  const auto edge = device->topology().edges()[0];
  EXPECT_EQ(device->topology().qubit_of(edge.source), 0u);
  EXPECT_EQ(device->topology().qubit_of(edge.target), 1u);
  EXPECT_EQ(edge.name, "C0");
  EXPECT_FALSE(device->calibration_time());
  EXPECT_FALSE(device->t1());
  // Every valid qubit of the topology gets properties, even without tables.
  ASSERT_EQ(device->qubit_properties().size(), 2u);
  EXPECT_EQ(device->qubit_properties().at(0).readout_error, 0.0);
  EXPECT_TRUE(device->qubit_properties().at(0).capabilities.empty());
}

TEST(DeviceFromConfig, NativeGatesByDeviceName) {
  using G = StandardGate;
  const std::vector<Instruction> six{G::RZ, G::X2P, G::X2M, G::Y2P, G::Y2M, G::CZ};
  const std::vector<Instruction> eight{G::RZ, G::X2P, G::X2M, G::Y2P, G::Y2M, G::XY2P, G::XY2M, G::CZ};
  std::vector<Instruction> nine = eight;
  nine.push_back(G::FSIM);
  struct Case {
    const char* name;
    const std::vector<Instruction>& gates;
  };
  const Case cases[] = {
      {"brevora311", eight}, {"brevora311-2", eight}, {"brevora-519", eight}, {"brevora642", nine},
      {"Brevora642", six},   {"brevora", six},        {"brevora311-3", six},  {"brevora519", six},
  };
  for (const Case& c : cases) {
    auto device = convert(two_qubits(), c.name);
    ASSERT_TRUE(device) << c.name;
    EXPECT_EQ(device->native_gates(), c.gates) << c.name;
  }
}

TEST(DeviceFromConfig, QubitNames) {
  struct Case {
    const char* qubits;
    std::set<QubitIndex> registered;
  };
  const Case cases[] = {
      {R"(["Q7"])", {7}},
      {R"(["Q+7"])", {7}},
      {R"(["Q007"])", {7}},
      {R"(["Q4294967295"])", {4294967295u}},
      {R"(["q7", "Q", "Q+", "Q-1", "Q 7", "Q7 ", "Q++7", "Q4294967296", "Q0x1", ""])", {}},
  };
  for (const Case& c : cases) {
    auto device = convert(std::string(R"({"overview": {"qubits": )") + c.qubits + R"(, "coupler_map": {}}})");
    ASSERT_TRUE(device) << c.qubits << ": " << device.error().display();
    EXPECT_EQ(device->registered_qubits(), c.registered) << c.qubits;
  }
}

TEST(DeviceFromConfig, DisabledQubitCountsButLeavesTheTopology) {
  auto device = convert(two_qubits(R"(, "disabledQubits": " Q1 , junk")"));
  ASSERT_TRUE(device) << device.error().display();
  EXPECT_EQ(device->num_qubits(), 2u);
  EXPECT_EQ(device->invalid_qubits(), (std::set<QubitIndex>{1}));
  EXPECT_EQ(node_qubits(*device), (std::vector<QubitIndex>{0}));
  EXPECT_TRUE(device->topology().edges().empty());
  // Out-of-service qubits are no topology nodes, so they get no properties.
  EXPECT_FALSE(device->qubit_properties().contains(1));
  EXPECT_TRUE(device->qubit_properties().contains(0));
}

TEST(DeviceFromConfig, DisabledListsAreTrimmed) {
  const std::string doc = R"({"overview": {"qubits": ["Q0", "Q1", "Q2", "Q3"],
      "coupler_map": {"C0": ["Q0", "Q1"], "C1": ["Q1", "Q2"], "C2": ["Q2", "Q3"]}},
      "disabledQubits": "\tQ3\u00a0", "disabledCouplers": " C1 ,,\u3000C9"})";
  auto device = convert(doc);
  ASSERT_TRUE(device) << device.error().display();
  EXPECT_EQ(device->invalid_qubits(), (std::set<QubitIndex>{3}));
  EXPECT_EQ(node_qubits(*device), (std::vector<QubitIndex>{0, 1, 2}));
  EXPECT_EQ(edge_names(*device), (std::vector<std::string>{"C0"}));
}

TEST(DeviceFromConfig, CouplingsInNameOrder) {
  const std::string doc = R"({"overview": {"qubits": ["Q0", "Q1", "Q2"],
      "coupler_map": {"C2": ["Q2", "Q0"], "C0": ["Q0", "Q1"], "C10": ["Q1", "Q0"], "C1": ["Q1", "Q2"],
                      "one": ["Q0"], "three": ["Q0", "Q1", "Q2"], "bad": ["Q0", "q1"]}}})";
  auto device = convert(doc);
  ASSERT_TRUE(device) << device.error().display();
  EXPECT_EQ(edge_names(*device), (std::vector<std::string>{"C0", "C1", "C10", "C2"}));
  EXPECT_TRUE(device->topology().has_edge(1, 0));
  EXPECT_TRUE(device->topology().has_edge(0, 1));
}

TEST(DeviceFromConfig, RefusedDocuments) {
  struct Case {
    const char* what;
    std::string document;
    const char* text;
  };
  const std::string gate_error = R"(, "qubit": {"singleQubit": {"gate error": )";
  const Case cases[] = {
      {"not a document", "null", "JSON error: invalid type: null, expected struct RawConfig"},
      {"a number", "1", "JSON error: invalid type: integer `1`, expected struct RawConfig"},
      {"bad overview value", two_qubits("", R"(, "T1": "5")"), R"(JSON error: invalid type: string "5", expected f64)"},
      {"no overview", R"({"calibrationTime": "2024-05-01 08:30:00", "disabledQubits": "Q1",
          "qubit": {}, "readout": {}, "twoQubitGate": {}})",
       "Invalid input: config JSON missing 'overview' section"},
      {"null overview", R"({"overview": null})", "Invalid input: config JSON missing 'overview' section"},
      {"one qubit twice", R"({"overview": {"qubits": ["Q1", "Q01"], "coupler_map": {}}})",
       "Invalid input: failed to build topology: Qubit PhysicalQubit(Qubit(1)) already exists"},
      {"coupling to no qubit", R"({"overview": {"qubits": ["Q0"], "coupler_map": {"C0": ["Q0", "Q9"]}}})",
       "Invalid input: failed to build topology: Qubit PhysicalQubit(Qubit(9)) not found"},
      {"self coupling", R"({"overview": {"qubits": ["Q0"], "coupler_map": {"C0": ["Q0", "Q0"]}}})",
       "Invalid input: failed to build topology: Self coupling (PhysicalQubit(Qubit(0)) -> PhysicalQubit(Qubit(0))) is "
       "not allowed"},
      {"pair coupled twice", R"({"overview": {"qubits": ["Q0", "Q1"], "coupler_map": {"A": ["Q0", "Q1"], "B": ["Q0", "Q+1"]}}})",
       "Invalid input: failed to build topology: Coupling (PhysicalQubit(Qubit(0)) -> PhysicalQubit(Qubit(1))) already "
       "exists"},
      {"gate error above 100", two_qubits(gate_error + table(R"("Q0")", "150") + "}}"),
       "Invalid input: failed to set qubit gate properties: instruction X2P has invalid native error rate 1.5: expected "
       "a finite value in [0, 1]"},
      {"gate error below 0", two_qubits(gate_error + table(R"("Q1")", "-0.001") + "}}"),
       "Invalid input: failed to set qubit gate properties: instruction X2P has invalid native error rate -1e-5: "
       "expected a finite value in [0, 1]"},
      {"gate error of an out-of-service qubit",
       two_qubits(R"(, "disabledQubits": "Q1")" + gate_error + table(R"("Q1")", "150") + "}}"),
       "Invalid input: failed to set qubit gate properties: instruction X2P has invalid native error rate 1.5: expected "
       "a finite value in [0, 1]"},
      {"CZ error of a disabled coupler",
       two_qubits(R"(, "disabledCouplers": "C0", "twoQubitGate": {"czGate": {"gate error": )" + table(R"("C0")", "150") +
                  "}}"),
       "Invalid input: failed to set coupler gate properties: instruction CZ has invalid native error rate 1.5: "
       "expected a finite value in [0, 1]"},
  };
  for (const Case& c : cases) EXPECT_EQ(outcome(convert(c.document)), c.text) << c.what;
}

TEST(DeviceFromConfig, ToleratedDocuments) {
  struct Case {
    const char* what;
    std::string document;
  };
  const Case cases[] = {
      {"one index twice, both disabled", R"({"overview": {"qubits": ["Q1", "Q01"], "coupler_map": {}}, "disabledQubits": "Q01"})"},
      {"coupling to a disabled qubit", R"({"overview": {"qubits": ["Q0"], "coupler_map": {"C0": ["Q0", "Q9"]}},
          "disabledQubits": "Q9"})"},
      {"disabled coupler joining a qubit to itself", R"({"overview": {"qubits": ["Q0"], "coupler_map": {"C0": ["Q0", "Q0"]}},
          "disabledCouplers": "C0"})"},
      {"CZ row of no coupler", two_qubits(R"(, "twoQubitGate": {"czGate": {"gate error": )" + table(R"("C7")", "500") + "}}")},
      {"gate error row of no qubit", two_qubits(R"(, "qubit": {"singleQubit": {"gate error": )" + table(R"("Q5")", "500") + "}}")},
      {"malformed calibration time", two_qubits(R"(, "calibrationTime": "yesterday")")},
  };
  for (const Case& c : cases) EXPECT_EQ(outcome(convert(c.document)), "ok") << c.what;
}

TEST(DeviceFromConfig, CalibrationValues) {
  const std::string doc = two_qubits(
      R"(, "qubit": {"frequency": {"f01": )" + table(R"("Q0", "Q1")", "4.5, 4.6") + R"(},
        "relatime": {"T1": )" + table(R"("Q0")", "30") + R"(, "T2": )" + table(R"("Q1")", "12.5") + R"(},
        "singleQubit": {"gate error": )" + table(R"("Q0", "Q1")", "0.5, 100") + R"(}},
      "readout": {"readoutArray": {"Readout Error": )" + table(R"("Q0")", "2") + R"(,
        "|0> readout fidelity": )" + table(R"("Q0")", "0.97") + R"(,
        "|1> readout fidelity": )" + table(R"("Q1")", "0.9") + R"(}},
      "twoQubitGate": {"czGate": {"gate error": )" + table(R"("C0")", "1.5") + "}}",
      R"(, "T1": 35.5, "T2": 20, "cz_error": 1.2, "1q_gate_error": 0.1, "readout_error": 3)");
  auto device = convert(doc);
  ASSERT_TRUE(device) << device.error().display();
  EXPECT_EQ(device->t1(), 35.5);
  EXPECT_EQ(device->t2(), 20.0);
  EXPECT_EQ(device->avg_two_qubit_gate_error(), 1.2 / 100);
  EXPECT_EQ(device->avg_single_qubit_gate_error(), 0.1 / 100);
  EXPECT_EQ(device->avg_readout_error(), 0.03);

  const auto& q0 = device->qubit_properties().at(0);
  EXPECT_EQ(q0.frequency, 4.5);
  EXPECT_EQ(q0.t1, 30.0);
  EXPECT_FALSE(q0.t2);
  EXPECT_EQ(q0.readout_error, 0.02);
  EXPECT_EQ(q0.readout_error_0, 1 - 0.97);
  EXPECT_FALSE(q0.readout_error_1);
  ASSERT_EQ(q0.capabilities.size(), 1u);
  EXPECT_EQ(q0.capabilities[0].instruction, Instruction(StandardGate::X2P));
  EXPECT_EQ(q0.capabilities[0].error_rate, 0.005);
  EXPECT_FALSE(q0.capabilities[0].duration);

  const auto& q1 = device->qubit_properties().at(1);
  EXPECT_EQ(q1.t2, 12.5);
  EXPECT_EQ(q1.readout_error, 0.0);  // no row
  EXPECT_EQ(q1.readout_error_1, 1 - 0.9);
  ASSERT_EQ(q1.capabilities.size(), 1u);
  EXPECT_EQ(q1.capabilities[0].error_rate, 1.0);

  const auto& cz = device->coupler_capabilities().at(QubitPair{0, 1});
  ASSERT_EQ(cz.size(), 1u);
  EXPECT_EQ(cz[0].instruction, Instruction(StandardGate::CZ));
  EXPECT_EQ(cz[0].error_rate, 0.015);
}

TEST(DeviceFromConfig, LookupsUseTheNameAsWritten) {
  const std::string doc = R"({"overview": {"qubits": ["Q007"], "coupler_map": {}},
      "qubit": {"relatime": {"T1": )" + table(R"("Q7")", "30") + "}}}";
  auto device = convert(doc);
  ASSERT_TRUE(device) << device.error().display();
  EXPECT_FALSE(device->qubit_properties().at(7).t1);
}

TEST(DeviceFromConfig, NoListForACouplerWithoutEdge) {
  auto device = convert(two_qubits(R"(, "disabledCouplers": "C0", "twoQubitGate": {"czGate": {"gate error": )" +
                                   table(R"("C0")", "1") + "}}"));
  ASSERT_TRUE(device) << device.error().display();
  EXPECT_TRUE(device->coupler_capabilities().empty());
}

TEST(DeviceFromConfig, CalibrationTime) {
  using namespace std::chrono;
  struct Case {
    const char* text;
    std::optional<norvi::core::CalibrationTime> time;
  };
  const Case cases[] = {
      {"2024-05-01 08:30:00", local_days{2024y / May / 1} + 8h + 30min},
      {"2024-05-01T08:30:00", std::nullopt},
      {"2024-02-30 08:30:00", std::nullopt},
      {"2024-05-01 08:30:00.5", std::nullopt},
  };
  for (const Case& c : cases) {
    auto device = convert(two_qubits(std::string(R"(, "calibrationTime": ")") + c.text + "\""));
    ASSERT_TRUE(device) << c.text;
    EXPECT_EQ(device->calibration_time(), c.time) << c.text;
  }
}
