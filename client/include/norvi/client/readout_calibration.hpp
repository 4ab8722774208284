#pragma once
// The readout fidelities a device configuration carries, and the per-qubit map the wait builds from
// them: what the configuration side hands to the results side, which needs nothing else of it.

#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace norvi::client {

// Three parallel lists, in the order of the "|0> readout fidelity" table; values as the document gives
// them. Empty lists are still a calibration.
struct ReadoutCalibration {
  std::vector<std::string> qubits;
  std::vector<double> fidelity0;  // P(read 0 | prepared 0)
  std::vector<double> fidelity1;  // P(read 1 | prepared 1)
  bool operator==(const ReadoutCalibration&) const = default;
};

// Qubit index to (P(read 0 | 0), P(read 1 | 1)).
using ReadoutFidelityMap = std::unordered_map<std::uint32_t, std::pair<double, double>>;

// The map from the calibration: a name "Q<n>" (n an unsigned 32-bit decimal, an optional single '+'
// before it) gives index n; other names are skipped; a later position with the same index wins.
ReadoutFidelityMap readout_fidelity_map(const ReadoutCalibration& calibration);

}  // namespace norvi::client
