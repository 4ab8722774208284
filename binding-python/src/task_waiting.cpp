#include "task_handle.hpp"

#include <chrono>
#include <exception>
#include <optional>
#include <utility>
#include <vector>

#include "argument_binder.hpp"
#include "conversions.hpp"
#include "exceptions.hpp"
#include "host_results.hpp"
#include "norvi/client/results/result_query.hpp"
#include "norvi/client/task_wait.hpp"

namespace norvi::binding {
namespace {

using std::chrono::nanoseconds;
using Records = client::Result<std::vector<core::ExecutionResult>>;

// Runs `work` (client code only, no Python) with the interpreter lock released, so that other Python
// threads run meanwhile. A C++ exception is carried across and rethrown once the lock is back, for the
// entry guard to raise as InternalFault.
template <typename Work> auto without_interpreter_lock(Work&& work) -> decltype(work()) {
  std::optional<decltype(work())> result;
  std::exception_ptr failure;
  PyThreadState* saved = PyEval_SaveThread();
  try {
    result.emplace(work());
  } catch (...) {
    failure = std::current_exception();
  }
  PyEval_RestoreThread(saved);
  if (failure) std::rethrow_exception(failure);
  return std::move(*result);
}

struct WaitLimits {
  nanoseconds timeout;
  nanoseconds poll_interval;
};

// Both as floats first, then both as durations; nothing has been sent when this fails.
template <std::size_t N> PyResult<WaitLimits> wait_limits(const Arguments<N>& bound) {
  auto timeout = bound.convert_or(0, extract_f64, 120.0);
  if (!timeout) return raised();
  auto poll_interval = bound.convert_or(1, extract_f64, 5.0);
  if (!poll_interval) return raised();
  auto timeout_span = duration_from_seconds(*timeout);
  if (!timeout_span) return raised();
  auto poll_span = duration_from_seconds(*poll_interval);
  if (!poll_span) return raised();
  return WaitLimits{timeout_span->saturated(), poll_span->saturated()};
}

PyRef records_to_python(Records records) {
  if (!records) {
    client_error_to_pyerr(std::move(records.error()));
    return {};
  }
  auto list = results_to_pylist(std::move(*records));
  return list ? std::move(*list) : PyRef();
}

constexpr Parameter kWaitParameters[] = {
    {"timeout", Pass::positional_or_keyword, Need::optional},
    {"poll_interval", Pass::positional_or_keyword, Need::optional},
};
constexpr auto wait_signature = signature("TaskHandle.wait", kWaitParameters);
constexpr auto wait_raw_signature = signature("TaskHandle.wait_raw", kWaitParameters);

template <std::size_t N, typename Wait>
PyRef wait_entry(PyObject* self, const Signature<N>& sig, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames,
                 Wait wait) {
  auto bound = bind(sig, args, nargs, kwnames);
  if (!bound) return {};
  auto task = PayloadClass<TaskPayload>::borrow(self);
  if (!task) return {};
  auto limits = wait_limits(*bound);
  if (!limits) return {};
  const client::SubmissionRecord& record = (*task)->record;  // immutable; `self` lives through the call
  return records_to_python(without_interpreter_lock([&] { return wait(record, *limits); }));
}

}  // namespace

PyRef task_wait(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return wait_entry(self, wait_signature, args, nargs, kwnames,
                    [](const client::SubmissionRecord& record, const WaitLimits& limits) {
                      return client::wait_for_task(record, limits.timeout, limits.poll_interval);
                    });
}

PyRef task_wait_raw(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return wait_entry(self, wait_raw_signature, args, nargs, kwnames,
                    [](const client::SubmissionRecord& record, const WaitLimits& limits) {
                      return client::wait_for_results(record, limits.timeout, limits.poll_interval);
                    });
}

PyRef task_status(PyObject* self) {
  auto task = PayloadClass<TaskPayload>::borrow(self);
  if (!task) return {};
  const client::SubmissionRecord& record = (*task)->record;
  return records_to_python(
      without_interpreter_lock([&] { return client::fetch_results(*record.client, record.task_ids, record.shots); }));
}

const char* const task_wait_doc =
    "wait($self, timeout=120.0, poll_interval=5.0)\n--\n\n"
    "Block until all submitted circuits have results and return them as a list of\n"
    "norvi.device.ExecutionResult. The interpreter lock is released while waiting.\n\n"
    "Readout error mitigation is applied according to the calibration mode set at\n"
    "submission (default \"auto\").\n\n"
    "timeout: maximum wall-clock time to wait, in seconds (default 120.0).\n"
    "poll_interval: time between consecutive poll requests, in seconds (default 5.0).\n\n"
    "Raises BrevoraError when the timeout is exceeded before all results are available.";

const char* const task_wait_raw_doc =
    "wait_raw($self, timeout=120.0, poll_interval=5.0)\n--\n\n"
    "Like wait(), but always returns raw (uncalibrated) counts, whatever the calibration mode.";

const char* const task_status_doc =
    "status($self)\n--\n\n"
    "Query the platform once and return whichever results are ready, as a list of\n"
    "norvi.device.ExecutionResult; circuits not yet completed are absent.";

}  // namespace norvi::binding
