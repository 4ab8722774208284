// The device model: capability checks and their value texts, the setters' checks, and that a
// refused change leaves the device as it was.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>

#include "norvi/core/device/device.hpp"
#include "norvi/symbolic/number_format.hpp"

using namespace norvi::core;
using norvi::symbolic::format_diagnostic;

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

NativeCapability capability(StandardGate gate, double rate, std::optional<double> duration = std::nullopt) {
  return NativeCapability{Instruction(gate), rate, duration};
}

template <typename T>
std::string error_text(const DeviceResult<T>& r) {
  return r ? std::string("ok") : r.error().display();
}

// Qubits 2, 3 and 5 registered; 5 is out of service and so no topology node; one edge 2 -> 3.
class DeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto topology = Topology::create({2, 3}, {{2, 3, "C0"}});
    ASSERT_TRUE(topology);
    auto made = Device::create("brevora311", {2, 3, 5}, std::move(*topology));
    ASSERT_TRUE(made) << made.error().display();
    device_.emplace(std::move(*made));
  }
  Device& device() { return *device_; }
  std::optional<Device> device_;
};

}  // namespace

TEST(DiagnosticNumber, Forms) {
  struct Case {
    double value;
    const char* text;
  };
  const Case cases[] = {
      {2.0, "2.0"},     {1.5, "1.5"},       {-0.25, "-0.25"},     {0.0, "0.0"},         {-0.0, "-0.0"},
      {1e-5, "1e-5"},   {0.0001, "0.0001"}, {-1.25e-7, "-1.25e-7"}, {2e16, "2e16"},     {1.5e16, "1.5e16"},
      {9999999999999998.0, "9999999999999998.0"}, {1e300, "1e300"}, {5e-324, "5e-324"},
      {kNaN, "NaN"},    {kInf, "inf"},      {-kInf, "-inf"},
  };
  for (const Case& c : cases) EXPECT_EQ(format_diagnostic(c.value), c.text) << c.text;
}

TEST(NativeCapability, ValidationTexts) {
  struct Case {
    NativeCapability capability;
    const char* text;
  };
  const Case cases[] = {
      {capability(StandardGate::X2P, 1.0), "ok"},
      {capability(StandardGate::X2P, 0.0), "ok"},
      {capability(StandardGate::X2P, -0.0), "ok"},
      {capability(StandardGate::X2P, 1.5),
       "instruction X2P has invalid native error rate 1.5: expected a finite value in [0, 1]"},
      {capability(StandardGate::X2P, kNaN),
       "instruction X2P has invalid native error rate NaN: expected a finite value in [0, 1]"},
      {capability(StandardGate::X2P, -kInf),
       "instruction X2P has invalid native error rate -inf: expected a finite value in [0, 1]"},
      {capability(StandardGate::X2P, 2), "instruction X2P has invalid native error rate 2.0: expected a finite value in [0, 1]"},
      {capability(StandardGate::X2P, -0.00001),
       "instruction X2P has invalid native error rate -1e-5: expected a finite value in [0, 1]"},
      {capability(StandardGate::CZ, 2e16), "instruction CZ has invalid native error rate 2e16: expected a finite value in [0, 1]"},
      {capability(StandardGate::CZ, 0.5, -1.0),
       "instruction CZ has invalid native duration -1.0: expected a finite non-negative value"},
      {capability(StandardGate::CZ, 0.5, kInf), "instruction CZ has invalid native duration inf: expected a finite non-negative value"},
      {capability(StandardGate::CZ, 0.5, kNaN), "instruction CZ has invalid native duration NaN: expected a finite non-negative value"},
      {capability(StandardGate::CZ, 0.5, 0.0), "ok"},
      {capability(StandardGate::CZ, 0.5, -0.0), "ok"},
      {capability(StandardGate::CZ, 0.5, 5e-324), "ok"},
      // The rate is checked before the duration.
      {capability(StandardGate::CZ, 3.0, -1.0), "instruction CZ has invalid native error rate 3.0: expected a finite value in [0, 1]"},
  };
  for (const Case& c : cases) EXPECT_EQ(error_text(validate_native_properties(c.capability)), c.text);
}

TEST(NativeCapability, PushChecksKindThenWidthThenValues) {
  struct Case {
    bool coupler;
    NativeCapability capability;
    const char* text;
  };
  const Case cases[] = {
      {false, capability(StandardGate::X2P, 0.01), "ok"},
      {false, capability(StandardGate::CZ, 0.01),
       "instruction CZ cannot be stored as a native capability: expected 1 qubits, got 2"},
      {false, capability(StandardGate::GPhase, 0.01),
       "instruction GPhase cannot be stored as a native capability: expected 1 qubits, got 0"},
      {false, capability(StandardGate::CZ, 7.0),
       "instruction CZ cannot be stored as a native capability: expected 1 qubits, got 2"},
      {false, capability(StandardGate::X2P, 1.5),
       "instruction X2P has invalid native error rate 1.5: expected a finite value in [0, 1]"},
      {false, {Instruction::mc_gate(2, StandardGate::X), 0.01},
       "instruction C2-X cannot be stored as a native capability: native instructions must be standard gates"},
      {true, capability(StandardGate::CZ, 0.01), "ok"},
      {true, capability(StandardGate::X2P, 0.01),
       "instruction X2P cannot be stored as a native capability: expected 2 qubits, got 1"},
      {true, capability(StandardGate::CCX, 0.01),
       "instruction CCX cannot be stored as a native capability: expected 2 qubits, got 3"},
      {true, capability(StandardGate::FSIM, 0.2, -2.5),
       "instruction FSIM has invalid native duration -2.5: expected a finite non-negative value"},
      {true, {Instruction::delay(), 0.01},
       "instruction delay cannot be stored as a native capability: native instructions must be standard gates"},
  };
  for (const Case& c : cases) {
    if (c.coupler) {
      auto pushed = push_coupler_capability({capability(StandardGate::CZ, 0.1)}, c.capability);
      EXPECT_EQ(error_text(pushed), c.text);
      if (pushed) {
        EXPECT_EQ(pushed->size(), 2u);
      }
    } else {
      QubitProperties properties;
      properties.capabilities.push_back(capability(StandardGate::X2M, 0.1));
      auto pushed = push_qubit_capability(std::move(properties), c.capability);
      EXPECT_EQ(error_text(pushed), c.text);
      if (pushed) {
        ASSERT_EQ(pushed->capabilities.size(), 2u);
        EXPECT_EQ(pushed->capabilities[1].instruction, c.capability.instruction);
      }
    }
  }
}

TEST(DeviceCreate, EveryNodeMustBeAQubit) {
  auto topology = Topology::create({4, 1}, {});
  ASSERT_TRUE(topology);
  auto made = Device::create("d", {1}, std::move(*topology));
  ASSERT_FALSE(made);
  EXPECT_EQ(made.error().display(), "Specified online qubit P4 does not exist in the device topology");

  auto empty = Device::create("d", {}, Topology{});
  ASSERT_TRUE(empty);
  EXPECT_EQ(empty->num_qubits(), 0u);
  EXPECT_TRUE(empty->native_gates().empty());
  EXPECT_FALSE(empty->t1());
  EXPECT_FALSE(empty->calibration_time());
}

TEST_F(DeviceTest, NativeGates) {
  ASSERT_TRUE(device().set_native_gates({StandardGate::RZ, StandardGate::CZ}));
  struct Case {
    std::vector<Instruction> gates;
    const char* text;
  };
  const Case refused[] = {
      {{StandardGate::RZ, StandardGate::CCX, Instruction::delay()},
       "instruction CCX cannot be stored as a native capability: expected 0..=2 qubits, got 3"},
      {{Instruction::directive(DirectiveKind::Measure), StandardGate::CCX},
       "instruction measure cannot be stored as a native capability: native instructions must be standard gates"},
  };
  for (const Case& c : refused) {
    EXPECT_EQ(error_text(device().set_native_gates(c.gates)), c.text);
    EXPECT_EQ(device().native_gates(), (std::vector<Instruction>{StandardGate::RZ, StandardGate::CZ}));
  }
  ASSERT_TRUE(device().set_native_gates({StandardGate::GPhase, StandardGate::FSIM}));
  EXPECT_EQ(device().native_gates(), (std::vector<Instruction>{StandardGate::GPhase, StandardGate::FSIM}));
}

TEST_F(DeviceTest, InvalidQubits) {
  ASSERT_TRUE(device().set_invalid_qubits({5}));
  EXPECT_EQ(error_text(device().set_invalid_qubits({2, 7, 9})), "Qubit P7 is not registered with the device");
  EXPECT_EQ(device().invalid_qubits(), (std::set<QubitIndex>{5}));
  ASSERT_TRUE(device().set_invalid_qubits({3, 2}));
  EXPECT_EQ(device().invalid_qubits(), (std::set<QubitIndex>{2, 3}));
  ASSERT_TRUE(device().set_invalid_qubits({}));
  EXPECT_TRUE(device().invalid_qubits().empty());
}

TEST_F(DeviceTest, QubitProperties) {
  QubitProperties first;
  first.t1 = 10.0;
  QubitProperties second;
  second.t1 = 20.0;
  EXPECT_EQ(error_text(device().set_qubit_properties(5, first)), "Qubit P5 is not in the device topology");
  // Registration is checked before topology membership.
  EXPECT_EQ(error_text(device().set_qubit_properties(8, first)), "Qubit P8 is not registered with the device");
  EXPECT_TRUE(device().qubit_properties().empty());
  ASSERT_TRUE(device().set_qubit_properties(2, first));
  ASSERT_TRUE(device().set_qubit_properties(2, second));
  ASSERT_EQ(device().qubit_properties().size(), 1u);
  EXPECT_EQ(device().qubit_properties().at(2).t1, 20.0);
}

TEST_F(DeviceTest, CouplerCapabilities) {
  EXPECT_EQ(error_text(device().set_edge_native_instructions(3, 2, {capability(StandardGate::CZ, 0.1)})),
            "Edge (P3, P2) is not in the device topology");
  EXPECT_EQ(error_text(device().set_edge_native_instructions(2, 5, {})), "Edge (P2, P5) is not in the device topology");
  EXPECT_TRUE(device().coupler_capabilities().empty());
  ASSERT_TRUE(device().set_edge_native_instructions(2, 3, {capability(StandardGate::CZ, 0.1)}));
  ASSERT_TRUE(device().set_edge_native_instructions(2, 3, {capability(StandardGate::CZ, 0.2)}));
  const auto& list = device().coupler_capabilities().at(QubitPair{2, 3});
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].error_rate, 0.2);
}

TEST(DeviceError, TextsWithoutAnOperation) {
  EXPECT_EQ(DeviceError(device_errors::InvalidTopology{topology_errors::QubitNotFound{{9}}}).display(),
            "Invalid device topology: Qubit PhysicalQubit(Qubit(9)) not found");
  EXPECT_EQ(device_error_display(device_errors::QubitNotInTopology{{0}}), "Qubit P0 is not in the device topology");
}

TEST(CalibrationTime, StrictForm) {
  using namespace std::chrono;
  struct Case {
    const char* text;
    std::optional<CalibrationTime> time;
  };
  const CalibrationTime may1 = local_days{2024y / May / 1} + 8h + 30min;
  const Case cases[] = {
      {"2024-05-01 08:30:00", may1},
      {"2024-02-29 23:59:59", local_days{2024y / February / 29} + 23h + 59min + 59s},
      {"0000-01-01 00:00:00", local_days{year{0} / January / 1}},
      {"2024-05-01T08:30:00", std::nullopt},
      {"2024-02-30 08:30:00", std::nullopt},
      {"2023-02-29 08:30:00", std::nullopt},
      {"2024-13-01 08:30:00", std::nullopt},
      {"2024-00-01 08:30:00", std::nullopt},
      {"2024-05-00 08:30:00", std::nullopt},
      {"2024-05-01 24:00:00", std::nullopt},
      {"2024-05-01 08:60:00", std::nullopt},
      {"2024-05-01 08:30:60", std::nullopt},
      {"2024-05-01 08:30:00.5", std::nullopt},
      {"2024-05-01 08:30:00 ", std::nullopt},
      {" 2024-05-01 08:30:00", std::nullopt},
      {"2024-5-01 08:30:000", std::nullopt},
      {"2024-05-01 8:30:00", std::nullopt},
      {"+024-05-01 08:30:00", std::nullopt},
      {"2024-05-01 08:3a:00", std::nullopt},
      {"", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(parse_calibration_time(c.text), c.time) << c.text;
}
