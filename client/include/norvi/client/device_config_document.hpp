#pragma once
// The device configuration document: the typed records that the configuration payload (a generic JSON
// value) is read into, and the name-to-value lookup of its parallel-list tables. Only the document's
// shape and types are checked here; what the values mean is up to the readers of the records.

#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "norvi/client/json/error.hpp"
#include "norvi/client/json/value.hpp"

namespace norvi::client {

// Two parallel lists: value i belongs to the qubit or coupler named i. Their lengths may differ.
struct ParamArray {
  std::vector<double> param_list;
  std::vector<std::string> qubit_used;
  bool operator==(const ParamArray&) const = default;
};

struct FrequencyBlock {
  std::optional<ParamArray> f01;
  bool operator==(const FrequencyBlock&) const = default;
};

struct RelatimeBlock {
  std::optional<ParamArray> t1;  // "T1"
  std::optional<ParamArray> t2;  // "T2"
  bool operator==(const RelatimeBlock&) const = default;
};

struct SingleQubitBlock {
  std::optional<ParamArray> gate_error;  // "gate error"
  bool operator==(const SingleQubitBlock&) const = default;
};

struct QubitSection {
  std::optional<FrequencyBlock> frequency;
  std::optional<RelatimeBlock> relatime;
  std::optional<SingleQubitBlock> single_qubit;  // "singleQubit"
  bool operator==(const QubitSection&) const = default;
};

struct ReadoutArray {
  std::optional<ParamArray> readout_error;  // "Readout Error"
  std::optional<ParamArray> fidelity0;      // "|0> readout fidelity": P(read 0 | prepared 0)
  std::optional<ParamArray> fidelity1;      // "|1> readout fidelity": P(read 1 | prepared 1)
  bool operator==(const ReadoutArray&) const = default;
};

struct ReadoutSection {
  std::optional<ReadoutArray> readout_array;  // "readoutArray"
  bool operator==(const ReadoutSection&) const = default;
};

struct CzGateBlock {
  std::optional<ParamArray> gate_error;  // "gate error": one value per coupler name
  bool operator==(const CzGateBlock&) const = default;
};

struct TwoQubitGateSection {
  std::optional<CzGateBlock> cz_gate;  // "czGate"
  bool operator==(const TwoQubitGateSection&) const = default;
};

struct Overview {
  std::vector<std::string> qubits;
  std::unordered_map<std::string, std::vector<std::string>> coupler_map;  // coupler to the qubits it joins
  std::optional<double> t1;                                              // "T1"
  std::optional<double> t2;                                              // "T2"
  std::optional<double> cz_error;
  std::optional<double> one_qubit_gate_error;  // "1q_gate_error"
  std::optional<double> readout_error;
  bool operator==(const Overview&) const = default;
};

struct RawConfig {
  std::optional<std::string> calibration_time;   // "calibrationTime"
  std::optional<std::string> computer_id;        // "computerId"
  std::optional<std::string> disabled_qubits;    // "disabledQubits", comma-separated
  std::optional<std::string> disabled_couplers;  // "disabledCouplers", comma-separated
  std::optional<Overview> overview;
  std::optional<QubitSection> qubit;
  std::optional<ReadoutSection> readout;
  std::optional<TwoQubitGateSection> two_qubit_gate;  // "twoQubitGate"
  bool operator==(const RawConfig&) const = default;
};

// The document read from a generic value (errors carry no position). Pure; the value is not changed.
json::DecodeResult<RawConfig> deserialize_raw_config(json::Value value);

// Name to value for the first min(len) positions; a name listed twice keeps its later value.
std::unordered_map<std::string, double> param_array_to_map(const ParamArray& array);

}  // namespace norvi::client
