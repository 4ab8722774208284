#include "norvi/core/device/device.hpp"

#include <cmath>

#include "norvi/symbolic/number_format.hpp"

namespace norvi::core {

namespace {

// The capability's gate when it is a standard gate acting on exactly `qubits` qubits.
DeviceResult<void> check_capability_gate(const Instruction& instruction, unsigned qubits) {
  const StandardGate* gate = instruction.standard_gate();
  if (gate == nullptr) return std::unexpected(device_errors::NonStandardNative{instruction_name_string(instruction)});
  const unsigned actual = gate_shape(*gate).qubits();
  if (actual != qubits)
    return std::unexpected(device_errors::WrongQubitCount{instruction_name_string(instruction), qubits, qubits, actual});
  return {};
}

}  // namespace

DeviceResult<void> validate_native_properties(const NativeCapability& capability) {
  const double rate = capability.error_rate;
  if (!std::isfinite(rate) || rate < 0.0 || rate > 1.0)
    return std::unexpected(
        device_errors::InvalidErrorRate{instruction_name_string(capability.instruction), symbolic::format_diagnostic(rate)});
  if (capability.duration) {
    const double duration = *capability.duration;
    if (!std::isfinite(duration) || duration < 0.0)
      return std::unexpected(
          device_errors::InvalidDuration{instruction_name_string(capability.instruction), symbolic::format_diagnostic(duration)});
  }
  return {};
}

DeviceResult<QubitProperties> push_qubit_capability(QubitProperties properties, NativeCapability capability) {
  if (auto gate = check_capability_gate(capability.instruction, 1); !gate) return std::unexpected(gate.error());
  if (auto valid = validate_native_properties(capability); !valid) return std::unexpected(valid.error());
  properties.capabilities.push_back(std::move(capability));
  return properties;
}

DeviceResult<std::vector<NativeCapability>> push_coupler_capability(std::vector<NativeCapability> list,
                                                                    NativeCapability capability) {
  if (auto gate = check_capability_gate(capability.instruction, 2); !gate) return std::unexpected(gate.error());
  if (auto valid = validate_native_properties(capability); !valid) return std::unexpected(valid.error());
  list.push_back(std::move(capability));
  return list;
}

DeviceResult<Device> Device::create(std::string name, std::set<QubitIndex> qubits, Topology topology) {
  for (const auto& node : topology.nodes()) {
    if (!qubits.contains(node.qubit)) return std::unexpected(device_errors::UnknownOnlineQubit{{node.qubit}});
  }
  Device device;
  device.name_ = std::move(name);
  device.topology_ = std::move(topology);
  device.registered_qubits_ = std::move(qubits);
  return device;
}

DeviceResult<void> Device::set_native_gates(std::vector<Instruction> gates) {
  for (const Instruction& instruction : gates) {
    const StandardGate* gate = instruction.standard_gate();
    if (gate == nullptr) return std::unexpected(device_errors::NonStandardNative{instruction_name_string(instruction)});
    const unsigned count = gate_shape(*gate).qubits();
    if (count > 2)
      return std::unexpected(device_errors::WrongQubitCount{instruction_name_string(instruction), 0, 2, count});
  }
  native_gates_ = std::move(gates);
  return {};
}

DeviceResult<void> Device::set_invalid_qubits(const std::set<QubitIndex>& qubits) {
  for (QubitIndex qubit : qubits) {
    if (!registered_qubits_.contains(qubit)) return std::unexpected(device_errors::QubitNotRegistered{{qubit}});
  }
  invalid_qubits_ = qubits;
  return {};
}

DeviceResult<void> Device::set_qubit_properties(QubitIndex qubit, QubitProperties properties) {
  if (!registered_qubits_.contains(qubit)) return std::unexpected(device_errors::QubitNotRegistered{{qubit}});
  if (!topology_.contains(qubit)) return std::unexpected(device_errors::QubitNotInTopology{{qubit}});
  qubit_properties_.insert_or_assign(qubit, std::move(properties));
  return {};
}

DeviceResult<void> Device::set_edge_native_instructions(QubitIndex source, QubitIndex target,
                                                        std::vector<NativeCapability> capabilities) {
  if (!topology_.has_edge(source, target)) return std::unexpected(device_errors::EdgeNotInTopology{{source}, {target}});
  coupler_capabilities_.insert_or_assign(QubitPair{source, target}, std::move(capabilities));
  return {};
}

}  // namespace norvi::core
