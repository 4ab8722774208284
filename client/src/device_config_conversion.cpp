// The configuration document turned into the device model: which qubits exist and which are out of
// service, the coupling graph of the usable ones, the native gates chosen by the device name, and the
// calibration values. Percentages become probabilities (/ 100), fidelities error probabilities (1 - v).

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include <fmt/format.h>

#include "norvi/client/device_config.hpp"
#include "norvi/client/device_config_document.hpp"

namespace norvi::client {

namespace {

using core::QubitIndex;
using core::StandardGate;
using ValueMap = std::unordered_map<std::string, double>;

// The length of a white-space character (Unicode White_Space, UTF-8) at the start of `s`, else 0.
std::size_t leading_space(std::string_view s) {
  if (s.empty()) return 0;
  const auto b = static_cast<unsigned char>(s[0]);
  if (b == ' ' || (b >= '\t' && b <= '\r')) return 1;
  auto byte = [&](std::size_t i) { return i < s.size() ? static_cast<unsigned char>(s[i]) : 0u; };
  if (b == 0xC2 && (byte(1) == 0x85 || byte(1) == 0xA0)) return 2;  // U+0085, U+00A0
  if (b == 0xE1 && byte(1) == 0x9A && byte(2) == 0x80) return 3;    // U+1680
  if (b == 0xE2 && byte(1) == 0x80 && ((byte(2) >= 0x80 && byte(2) <= 0x8A) || byte(2) == 0xA8 || byte(2) == 0xA9 ||
                                      byte(2) == 0xAF))
    return 3;                                                        // U+2000-200A, U+2028, U+2029, U+202F
  if (b == 0xE2 && byte(1) == 0x81 && byte(2) == 0x9F) return 3;    // U+205F
  if (b == 0xE3 && byte(1) == 0x80 && byte(2) == 0x80) return 3;    // U+3000
  return 0;
}

std::size_t trailing_space(std::string_view s) {
  for (std::size_t len : {std::size_t{1}, std::size_t{2}, std::size_t{3}}) {
    if (s.size() >= len && leading_space(s.substr(s.size() - len)) == len) return len;
  }
  return 0;
}

std::string_view trim(std::string_view s) {
  while (std::size_t n = leading_space(s)) s.remove_prefix(n);
  while (std::size_t n = trailing_space(s)) s.remove_suffix(n);
  return s;
}

// The pieces of a comma-separated list, each trimmed.
std::vector<std::string_view> split_list(std::string_view text) {
  std::vector<std::string_view> pieces;
  for (std::size_t start = 0;;) {
    const std::size_t comma = text.find(',', start);
    pieces.push_back(trim(text.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start)));
    if (comma == std::string_view::npos) return pieces;
    start = comma + 1;
  }
}

// The two qubits of a coupler entry: exactly two names, both valid.
std::optional<std::pair<QubitIndex, QubitIndex>> coupler_ends(const std::vector<std::string>& names) {
  if (names.size() != 2) return std::nullopt;
  const auto a = core::qubit_index_from_name(names[0]);
  const auto b = core::qubit_index_from_name(names[1]);
  if (!a || !b) return std::nullopt;
  return std::pair{*a, *b};
}

std::vector<core::Instruction> native_gates_for(std::string_view name) {
  using G = StandardGate;
  if (name == "brevora642") return {G::RZ, G::X2P, G::X2M, G::Y2P, G::Y2M, G::XY2P, G::XY2M, G::CZ, G::FSIM};
  if (name == "brevora311" || name == "brevora311-2" || name == "brevora-519")
    return {G::RZ, G::X2P, G::X2M, G::Y2P, G::Y2M, G::XY2P, G::XY2M, G::CZ};
  return {G::RZ, G::X2P, G::X2M, G::Y2P, G::Y2M, G::CZ};
}

ValueMap table(const std::optional<ParamArray>& array) { return array ? param_array_to_map(*array) : ValueMap{}; }

std::optional<double> lookup(const ValueMap& map, const std::string& name) {
  const auto found = map.find(name);
  if (found == map.end()) return std::nullopt;
  return found->second;
}

std::optional<double> percent(std::optional<double> v) {
  if (!v) return std::nullopt;
  return *v / 100.0;
}

std::optional<double> one_minus(std::optional<double> v) {
  if (!v) return std::nullopt;
  return 1.0 - *v;
}

// Keys in byte order: the order the document itself lists them in, so edge numbering and the
// reported failure do not depend on hashing.
template <typename Map>
std::vector<const typename Map::value_type*> sorted_entries(const Map& map) {
  std::vector<const typename Map::value_type*> entries;
  entries.reserve(map.size());
  for (const auto& entry : map) entries.push_back(&entry);
  std::sort(entries.begin(), entries.end(), [](const auto* a, const auto* b) { return a->first < b->first; });
  return entries;
}

ClientError invalid(std::string_view prefix, const core::DeviceError& error) {
  return errors::InvalidInput{fmt::format("{}: {}", prefix, error.display())};
}

}  // namespace

Result<core::Device> device_from_config(std::string_view name, const json::Value& value) {
  auto decoded = deserialize_raw_config(value);
  if (!decoded) return fail(decoded.error());
  return device_from_document(name, *decoded);
}

std::optional<ReadoutCalibration> readout_calibration_from_config(const json::Value& config) {
  auto decoded = deserialize_raw_config(config);
  if (!decoded) return std::nullopt;
  return readout_calibration_from_document(*decoded);
}

std::optional<ReadoutCalibration> readout_calibration_from_document(const RawConfig& config) {
  if (!config.readout || !config.readout->readout_array) return std::nullopt;
  const ReadoutArray& tables = *config.readout->readout_array;
  if (!tables.fidelity0 || !tables.fidelity1) return std::nullopt;
  const ParamArray& zero = *tables.fidelity0;
  const ParamArray& one = *tables.fidelity1;
  if (zero.param_list.size() != zero.qubit_used.size() || one.param_list.size() != one.qubit_used.size())
    return std::nullopt;
  const auto ones = param_array_to_map(one);
  ReadoutCalibration calibration;
  for (std::size_t i = 0; i < zero.qubit_used.size(); ++i) {
    const auto found = ones.find(zero.qubit_used[i]);
    if (found == ones.end()) continue;
    calibration.qubits.push_back(zero.qubit_used[i]);
    calibration.fidelity0.push_back(zero.param_list[i]);
    calibration.fidelity1.push_back(found->second);
  }
  return calibration;
}

Result<core::Device> device_from_document(std::string_view name, const RawConfig& config) {
  if (!config.overview) return fail(errors::InvalidInput{"config JSON missing 'overview' section"});
  const Overview& overview = *config.overview;

  std::unordered_set<QubitIndex> disabled_qubits;
  if (config.disabled_qubits) {
    for (std::string_view piece : split_list(*config.disabled_qubits)) {
      if (auto index = core::qubit_index_from_name(piece)) disabled_qubits.insert(*index);
    }
  }
  std::unordered_set<std::string_view> disabled_couplers;
  if (config.disabled_couplers) {
    for (std::string_view piece : split_list(*config.disabled_couplers)) disabled_couplers.insert(piece);
  }

  std::set<QubitIndex> all_qubits;
  std::set<QubitIndex> invalid_qubits;
  std::vector<QubitIndex> online;
  for (const std::string& qubit : overview.qubits) {
    const auto index = core::qubit_index_from_name(qubit);
    if (!index) continue;
    all_qubits.insert(*index);
    if (disabled_qubits.contains(*index)) {
      invalid_qubits.insert(*index);
    } else {
      online.push_back(*index);
    }
  }

  std::vector<core::Coupling> couplings;
  for (const auto* entry : sorted_entries(overview.coupler_map)) {
    if (disabled_couplers.contains(entry->first)) continue;
    const auto ends = coupler_ends(entry->second);
    if (!ends || disabled_qubits.contains(ends->first) || disabled_qubits.contains(ends->second)) continue;
    couplings.push_back({ends->first, ends->second, entry->first});
  }

  auto topology = core::Topology::create(std::move(online), std::move(couplings));
  if (!topology) return fail(errors::InvalidInput{fmt::format("failed to build topology: {}", topology.error().display())});
  auto made = core::Device::create(std::string(name), std::move(all_qubits), std::move(*topology));
  if (!made) return fail(invalid("failed to build device", made.error()));
  core::Device device = std::move(*made);

  if (auto set = device.set_native_gates(native_gates_for(name)); !set)
    return fail(invalid("failed to set native gates", set.error()));
  if (!invalid_qubits.empty()) {
    if (auto set = device.set_invalid_qubits(invalid_qubits); !set)
      return fail(invalid("failed to set invalid qubits", set.error()));
  }
  if (config.calibration_time) device.set_calibration_time(core::parse_calibration_time(*config.calibration_time));
  device.set_t1(overview.t1);
  device.set_t2(overview.t2);
  device.set_avg_readout_error(percent(overview.readout_error));
  device.set_avg_single_qubit_gate_error(percent(overview.one_qubit_gate_error));
  device.set_avg_two_qubit_gate_error(percent(overview.cz_error));

  const QubitSection qubit_section = config.qubit.value_or(QubitSection{});
  const FrequencyBlock frequency = qubit_section.frequency.value_or(FrequencyBlock{});
  const RelatimeBlock relatime = qubit_section.relatime.value_or(RelatimeBlock{});
  const SingleQubitBlock single = qubit_section.single_qubit.value_or(SingleQubitBlock{});
  const ReadoutArray readout =
      config.readout ? config.readout->readout_array.value_or(ReadoutArray{}) : ReadoutArray{};
  const ValueMap f01 = table(frequency.f01);
  const ValueMap t1 = table(relatime.t1);
  const ValueMap t2 = table(relatime.t2);
  const ValueMap gate_error = table(single.gate_error);
  const ValueMap readout_error = table(readout.readout_error);
  const ValueMap fidelity0 = table(readout.fidelity0);
  const ValueMap fidelity1 = table(readout.fidelity1);

  // Out-of-service qubits are visited too: their gate error is checked, and then their properties
  // are refused because they are no topology nodes.
  for (const std::string& qubit : overview.qubits) {
    const auto index = core::qubit_index_from_name(qubit);
    if (!index) continue;
    core::QubitProperties properties;
    properties.readout_error_1 = one_minus(lookup(fidelity1, qubit));
    properties.readout_error_0 = one_minus(lookup(fidelity0, qubit));
    properties.t1 = lookup(t1, qubit);
    properties.t2 = lookup(t2, qubit);
    properties.frequency = lookup(f01, qubit);
    properties.readout_error = percent(lookup(readout_error, qubit)).value_or(0.0);
    if (const auto error = lookup(gate_error, qubit)) {
      auto pushed = core::push_qubit_capability(std::move(properties),
                                                core::NativeCapability{StandardGate::X2P, *error / 100.0, std::nullopt});
      if (!pushed) return fail(invalid("failed to set qubit gate properties", pushed.error()));
      properties = std::move(*pushed);
    }
    (void)device.set_qubit_properties(*index, std::move(properties));
  }

  const auto& two_qubit = config.two_qubit_gate;
  if (two_qubit && two_qubit->cz_gate && two_qubit->cz_gate->gate_error) {
    const ValueMap cz = param_array_to_map(*two_qubit->cz_gate->gate_error);
    for (const auto* row : sorted_entries(cz)) {
      const auto entry = overview.coupler_map.find(row->first);
      if (entry == overview.coupler_map.end()) continue;
      const auto ends = coupler_ends(entry->second);
      if (!ends) continue;
      // Checked before the edge, so a disabled coupler's bad value is still reported.
      auto list = core::push_coupler_capability({}, core::NativeCapability{StandardGate::CZ, row->second / 100.0, std::nullopt});
      if (!list) return fail(invalid("failed to set coupler gate properties", list.error()));
      (void)device.set_edge_native_instructions(ends->first, ends->second, std::move(*list));
    }
  }
  return device;
}

}  // namespace norvi::client
