#include <fmt/format.h>

#include "norvi/symbolic/overloaded.hpp"

#include "norvi/core/device/device.hpp"

namespace norvi::core {

namespace {

// One number when both bounds agree, else "min..=max".
std::string expected_count(unsigned min, unsigned max) {
  return min == max ? fmt::format("{}", min) : fmt::format("{}..={}", min, max);
}

}  // namespace

std::string DeviceError::display() const {
  using namespace device_errors;
  return std::visit(
      symbolic::Overloaded{
          [](const UnknownOnlineQubit& e) {
            return fmt::format("Specified online qubit {} does not exist in the device topology", e.qubit);
          },
          [](const QubitNotRegistered& e) { return fmt::format("Qubit {} is not registered with the device", e.qubit); },
          [](const QubitNotInTopology& e) { return fmt::format("Qubit {} is not in the device topology", e.qubit); },
          [](const EdgeNotInTopology& e) {
            return fmt::format("Edge ({}, {}) is not in the device topology", e.source, e.target);
          },
          [](const InvalidTopology& e) { return fmt::format("Invalid device topology: {}", e.error.display()); },
          [](const NonStandardNative& e) {
            return fmt::format(
                "instruction {} cannot be stored as a native capability: native instructions must be standard gates",
                e.instruction);
          },
          [](const WrongQubitCount& e) {
            return fmt::format("instruction {} cannot be stored as a native capability: expected {} qubits, got {}",
                               e.instruction, expected_count(e.expected_min, e.expected_max), e.actual);
          },
          [](const InvalidErrorRate& e) {
            return fmt::format("instruction {} has invalid native error rate {}: expected a finite value in [0, 1]",
                               e.instruction, e.value);
          },
          [](const InvalidDuration& e) {
            return fmt::format("instruction {} has invalid native duration {}: expected a finite non-negative value",
                               e.instruction, e.value);
          },
      },
      value_);
}

std::string device_error_display(const DeviceError& error) { return error.display(); }

}  // namespace norvi::core
