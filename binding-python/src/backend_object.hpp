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

// BrevoraPlatform.get_backend(name) on the platform's client: lists the devices (no cache) and wraps
// the first whose device code equals `name` byte for byte; DeviceNotFound otherwise.
PyRef get_backend_of(const std::shared_ptr<client::PlatformClient>& client, PyObject* const* args, Py_ssize_t nargs,
                     PyObject* kwnames);

}  // namespace norvi::binding
