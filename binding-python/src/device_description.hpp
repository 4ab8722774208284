#pragma once
// BrevoraBackend.num_qubits and device_config: the backend's device, downloaded once into the
// backend's configuration cache, as a qubit count or as a host norvi.device.Device object.

#include <memory>

#include "norvi/client/backend.hpp"
#include "norvi/client/device_config.hpp"
#include "py_ref.hpp"

namespace norvi::binding {

// The cached configuration, downloaded first when the cache is empty (interpreter lock held, so one
// download fills it). The cache mutex is held only to read or fill the cache, never while host code
// runs: a host callback, or another Python thread, may use the same backend meanwhile. A failed
// download leaves the cache empty; a poisoned mutex is InvalidInput "cached_config mutex poisoned".
client::Result<std::shared_ptr<const client::DeviceConfig>> cached_device_config(const client::BackendRecord& backend);

PyRef backend_num_qubits(PyObject* self);
PyRef backend_device_config(PyObject* self);

extern const char* const num_qubits_doc;
extern const char* const device_config_doc;

}  // namespace norvi::binding
