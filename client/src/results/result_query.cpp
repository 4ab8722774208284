#include "norvi/client/results/result_query.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <utility>

#include "norvi/client/api_call.hpp"
#include "norvi/client/json/write.hpp"
#include "norvi/client/results/result_conversion.hpp"
#include "norvi/symbolic/utf8.hpp"

namespace norvi::client {

std::string result_query_body(std::span<const std::string> task_ids) {
  json::Writer w;
  w.begin_object().key("query_ids").begin_array();
  for (const std::string& id : task_ids) w.string(id);
  return w.end_array().end_object().take();
}

Result<ResultsEnvelope> query_results(PlatformClient& client, std::span<const std::string> task_ids) {
  // A native caller's own ids go into a JSON body, which is UTF-8.
  for (std::size_t i = 0; i < task_ids.size(); ++i) {
    if (!symbolic::valid_utf8(task_ids[i])) return fail(errors::InvalidInput{fmt::format("task id {} is not valid UTF-8", i)});
  }
  auto body = detail::api_answer_body(client, http::Method::Post, kResultQueryPath, result_query_body(task_ids));
  if (!body) return fail(std::move(body.error()));
  auto envelope = decode_results_answer(std::move(*body));
  if (!envelope) return fail(detail::undecodable_answer(envelope.error()));
  return std::move(*envelope);
}

namespace {

Result<std::optional<core::ExecutionResult>> convert(RawResult& item, std::uint64_t shots,
                                                     const ReadoutCorrection* correction) {
  const std::string name = json_value_to_text(item.task_id);
  if (item.result_status && item.result_status->tally) {
    ShotTally& tally = *item.result_status->tally;
    const ReadoutFidelityMap* fidelities =
        correction != nullptr && correction_applies(correction->mode, tally.measured_qubits.size()) ? &correction->fidelities
                                                                                                    : nullptr;
    auto record = build_mitigated_execution_result(name, shots, std::move(tally.measured_qubits), std::move(tally.counts),
                                                   fidelities);
    if (!record || *record) return record;
  }
  if (item.probability) {
    if (auto map = parse_probability_value(*item.probability)) return build_execution_result(name, shots, *map);
  }
  return std::nullopt;
}

}  // namespace

Result<std::vector<core::ExecutionResult>> fetch_results(PlatformClient& client, std::span<const std::string> task_ids,
                                                         std::uint64_t shots, const ReadoutCorrection* correction) {
  auto envelope = query_results(client, task_ids);
  if (!envelope) return fail(std::move(envelope.error()));
  auto items = check_results_envelope(std::move(*envelope));
  if (!items) return fail(std::move(items.error()));
  std::vector<core::ExecutionResult> records;
  for (RawResult& item : *items) {
    auto record = convert(item, shots, correction);
    if (!record) return fail(std::move(record.error()));
    if (*record) records.push_back(std::move(**record));
  }
  return records;
}

Result<std::vector<core::ExecutionResult>> wait_for_results(const SubmissionRecord& submission,
                                                            std::chrono::nanoseconds timeout,
                                                            std::chrono::nanoseconds poll_interval,
                                                            const ReadoutCorrection* correction) {
  PlatformClient& client = *submission.client;
  const Clock& clock = client.clock();
  const std::chrono::nanoseconds start = clock.monotonic_now();
  for (;;) {
    auto records = fetch_results(client, submission.task_ids, submission.shots, correction);
    if (!records) return fail(std::move(records.error()));
    if (records->size() == submission.task_ids.size()) return records;
    const auto elapsed = std::max(clock.monotonic_now() - start, std::chrono::nanoseconds::zero());
    if (elapsed >= timeout) return fail(errors::Timeout{timeout});
    const auto pause = std::min(poll_interval, timeout - elapsed);
    if (pause > std::chrono::nanoseconds::zero()) clock.sleep(pause);
  }
}

}  // namespace norvi::client
