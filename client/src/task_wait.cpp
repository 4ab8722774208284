#include "norvi/client/task_wait.hpp"

#include <utility>

#include "norvi/client/calibration_mode.hpp"
#include "norvi/client/device_config.hpp"
#include "norvi/client/readout_calibration.hpp"
#include "norvi/client/results/readout_mitigation.hpp"
#include "norvi/client/results/result_query.hpp"

namespace norvi::client {

Result<std::vector<core::ExecutionResult>> wait_for_task(const SubmissionRecord& task, std::chrono::nanoseconds timeout,
                                                         std::chrono::nanoseconds poll_interval) {
  const CalibrationMode mode = task.calibration_mode;
  if (mode == CalibrationMode::Disabled) return wait_for_results(task, timeout, poll_interval);
  auto applies = resolve_readout_calibration(mode, task.device_name);
  if (!applies) return fail(std::move(applies.error()));
  if (!*applies) return wait_for_results(task, timeout, poll_interval);

  auto config = download_device_config(*task.client, task.device_name);
  if (!config) return fail(std::move(config.error()));
  if (!config->readout_calibration) {
    if (mode == CalibrationMode::Auto) return wait_for_results(task, timeout, poll_interval);
    return fail(errors::InvalidInput{"readout calibration data not available for this backend"});
  }
  const ReadoutCorrection correction{readout_fidelity_map(*config->readout_calibration), mode};
  return wait_for_results(task, timeout, poll_interval, &correction);
}

}  // namespace norvi::client
