#pragma once
// BrevoraBackend: one backend of the platform, as listed by it, and the platform's two listing calls.

#include <memory>

#include "norvi/client/backend.hpp"
#include "payload_class.hpp"

namespace norvi::binding {

struct BackendPayload {
  client::BackendRecord record;
};

extern PayloadClass<BackendPayload> backend_class;

// BrevoraPlatform.list_backends() on the platform's client: a new list of BrevoraBackend in the
// platform's order.
PyRef list_backends_of(const std::shared_ptr<client::PlatformClient>& client);

// BrevoraPlatform.get_backend(name) on the platform's client: client::find_device, wrapped.
PyRef get_backend_of(const std::shared_ptr<client::PlatformClient>& client, PyObject* const* args, Py_ssize_t nargs,
                     PyObject* kwnames);

// num_qubits and device_config (device_description.cpp): the backend's device, downloaded once into the
// backend's configuration cache, as a qubit count or as a host norvi.device.Device object. Both read the
// cache (client::cached_device_config) with the interpreter lock held, so one download fills it; the
// cache mutex is released before host code runs, so a host callback or another Python thread may use
// the same backend meanwhile.
PyRef backend_num_qubits(PyObject* self);
PyRef backend_device_config(PyObject* self);

extern const char* const num_qubits_doc;
extern const char* const device_config_doc;

}  // namespace norvi::binding
