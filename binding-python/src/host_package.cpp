#include "host_package.hpp"

#include <fmt/format.h>

#include "conversions.hpp"
#include "exceptions.hpp"

namespace norvi::binding {

PyResult<PyRef> host_module(const char* module) { return checked(PyImport_ImportModule(module)); }

PyResult<PyRef> host_member(const char* module, const char* attribute) {
  auto imported = host_module(module);
  if (!imported) return raised();
  return attribute_of(imported->get(), attribute);
}

PyResult<PyRef> attribute_of(PyObject* object, const char* attribute) {
  return checked(PyObject_GetAttrString(object, attribute));
}

std::unexpected<PyRaised> raise_value_not_made(const char* what) noexcept {
  PyErr_Clear();
  try {
    return raise_internal_fault(fmt::format("could not create a Python {} for the host package", what));
  } catch (...) {
    return raise_internal_fault("could not create a Python value for the host package");
  }
}

PyResult<PyRef> host_text(std::string_view text) {
  PyRef made = make_text(text);
  if (!made) return raise_value_not_made("str");
  return made;
}

PyResult<PyRef> host_int(std::uint64_t value) {
  PyRef made = make_u64(value);
  if (!made) return raise_value_not_made("int");
  return made;
}

PyResult<PyRef> host_list(Py_ssize_t size) {
  PyRef made = PyRef::steal(PyList_New(size));
  if (!made) return raise_value_not_made("list");
  return made;
}

}  // namespace norvi::binding
