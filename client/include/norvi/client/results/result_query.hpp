#pragma once
// Asking the platform for the results of submitted tasks: one query pass (TaskHandle.status), and the
// polling until every task id has a result or the timeout passes (TaskHandle.wait and wait_raw). Both
// run on the calling thread and may run from several threads at once; they share only the client.
//
//   auto now = fetch_results(*record.client, record.task_ids, record.shots);          // one pass
//   auto all = wait_for_results(record, 120s, 5s);                                      // raw counts
//   auto fixed = wait_for_results(record, 120s, 5s, &correction);                       // mitigated

#include <chrono>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "norvi/client/error.hpp"
#include "norvi/client/platform_client.hpp"
#include "norvi/client/results/readout_mitigation.hpp"
#include "norvi/client/results/result_records.hpp"
#include "norvi/client/submission.hpp"
#include "norvi/core/result/execution_result.hpp"

namespace norvi::client {

inline constexpr const char* kResultQueryPath = "/zelm-quantum/sdk/experiment/result/find";

// {"query_ids":[...]}, compact, the ids in the given order.
std::string result_query_body(std::span<const std::string> task_ids);

// POSTs the query through the token handling and the retry loop; the decoded answer (an answer that
// does not decode into the envelope is Http). An id that is not UTF-8 fails first, before anything is
// sent: InvalidInput "task id {} is not valid UTF-8" with its index.
Result<ResultsEnvelope> query_results(PlatformClient& client, std::span<const std::string> task_ids);

// One query pass: a record for every usable item, in the platform's order (per-shot records first,
// corrected when `correction` is given and applies to the result; else probability data). An item that
// does not decode fails the pass (Json); items without usable data are left out.
Result<std::vector<core::ExecutionResult>> fetch_results(PlatformClient& client, std::span<const std::string> task_ids,
                                                         std::uint64_t shots,
                                                         const ReadoutCorrection* correction = nullptr);

// Passes over all task ids of the submission until one yields as many records as there are ids; between
// passes it sleeps the smaller of `poll_interval` and the time left. Timeout (carrying `timeout`) once
// a pass falls short with `timeout` elapsed on the client's monotonic clock, counted from this call.
Result<std::vector<core::ExecutionResult>> wait_for_results(const SubmissionRecord& submission,
                                                            std::chrono::nanoseconds timeout,
                                                            std::chrono::nanoseconds poll_interval,
                                                            const ReadoutCorrection* correction = nullptr);

}  // namespace norvi::client
