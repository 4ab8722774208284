#include "task_handle.hpp"

#include <fmt/format.h>

#include "conversions.hpp"
#include "entry_points.hpp"

namespace norvi::binding {
namespace {

template <typename Read> PyRef read_task(PyObject* self, Read read) {
  auto task = PayloadClass<TaskPayload>::borrow(self);
  if (!task) return {};
  return read((*task)->record);
}

PyRef task_ids(PyObject* self) {
  return read_task(self, [](const client::SubmissionRecord& r) {
    PyRef list = PyRef::steal(PyList_New(static_cast<Py_ssize_t>(r.task_ids.size())));
    if (!list) return PyRef();
    for (std::size_t i = 0; i < r.task_ids.size(); ++i) {
      PyRef id = make_text(r.task_ids[i]);
      if (!id) return PyRef();
      PyList_SET_ITEM(list.get(), static_cast<Py_ssize_t>(i), id.release());
    }
    return list;
  });
}

PyRef device_name(PyObject* self) {
  return read_task(self, [](const client::SubmissionRecord& r) { return make_text(r.device_name); });
}

PyRef shots(PyObject* self) {
  return read_task(self, [](const client::SubmissionRecord& r) { return make_u64(r.shots); });
}

PyRef submitted_at(PyObject* self) {
  return read_task(self, [](const client::SubmissionRecord& r) { return make_text(core::utc_time_text(r.submitted_at)); });
}

// n_circuits counts the ids the platform returned, not the circuits sent.
PyRef task_repr(PyObject* self) {
  return read_task(self, [](const client::SubmissionRecord& r) {
    return make_text(fmt::format("TaskHandle(device='{}', shots={}, n_circuits={})", r.device_name, r.shots,
                                 r.task_ids.size()));
  });
}

PyGetSetDef task_getters[] = {
    getter<&task_ids>("task_ids", "Platform-assigned query IDs for all submitted circuits."),
    getter<&device_name>("device_name", "Name of the backend device used for the submission."),
    getter<&shots>("shots", "Number of shots requested per circuit."),
    getter<&submitted_at>("submitted_at", "Submission timestamp in ISO 8601 format."),
    {},
};

PyMethodDef task_methods[] = {
    method<&task_status>("status", task_status_doc),
    method<&task_wait>("wait", task_wait_doc),
    method<&task_wait_raw>("wait_raw", task_wait_raw_doc),
    {},
};

const PyType_Slot task_slots[] = {
    slot<&task_repr>(Py_tp_repr),
};

const ClassSpec task_spec{
    "norvi_brevora.TaskHandle",
    "A submitted batch of circuits, through which its results are fetched. Made by BrevoraBackend.run(),\n"
    "run_raw(), run_with_mode() and BrevoraPlatform.submit().",
    task_methods,
    task_getters,
    task_slots,
};

}  // namespace

PayloadClass<TaskPayload> task_class(task_spec);

}  // namespace norvi::binding
