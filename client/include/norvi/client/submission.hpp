#pragma once
// Submitting circuits to one platform device: the checks, the batches of at most 50 circuits, one
// request per batch, and the submission record through which the results are fetched later.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "norvi/client/calibration_mode.hpp"
#include "norvi/core/circuit/circuit.hpp"
#include "norvi/core/utc_time.hpp"
#include "norvi/client/error.hpp"

namespace norvi::client {

class PlatformClient;

// One circuit to submit: a VESK text, sent unchanged (no trimming; it must be UTF-8, like the JSON body
// it goes into), or a circuit object, converted to VESK text before anything is sent.
using CircuitItem = std::variant<std::string, core::Circuit>;

inline constexpr std::size_t kSubmitBatchSize = 50;

// The `data` of the submission's answer.
struct SubmitResponseData {
  std::vector<std::string> query_ids;
};

struct SubmissionRecord {
  std::vector<std::string> task_ids;  // all batches, batch after batch, each in the platform's order
  std::string device_name;
  core::UtcTime submitted_at;
  std::uint64_t shots = 0;
  CalibrationMode calibration_mode = CalibrationMode::Auto;  // as requested, not resolved
  std::shared_ptr<PlatformClient> client;
};

// A failed submission. When a batch after the first fails, the platform has already accepted the
// tasks of the earlier batches: their ids are kept here so that the caller can still reach them.
struct SubmissionFailure {
  ClientError error;
  std::vector<std::string> accepted_task_ids;
};

// The body of one batch: compact JSON with the keys circuit, computerCode, is_verify, language, name
// and shots, in this order.
std::string submit_request_body(std::span<const std::string> batch, std::string_view device_name, std::uint64_t shots);

// Checks the request (empty list, zero shots, the device name, the mode, the device class, the device
// name's UTF-8, in this order), converts every circuit object to VESK text and checks every text's
// UTF-8 in list order (InvalidInput "circuit {} is not valid UTF-8" with the 0-based index; nothing is
// sent when a check or a conversion fails), reads the client's wall clock for submitted_at,
// then posts the batches one after another. A failing batch fails the whole submission.
std::expected<SubmissionRecord, SubmissionFailure> submit_circuits(std::shared_ptr<PlatformClient> client,
                                                                   std::vector<CircuitItem> circuits,
                                                                   std::uint64_t shots, std::string device_name,
                                                                   CalibrationMode calibration_mode);

}  // namespace norvi::client
