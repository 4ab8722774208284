#include "norvi/client/readout_calibration.hpp"

#include <algorithm>

#include "norvi/core/device/physical_qubit.hpp"

namespace norvi::client {

ReadoutFidelityMap readout_fidelity_map(const ReadoutCalibration& calibration) {
  ReadoutFidelityMap map;
  const std::size_t n = std::min({calibration.qubits.size(), calibration.fidelity0.size(), calibration.fidelity1.size()});
  for (std::size_t i = 0; i < n; ++i) {
    if (auto index = core::qubit_index_from_name(calibration.qubits[i]))
      map[*index] = {calibration.fidelity0[i], calibration.fidelity1[i]};
  }
  return map;
}

}  // namespace norvi::client
