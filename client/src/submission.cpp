#include "norvi/client/submission.hpp"

#include <algorithm>
#include <utility>

#include <fmt/format.h>

#include "norvi/client/api_call.hpp"
#include "norvi/client/devices.hpp"
#include "norvi/client/json/record.hpp"
#include "norvi/client/json/encode.hpp"
#include "norvi/core/circuit/vesk.hpp"
#include "norvi/symbolic/utf8.hpp"

namespace norvi::client {

const json::Record& json_record(json::TypeTag<SubmitResponseData>) {
  static const json::Record record =
      json::record<SubmitResponseData>("SubmitResponseData", json::field<&SubmitResponseData::query_ids>("query_ids"));
  return record;
}

namespace {

// The body of one batch, compact, keys in this order.
struct SubmitRequest {
  std::vector<std::string> circuit;
  std::string computer_code;
  bool is_verify = true;
  std::string language;
  std::string name;
  std::uint64_t shots = 0;
};

const json::Record& json_record(json::TypeTag<SubmitRequest>) {
  static const json::Record record = json::record<SubmitRequest>(
      "SubmitRequest", json::field<&SubmitRequest::circuit>("circuit"),
      json::field<&SubmitRequest::computer_code>("computerCode"), json::field<&SubmitRequest::is_verify>("is_verify"),
      json::field<&SubmitRequest::language>("language"), json::field<&SubmitRequest::name>("name"),
      json::field<&SubmitRequest::shots>("shots"));
  return record;
}

constexpr std::string_view kSubmitPath = "/zelm-quantum/sdk/experiment/submit";

std::unexpected<SubmissionFailure> refuse(ClientError error) {
  return std::unexpected<SubmissionFailure>(SubmissionFailure{std::move(error), {}});
}

// The checks that end a submission before anything is sent, in their order.
Result<void> check_submission(std::size_t circuit_count, std::uint64_t shots, const std::string& device_name,
                              CalibrationMode mode) {
  if (circuit_count == 0) return fail(errors::InvalidInput{"circuit list must not be empty"});
  if (shots == 0) return fail(errors::InvalidInput{"shots must be greater than zero"});
  if (auto readout = resolve_readout_calibration(mode, device_name); !readout) return fail(std::move(readout.error()));
  const DeviceType type = *classify_device_code(device_name);  // a platform device: checked just above
  if (type == DeviceType::Photonic || type == DeviceType::IonTrap) {
    return fail(errors::InvalidInput{
        fmt::format("task submission is only supported for superconducting devices and simulators: {}", device_name)});
  }
  // The name goes into the JSON body, which is UTF-8; the platform prefix alone lets any bytes follow.
  if (!symbolic::valid_utf8(device_name)) return fail(errors::InvalidInput{"device name is not valid UTF-8"});
  return {};
}

struct CircuitText {
  Result<std::string> operator()(std::string&& text) const { return std::move(text); }
  Result<std::string> operator()(core::Circuit&& circuit) const {
    auto text = core::circuit_to_vesk(circuit);
    if (!text) return fail(errors::Conversion{text.error().message()});
    return std::move(*text);
  }
};

}  // namespace

std::string submit_request_body(std::span<const std::string> batch, std::string_view device_name, std::uint64_t shots) {
  return json::encode(SubmitRequest{{batch.begin(), batch.end()}, std::string(device_name), true, "vesk", "", shots});
}

std::expected<SubmissionRecord, SubmissionFailure> submit_circuits(std::shared_ptr<PlatformClient> client,
                                                                   std::vector<CircuitItem> circuits,
                                                                   std::uint64_t shots, std::string device_name,
                                                                   CalibrationMode calibration_mode) {
  if (auto checked = check_submission(circuits.size(), shots, device_name, calibration_mode); !checked) {
    return refuse(std::move(checked.error()));
  }

  std::vector<std::string> texts;
  texts.reserve(circuits.size());
  for (std::size_t i = 0; i < circuits.size(); ++i) {
    auto text = std::visit(CircuitText{}, std::move(circuits[i]));
    if (!text) return refuse(std::move(text.error()));
    // Sent unchanged, but the body is JSON text, which is UTF-8.
    if (!symbolic::valid_utf8(*text)) {
      return refuse(errors::InvalidInput{fmt::format("circuit {} is not valid UTF-8", i)});
    }
    texts.push_back(std::move(*text));
  }
  circuits.clear();

  SubmissionRecord record;
  record.submitted_at = client->clock().utc_now();
  for (std::size_t start = 0; start < texts.size(); start += kSubmitBatchSize) {
    const std::size_t count = std::min(kSubmitBatchSize, texts.size() - start);
    const std::string body =
        submit_request_body(std::span<const std::string>(texts).subspan(start, count), device_name, shots);
    // The token is looked at for every batch, so one that ages past renewal during a long submission
    // is renewed between batches.
    auto answer = call_platform_api<SubmitResponseData>(*client, http::Method::Post, kSubmitPath, body);
    if (!answer) {
      return std::unexpected<SubmissionFailure>(SubmissionFailure{std::move(answer.error()), std::move(record.task_ids)});
    }
    std::move(answer->query_ids.begin(), answer->query_ids.end(), std::back_inserter(record.task_ids));
  }
  record.device_name = std::move(device_name);
  record.shots = shots;
  record.calibration_mode = calibration_mode;
  record.client = std::move(client);
  return record;
}

}  // namespace norvi::client
