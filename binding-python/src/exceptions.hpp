#pragma once
// The exceptions of the Python boundary: BrevoraError carries client errors to Python; InternalFault,
// derived from BaseException and never from BrevoraError, carries broken invariants and C++ exceptions.

#include <string_view>

#include "norvi/client/error.hpp"
#include "py_ref.hpp"

namespace norvi::binding {

// Created on first use; null with the Python error set when that fails.
PyTypeObject* brevora_error_type();
PyTypeObject* internal_fault_type();

// Each sets a Python exception and returns the error value for any PyResult.

// InternalFault carrying `message` (invalid UTF-8 replaced).
std::unexpected<PyRaised> raise_internal_fault(std::string_view message) noexcept;

// BrevoraError carrying the error's display text; RuntimeError with the same text when the exception
// object cannot be made.
std::unexpected<PyRaised> client_error_to_pyerr(client::ClientError error);

// TypeError "'{}' object is not an instance of '{}'" with the object's type name and `expected`.
std::unexpected<PyRaised> raise_not_an_instance(PyObject* object, const char* expected) noexcept;

// Adds `note` to the exception being raised (its __notes__); when that fails, the exception stays as it was.
void add_note(std::string_view note) noexcept;

namespace detail {
// Turns the C++ exception being handled into InternalFault; called from the entry guard's catch block.
void raise_fault_from_current_exception() noexcept;
}  // namespace detail

}  // namespace norvi::binding
