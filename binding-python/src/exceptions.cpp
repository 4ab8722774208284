#include "exceptions.hpp"

#include <exception>
#include <string>

#include "lazy_type.hpp"

namespace norvi::binding {
namespace {

LazyType brevora_error;
LazyType internal_fault;

// A subclassable exception class over `base` with nothing added but its docstring.
PyObject* make_exception_type(const char* qualified_name, const char* doc, PyObject* base) {
  PyType_Slot slots[] = {
      {Py_tp_doc, const_cast<char*>(doc)},
      {0, nullptr},
  };
  PyType_Spec spec = {qualified_name, 0, 0, Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE, slots};
  return PyType_FromSpecWithBases(&spec, base);
}

}  // namespace

PyTypeObject* brevora_error_type() {
  return brevora_error.get([] {
    return make_exception_type("norvi_brevora.BrevoraError",
                               "Raised when the Brevora platform or the client reports a failure.",
                               PyExc_RuntimeError);
  });
}

PyTypeObject* internal_fault_type() {
  return internal_fault.get([] {
    return make_exception_type("norvi_brevora.InternalFault",
                               "An internal failure of the client library (a broken invariant, not a user error).",
                               PyExc_BaseException);
  });
}

std::unexpected<PyRaised> raise_internal_fault(std::string_view message) noexcept {
  PyTypeObject* type = internal_fault_type();
  if (type == nullptr) return raised();  // the creation error stays set
  PyRef text = make_text(message);
  if (text) PyErr_SetObject(reinterpret_cast<PyObject*>(type), text.get());
  return raised();
}

std::unexpected<PyRaised> client_error_to_pyerr(client::ClientError error) {
  const std::string text = error.display();
  PyRef message = make_text(text);
  if (!message) return raised();
  if (PyTypeObject* type = brevora_error_type()) {
    if (PyRef exception = PyRef::steal(PyObject_CallOneArg(reinterpret_cast<PyObject*>(type), message.get()))) {
      PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(exception.get())), exception.get());
      return raised();
    }
  }
  PyErr_Clear();
  PyErr_SetObject(PyExc_RuntimeError, message.get());
  return raised();
}

std::unexpected<PyRaised> raise_not_an_instance(PyObject* object, const char* expected) noexcept {
  PyRef name = PyRef::steal(PyType_GetQualName(Py_TYPE(object)));
  if (name) PyErr_Format(PyExc_TypeError, "'%U' object is not an instance of '%s'", name.get(), expected);
  return raised();
}

void add_note(std::string_view note) noexcept {
  PyObject* type = nullptr;
  PyObject* value = nullptr;
  PyObject* traceback = nullptr;
  PyErr_Fetch(&type, &value, &traceback);
  if (type == nullptr) return;
  PyErr_NormalizeException(&type, &value, &traceback);
  if (value != nullptr) {
    if (traceback != nullptr) PyException_SetTraceback(value, traceback);
    PyRef text = make_text(note);
    PyRef added = text ? PyRef::steal(PyObject_CallMethod(value, "add_note", "O", text.get())) : PyRef();
    if (!added) PyErr_Clear();
  }
  PyErr_Restore(type, value, traceback);
}

namespace detail {

void raise_fault_from_current_exception() noexcept {
  try {
    throw;
  } catch (const std::exception& e) {
    raise_internal_fault(e.what());
  } catch (...) {
    raise_internal_fault("unexpected C++ exception at the Python boundary");
  }
}

}  // namespace detail
}  // namespace norvi::binding
