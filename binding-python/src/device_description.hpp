#pragma once
// BrevoraBackend.num_qubits and device_config: the backend's device, downloaded once into the
// backend's configuration cache, as a qubit count or as a host norvi.device.Device object.

#include "py_ref.hpp"

namespace norvi::binding {

// Both read the backend's configuration cache (client::cached_device_config) with the interpreter lock
// held, so one download fills it; the cache mutex is released before host code runs, so a host
// callback or another Python thread may use the same backend meanwhile.
PyRef backend_num_qubits(PyObject* self);
PyRef backend_device_config(PyObject* self);

extern const char* const num_qubits_doc;
extern const char* const device_config_doc;

}  // namespace norvi::binding
