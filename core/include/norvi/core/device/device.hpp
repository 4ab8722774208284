#pragma once
// The device model: one quantum device as the platform calibrated it. Built by Device::create and
// completed by the setters, each of which checks its input whole and changes nothing when it fails.
// Kept invariants: topology nodes are registered qubits; qubit properties belong to topology nodes;
// coupler capabilities belong to topology edges (direction counts); qubit capabilities are one-qubit
// standard gates, coupler capabilities two-qubit standard gates, native gates standard gates on at
// most two qubits; invalid qubits are registered qubits.

#include <cstddef>
#include <cstdint>
#include <expected>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <variant>
#include <vector>

#include "norvi/core/circuit/operation.hpp"
#include "norvi/core/device/calibration_time.hpp"
#include "norvi/core/device/physical_qubit.hpp"
#include "norvi/core/device/topology.hpp"

namespace norvi::core {

namespace device_errors {
struct UnknownOnlineQubit { PhysicalQubit qubit; };
struct QubitNotRegistered { PhysicalQubit qubit; };
struct QubitNotInTopology { PhysicalQubit qubit; };
struct EdgeNotInTopology { PhysicalQubit source, target; };
struct InvalidTopology { TopologyError error; };
struct NonStandardNative { std::string instruction; };
struct WrongQubitCount {
  std::string instruction;
  unsigned expected_min = 0;
  unsigned expected_max = 0;
  unsigned actual = 0;
};
struct InvalidErrorRate { std::string instruction, value; };  // value: the rate's diagnostic text
struct InvalidDuration { std::string instruction, value; };
}  // namespace device_errors

class DeviceError {
 public:
  using Variant = std::variant<device_errors::UnknownOnlineQubit, device_errors::QubitNotRegistered,
                               device_errors::QubitNotInTopology, device_errors::EdgeNotInTopology,
                               device_errors::InvalidTopology, device_errors::NonStandardNative,
                               device_errors::WrongQubitCount, device_errors::InvalidErrorRate,
                               device_errors::InvalidDuration>;

  template <typename T>
    requires std::is_constructible_v<Variant, T&&>
  DeviceError(T&& v) : value_(std::forward<T>(v)) {}  // NOLINT(google-explicit-constructor)

  const Variant& value() const noexcept { return value_; }
  template <typename T> const T* get_if() const noexcept { return std::get_if<T>(&value_); }

  // "Qubit P7 is not registered with the device", ...: qubits in their display form.
  std::string display() const;

 private:
  Variant value_;
};

std::string device_error_display(const DeviceError& error);

template <typename T> using DeviceResult = std::expected<T, DeviceError>;

// One native instruction of a qubit or coupler.
struct NativeCapability {
  Instruction instruction;
  double error_rate = 0.0;          // within [0, 1]
  std::optional<double> duration;   // absent, or finite and not negative
};

// A finite error rate in [0, 1] (-0.0 passes), then a duration, when present, finite and not negative.
DeviceResult<void> validate_native_properties(const NativeCapability& capability);

// The calibration values of one qubit.
struct QubitProperties {
  std::optional<double> readout_error_1;  // P(read 0 | prepared 1)
  std::optional<double> readout_error_0;  // P(read 1 | prepared 0)
  std::optional<double> t1;
  std::optional<double> t2;
  std::optional<double> frequency;
  std::vector<NativeCapability> capabilities;  // one-qubit standard gates, in the order added
  double readout_error = 0.0;
};

// The properties with the capability appended: a standard gate on exactly one qubit with valid
// properties. Both inputs are consumed either way.
DeviceResult<QubitProperties> push_qubit_capability(QubitProperties properties, NativeCapability capability);
// The list with the capability appended: a standard gate on exactly two qubits with valid properties.
DeviceResult<std::vector<NativeCapability>> push_coupler_capability(std::vector<NativeCapability> list,
                                                                    NativeCapability capability);

// An ordered pair of qubits: (a, b) and (b, a) are different couplers.
struct QubitPair {
  QubitIndex source = 0;
  QubitIndex target = 0;
  bool operator==(const QubitPair&) const = default;
};

struct QubitPairHash {
  std::size_t operator()(const QubitPair& p) const noexcept {
    return std::hash<std::uint64_t>{}((std::uint64_t{p.source} << 32) | p.target);
  }
};

class Device {
 public:
  // Every topology node must hold one of `qubits` (walked in node order); the qubits become the
  // registered ones and every other field starts empty.
  static DeviceResult<Device> create(std::string name, std::set<QubitIndex> qubits, Topology topology);

  // Standard gates on at most two qubits; the list replaces the native gates whole.
  DeviceResult<void> set_native_gates(std::vector<Instruction> gates);
  // Registered qubits only; the set replaces the invalid qubits whole.
  DeviceResult<void> set_invalid_qubits(const std::set<QubitIndex>& qubits);
  // A registered qubit (checked first) that is a topology node; replaces earlier properties.
  DeviceResult<void> set_qubit_properties(QubitIndex qubit, QubitProperties properties);
  // An edge source -> target of the topology; replaces an earlier list of that ordered pair.
  DeviceResult<void> set_edge_native_instructions(QubitIndex source, QubitIndex target,
                                                  std::vector<NativeCapability> capabilities);

  void set_t1(std::optional<double> v) noexcept { t1_ = v; }
  void set_t2(std::optional<double> v) noexcept { t2_ = v; }
  void set_avg_readout_error(std::optional<double> v) noexcept { avg_readout_error_ = v; }
  void set_avg_single_qubit_gate_error(std::optional<double> v) noexcept { avg_single_qubit_gate_error_ = v; }
  void set_avg_two_qubit_gate_error(std::optional<double> v) noexcept { avg_two_qubit_gate_error_ = v; }
  void set_calibration_time(std::optional<CalibrationTime> v) noexcept { calibration_time_ = v; }

  const std::string& name() const noexcept { return name_; }
  const Topology& topology() const noexcept { return topology_; }
  const std::vector<Instruction>& native_gates() const noexcept { return native_gates_; }
  // Every qubit the device has, out-of-service ones included, ascending: its size is the qubit count.
  const std::set<QubitIndex>& registered_qubits() const noexcept { return registered_qubits_; }
  const std::set<QubitIndex>& invalid_qubits() const noexcept { return invalid_qubits_; }
  std::size_t num_qubits() const noexcept { return registered_qubits_.size(); }
  const std::unordered_map<QubitIndex, QubitProperties>& qubit_properties() const noexcept { return qubit_properties_; }
  const std::unordered_map<QubitPair, std::vector<NativeCapability>, QubitPairHash>& coupler_capabilities()
      const noexcept {
    return coupler_capabilities_;
  }
  std::optional<double> t1() const noexcept { return t1_; }
  std::optional<double> t2() const noexcept { return t2_; }
  std::optional<double> avg_readout_error() const noexcept { return avg_readout_error_; }
  std::optional<double> avg_single_qubit_gate_error() const noexcept { return avg_single_qubit_gate_error_; }
  std::optional<double> avg_two_qubit_gate_error() const noexcept { return avg_two_qubit_gate_error_; }
  std::optional<CalibrationTime> calibration_time() const noexcept { return calibration_time_; }

 private:
  Device() = default;

  std::optional<double> t1_;
  std::optional<double> t2_;
  std::optional<double> avg_readout_error_;
  std::optional<double> avg_single_qubit_gate_error_;
  std::optional<double> avg_two_qubit_gate_error_;
  std::string name_;
  Topology topology_;
  std::vector<Instruction> native_gates_;
  std::optional<CalibrationTime> calibration_time_;
  std::unordered_map<QubitIndex, QubitProperties> qubit_properties_;
  std::unordered_map<QubitPair, std::vector<NativeCapability>, QubitPairHash> coupler_capabilities_;
  std::set<QubitIndex> registered_qubits_;
  std::set<QubitIndex> invalid_qubits_;
};

}  // namespace norvi::core
