// The device configuration document's records, declared as data: keys exactly as the platform writes
// them, fields in declaration order (the array form and the error texts depend on it).

#include "norvi/client/device_config_document.hpp"

#include <algorithm>

#include "norvi/client/json/decode.hpp"
#include "norvi/client/json/record.hpp"

namespace norvi::client {

using json::field;
using json::Record;
using json::TypeTag;

const Record& json_record(TypeTag<ParamArray>) {
  static const Record r = json::record<ParamArray>("ParamArray", field<&ParamArray::param_list>("param_list"),
                                                   field<&ParamArray::qubit_used>("qubit_used"));
  return r;
}

const Record& json_record(TypeTag<FrequencyBlock>) {
  static const Record r = json::record<FrequencyBlock>("FrequencyBlock", field<&FrequencyBlock::f01>("f01"));
  return r;
}

const Record& json_record(TypeTag<RelatimeBlock>) {
  static const Record r = json::record<RelatimeBlock>("RelatimeBlock", field<&RelatimeBlock::t1>("T1"),
                                                      field<&RelatimeBlock::t2>("T2"));
  return r;
}

const Record& json_record(TypeTag<SingleQubitBlock>) {
  static const Record r =
      json::record<SingleQubitBlock>("SingleQubitBlock", field<&SingleQubitBlock::gate_error>("gate error"));
  return r;
}

const Record& json_record(TypeTag<QubitSection>) {
  static const Record r = json::record<QubitSection>(
      "QubitSection", field<&QubitSection::frequency>("frequency"), field<&QubitSection::relatime>("relatime"),
      field<&QubitSection::single_qubit>("singleQubit"));
  return r;
}

const Record& json_record(TypeTag<ReadoutArray>) {
  static const Record r = json::record<ReadoutArray>(
      "ReadoutArray", field<&ReadoutArray::readout_error>("Readout Error"),
      field<&ReadoutArray::fidelity0>("|0> readout fidelity"), field<&ReadoutArray::fidelity1>("|1> readout fidelity"));
  return r;
}

const Record& json_record(TypeTag<ReadoutSection>) {
  static const Record r =
      json::record<ReadoutSection>("ReadoutSection", field<&ReadoutSection::readout_array>("readoutArray"));
  return r;
}

const Record& json_record(TypeTag<CzGateBlock>) {
  static const Record r = json::record<CzGateBlock>("CzGateBlock", field<&CzGateBlock::gate_error>("gate error"));
  return r;
}

const Record& json_record(TypeTag<TwoQubitGateSection>) {
  static const Record r =
      json::record<TwoQubitGateSection>("TwoQubitGateSection", field<&TwoQubitGateSection::cz_gate>("czGate"));
  return r;
}

const Record& json_record(TypeTag<Overview>) {
  static const Record r = json::record<Overview>(
      "Overview", field<&Overview::qubits>("qubits"), field<&Overview::coupler_map>("coupler_map"),
      field<&Overview::t1>("T1"), field<&Overview::t2>("T2"), field<&Overview::cz_error>("cz_error"),
      field<&Overview::one_qubit_gate_error>("1q_gate_error"), field<&Overview::readout_error>("readout_error"));
  return r;
}

const Record& json_record(TypeTag<RawConfig>) {
  static const Record r = json::record<RawConfig>(
      "RawConfig", field<&RawConfig::calibration_time>("calibrationTime"), field<&RawConfig::computer_id>("computerId"),
      field<&RawConfig::disabled_qubits>("disabledQubits"), field<&RawConfig::disabled_couplers>("disabledCouplers"),
      field<&RawConfig::overview>("overview"), field<&RawConfig::qubit>("qubit"), field<&RawConfig::readout>("readout"),
      field<&RawConfig::two_qubit_gate>("twoQubitGate"));
  return r;
}

json::DecodeResult<RawConfig> deserialize_raw_config(json::Value value) { return json::decode<RawConfig>(value); }

std::unordered_map<std::string, double> param_array_to_map(const ParamArray& array) {
  std::unordered_map<std::string, double> map;
  const std::size_t n = std::min(array.param_list.size(), array.qubit_used.size());
  for (std::size_t i = 0; i < n; ++i) map[array.qubit_used[i]] = array.param_list[i];
  return map;
}

}  // namespace norvi::client
