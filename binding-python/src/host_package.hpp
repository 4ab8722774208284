#pragma once
// Reaching the host package `norvi`: its modules and members are looked up through the interpreter's
// import machinery every time they are needed (nothing is cached, so a replaced member is seen at
// once), and the objects handed to it are made here. Interpreter lock held throughout.

#include <cstdint>
#include <string_view>

#include "py_ref.hpp"

namespace norvi::binding {

// The module, imported (an import error otherwise).
PyResult<PyRef> host_module(const char* module);

// The module's attribute, e.g. host_member("norvi.device", "ExecutionResult"); the import's or the
// attribute lookup's exception otherwise.
PyResult<PyRef> host_member(const char* module, const char* attribute);

// An object's attribute, with the lookup's exception.
PyResult<PyRef> attribute_of(PyObject* object, const char* attribute);

// The interpreter could not make a plain value (str, int, list, dict, tuple) for a host call: the
// pending error becomes InternalFault naming `what`.
std::unexpected<PyRaised> raise_value_not_made(const char* what) noexcept;

// New plain values for host calls; InternalFault when the interpreter cannot make them.
PyResult<PyRef> host_text(std::string_view text);
PyResult<PyRef> host_int(std::uint64_t value);
PyResult<PyRef> host_list(Py_ssize_t size);  // `size` empty slots, each to be filled with PyList_SET_ITEM

}  // namespace norvi::binding
