#pragma once
// Waiting for a submission's results with readout-error mitigation as its calibration mode asks: the
// decision, a fresh configuration download and the choice of correction, then the polling.

#include <chrono>
#include <vector>

#include "norvi/client/error.hpp"
#include "norvi/client/submission.hpp"
#include "norvi/core/result/execution_result.hpp"

namespace norvi::client {

// Mode disabled, or auto on a device that is not superconducting: the polling without a correction.
// Otherwise the device's configuration is downloaded afresh (never a backend's cache) and its readout
// fidelities correct the counts; without them, auto goes on uncorrected and enabled fails with
// InvalidInput "readout calibration data not available for this backend". The timeout clock starts
// after the download.
Result<std::vector<core::ExecutionResult>> wait_for_task(const SubmissionRecord& task, std::chrono::nanoseconds timeout,
                                                         std::chrono::nanoseconds poll_interval);

}  // namespace norvi::client
