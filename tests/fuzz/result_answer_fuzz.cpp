// The result query's answer as the platform hands it to the client: the envelope and its items, then
// every item's conversions as one query pass makes them (per-shot counts raw and corrected, the limit
// of the correction, probability data). Per-shot records are counted while the text is read; counted
// again from the same item parsed into a generic value, they must give the same tally.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "norvi/client/json/decode.hpp"
#include "norvi/client/results/readout_mitigation.hpp"
#include "norvi/client/results/result_conversion.hpp"
#include "norvi/client/results/result_records.hpp"
#include "property.hpp"

namespace client = norvi::client;
namespace json = norvi::client::json;

namespace {

constexpr std::uint64_t kShots = 1000;
// The correction is dense in 2^n: corrected here up to the bound mode auto keeps.
constexpr std::size_t kCorrectedHere = 14;

// The `resultStatus` of one item held as a generic value: a member of an object, the third element of
// an array.
std::optional<json::ValueRef> result_status_of(json::ValueRef item) {
  if (item.is_object()) return item.find("resultStatus");
  if (item.is_array() && item.size() > 2) return item[2];
  return std::nullopt;
}

bool same_tally(const std::optional<client::ShotTally>& a, const std::optional<client::ShotTally>& b) {
  if (a.has_value() != b.has_value()) return false;
  return !a || (a->measured_qubits == b->measured_qubits && a->counts == b->counts);
}

void convert_shots(const std::string& name, const client::ShotTally& tally) {
  auto raw = client::build_mitigated_execution_result(name, kShots, tally.measured_qubits, tally.counts, nullptr);
  norvi::fuzz::require(raw && *raw, "a tally with counts gives a record");
  const std::size_t n = tally.measured_qubits.size();
  client::ReadoutFidelityMap fidelities;
  for (std::size_t k = 0; k < n && k < 3; ++k) fidelities[tally.measured_qubits[k]] = {0.9 - 0.1 * static_cast<double>(k), 0.8};
  if (n <= kCorrectedHere) {
    auto corrected = client::build_mitigated_execution_result(name, kShots, tally.measured_qubits, tally.counts, &fidelities);
    norvi::fuzz::require(corrected && *corrected, "a correction within the bound gives a record");
  } else if (n > client::kMaxCorrectedQubits) {
    auto corrected = client::corrected_counts(tally.counts, tally.measured_qubits, fidelities, kShots);
    norvi::fuzz::require(!corrected, "a correction beyond the bound fails");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string body(reinterpret_cast<const char*>(data), size);
  auto envelope = client::decode_results_answer(std::string(body));  // the client's road: the text released before the counts settle
  if (!envelope) return 0;
  auto items = client::check_results_envelope(std::move(*envelope));
  if (!items) return 0;

  // The answer decoded, so it is JSON with the list where the decoder found it.
  auto tree = json::parse(body);
  norvi::fuzz::require(tree.has_value(), "an answer that decodes parses");
  const auto list = tree->find("data").value().find("experimentResultModelList");
  norvi::fuzz::require(list && list->size() == items->size(), "the items are the list's elements");

  for (std::size_t i = 0; i < items->size(); ++i) {
    client::RawResult& item = (*items)[i];
    std::optional<client::ShotTally> from_values;
    if (auto status = result_status_of((*list)[i])) from_values = client::count_shot_outcomes(tree->share(*status));
    const std::optional<client::ShotTally> from_text = item.result_status ? item.result_status->tally : std::nullopt;
    norvi::fuzz::require(same_tally(from_text, from_values), "the tally read from text equals the tally read as values");

    const std::string name = client::json_value_to_text(item.task_id);
    if (from_text) convert_shots(name, *from_text);
    if (item.probability) {
      if (auto map = client::parse_probability_value(*item.probability)) (void)client::build_execution_result(name, kShots, *map);
    }
  }
  return 0;
}
