// The configuration download's answer as the platform hands it to the client: the envelope with its
// generic payload (a document, or the text of one), converted into a device model for each family of
// native gates, and its readout tables into a calibration and the per-qubit fidelity map. A
// calibration's three lists must stay parallel.

#include <cstddef>
#include <cstdint>
#include <string>

#include "norvi/client/json/api_response.hpp"
#include "norvi/client/json/decode.hpp"
#include "norvi/client/device_config.hpp"
#include "norvi/client/results/readout_mitigation.hpp"
#include "property.hpp"

namespace client = norvi::client;
namespace json = norvi::client::json;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string body(reinterpret_cast<const char*>(data), size);
  auto envelope = json::decode<client::ApiResponse<json::Value>>(body);
  if (!envelope || !envelope->data) return 0;
  json::Value document = std::move(*envelope->data);
  if (const auto text = document.as_string()) {
    auto parsed = json::parse(std::string(*text));
    if (!parsed) return 0;
    document = std::move(*parsed);
  }

  // One name of each family: the name alone picks the native gates.
  for (const char* name : {"brevora642", "brevora311", "brevora"}) (void)client::device_from_config(name, document);

  if (auto calibration = client::readout_calibration_from_config(document)) {
    norvi::fuzz::require(calibration->qubits.size() == calibration->fidelity0.size() &&
                             calibration->qubits.size() == calibration->fidelity1.size(),
                         "a calibration's lists are parallel");
    norvi::fuzz::require(client::readout_fidelity_map(*calibration).size() <= calibration->qubits.size(),
                         "the fidelity map holds at most one entry per listed qubit");
  }
  return 0;
}
