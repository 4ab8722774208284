#include "backend_object.hpp"

#include <fmt/format.h>

#include "argument_binder.hpp"
#include "calibration_mode.hpp"
#include "conversions.hpp"
#include "entry_points.hpp"
#include "enums.hpp"
#include "exceptions.hpp"
#include "submission_entries.hpp"

namespace norvi::binding {
namespace {

template <typename Read> PyRef read_backend(PyObject* self, Read read) {
  auto backend = PayloadClass<BackendPayload>::borrow(self);
  if (!backend) return {};
  return read((*backend)->record);
}

PyRef name(PyObject* self) {
  return read_backend(self, [](const client::BackendRecord& b) { return make_text(b.name); });
}

PyRef display_name(PyObject* self) {
  return read_backend(self, [](const client::BackendRecord& b) { return make_text(b.display_name); });
}

PyRef device_type(PyObject* self) {
  return read_backend(self, [](const client::BackendRecord& b) { return make_device_type(b.device_type); });
}

PyRef status(PyObject* self) {
  return read_backend(self, [](const client::BackendRecord& b) { return make_device_status(b.status); });
}

PyRef toll(PyObject* self) {
  return read_backend(self, [](const client::BackendRecord& b) { return make_device_toll(b.toll); });
}

PyRef is_available(PyObject* self) {
  return read_backend(self, [](const client::BackendRecord& b) {
    return make_flag(b.status.kind == client::DeviceStatusKind::Running);
  });
}

PyRef backend_repr(PyObject* self) {
  return read_backend(self, [](const client::BackendRecord& b) {
    return make_text(fmt::format("BrevoraBackend(name='{}', device_type='{}', status='{}')", b.name,
                                 client::device_type_text(b.device_type), client::device_status_text(b.status.kind)));
  });
}

// ---- submission

constexpr auto run_signature = signature("BrevoraBackend.run", {
                                                                   {"circuits"},
                                                                   {"shots"},
                                                                   {"calibration_mode", Pass::keyword_only, Need::optional},
                                                               });
constexpr auto run_raw_signature = signature("BrevoraBackend.run_raw", {{"circuits"}, {"shots"}});
constexpr auto run_with_mode_signature = signature("BrevoraBackend.run_with_mode", {
                                                                                       {"circuits"},
                                                                                       {"shots"},
                                                                                       {"mode", Pass::positional_or_keyword, Need::optional},
                                                                                   });

// Converts the circuits and the shot count, then `mode_of(bound)`; issues `deprecation` (when given)
// after the conversions and before anything is sent; then submits to this backend's device.
template <std::size_t N, typename ModeOf>
PyRef run_on_backend(PyObject* self, const Signature<N>& sig, PyObject* const* args, Py_ssize_t nargs,
                     PyObject* kwnames, ModeOf mode_of, const char* deprecation) {
  auto bound = bind(sig, args, nargs, kwnames);
  if (!bound) return {};
  auto texts = bound->convert(0, extract_text_list);
  if (!texts) return {};
  auto shots = bound->convert(1, extract_u64);
  if (!shots) return {};
  PyResult<client::CalibrationMode> mode = mode_of(*bound);
  if (!mode) return {};
  // Under an "error" filter the warning is raised here, and nothing is submitted.
  if (deprecation != nullptr && PyErr_WarnEx(PyExc_DeprecationWarning, deprecation, 1) < 0) return {};
  auto backend = PayloadClass<BackendPayload>::borrow(self);
  if (!backend) return {};
  const client::BackendRecord& record = (*backend)->record;
  return submit_and_wrap(record.client, std::move(*texts), *shots, record.name, *mode);
}

PyRef run(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return run_on_backend(
      self, run_signature, args, nargs, kwnames,
      [](const auto& bound) { return bound.convert_or(2, extract_calibration_mode, client::CalibrationMode::Auto); },
      nullptr);
}

PyRef run_raw(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return run_on_backend(
      self, run_raw_signature, args, nargs, kwnames,
      [](const auto&) -> PyResult<client::CalibrationMode> { return client::CalibrationMode::Disabled; },
      "run_raw() is deprecated; use run(..., calibration_mode='disabled')");
}

// `mode` left out or None is auto.
PyRef run_with_mode(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return run_on_backend(
      self, run_with_mode_signature, args, nargs, kwnames,
      [](const auto& bound) -> PyResult<client::CalibrationMode> {
        auto mode = bound.convert_optional(2, extract_calibration_mode);
        if (!mode) return raised();
        return mode->value_or(client::CalibrationMode::Auto);
      },
      "run_with_mode() is deprecated; use run(..., calibration_mode=mode)");
}

PyMethodDef backend_methods[] = {
    method<&is_available>("is_available",
                          "is_available($self)\n--\n\nWhether the backend is running (status 'running') and accepts jobs."),
    method<&backend_num_qubits>("num_qubits", num_qubits_doc),
    method<&run>("run",
                 "run($self, circuits, shots, *, calibration_mode='auto')\n--\n\n"
                 "Submits a sequence of VESK circuit texts with a shot count per circuit; returns a TaskHandle.\n"
                 "calibration_mode is a CalibrationMode or one of 'auto', 'enabled', 'disabled'."),
    method<&run_raw>("run_raw",
                     "run_raw($self, circuits, shots)\n--\n\n"
                     "Deprecated: submits without readout-error mitigation; use run(..., calibration_mode='disabled')."),
    method<&run_with_mode>("run_with_mode",
                           "run_with_mode($self, circuits, shots, mode=None)\n--\n\n"
                           "Deprecated: submits with the given calibration mode (None is 'auto'); use\n"
                           "run(..., calibration_mode=mode)."),
    method<&backend_device_config>("device_config", device_config_doc),
    {},
};

PyGetSetDef backend_getters[] = {
    getter<&name>("name", "Machine code used as the backend identifier in submissions."),
    getter<&display_name>("display_name", "User-friendly display name."),
    getter<&device_type>("device_type", "Backend technology classified locally from the machine code."),
    getter<&status>("status", "Current operational status."),
    getter<&toll>("toll", "Pricing model."),
    {},
};

const PyType_Slot backend_slots[] = {
    slot<&backend_repr>(Py_tp_repr),
};

const ClassSpec backend_spec{
    "norvi_brevora.BrevoraBackend",
    "One backend (quantum device or simulator) of the Brevora platform, as listed by\n"
    "BrevoraPlatform.list_backends() or get_backend().",
    backend_methods,
    backend_getters,
    backend_slots,
};

constexpr auto get_backend_signature = signature("BrevoraPlatform.get_backend", {{"name"}});

PyResult<PyRef> wrap_backend(client::BackendRecord record) { return backend_class.wrap(BackendPayload{std::move(record)}); }

}  // namespace

PayloadClass<BackendPayload> backend_class(backend_spec);

PyRef list_backends_of(const std::shared_ptr<client::PlatformClient>& client) {
  auto records = client::list_devices(client);
  if (!records) {
    client_error_to_pyerr(std::move(records.error()));
    return {};
  }
  PyRef list = PyRef::steal(PyList_New(static_cast<Py_ssize_t>(records->size())));
  if (!list) return {};
  for (std::size_t i = 0; i < records->size(); ++i) {
    auto backend = wrap_backend(std::move((*records)[i]));
    if (!backend) return {};  // the remaining records go with `records`
    PyList_SET_ITEM(list.get(), static_cast<Py_ssize_t>(i), backend->release());
  }
  return list;
}

PyRef get_backend_of(const std::shared_ptr<client::PlatformClient>& client, PyObject* const* args, Py_ssize_t nargs,
                     PyObject* kwnames) {
  auto bound = bind(get_backend_signature, args, nargs, kwnames);
  if (!bound) return {};
  auto wanted = bound->convert(0, extract_text);
  if (!wanted) return {};
  auto record = client::find_device(client, std::move(*wanted));
  if (!record) {
    client_error_to_pyerr(std::move(record.error()));
    return {};
  }
  auto backend = wrap_backend(std::move(*record));
  return backend ? std::move(*backend) : PyRef();
}

}  // namespace norvi::binding
