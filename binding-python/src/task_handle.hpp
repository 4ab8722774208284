#pragma once
// TaskHandle: a submission, through which its results are fetched.

#include "norvi/client/submission.hpp"
#include "payload_class.hpp"

namespace norvi::binding {

struct TaskPayload {
  client::SubmissionRecord record;
};

extern PayloadClass<TaskPayload> task_class;

// The methods that fetch results (task_waiting.cpp), with the interpreter lock released for the network
// part; they hand the results to Python as host ExecutionResult objects.

// wait(timeout=120.0, poll_interval=5.0): readout-corrected per the handle's calibration mode.
PyRef task_wait(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);
// wait_raw(timeout=120.0, poll_interval=5.0): uncorrected, whatever the mode.
PyRef task_wait_raw(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);
// status(): one query pass, uncorrected.
PyRef task_status(PyObject* self);

extern const char* const task_wait_doc;
extern const char* const task_wait_raw_doc;
extern const char* const task_status_doc;

}  // namespace norvi::binding
