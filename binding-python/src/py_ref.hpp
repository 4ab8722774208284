#pragma once
// Owned references to Python objects, and the error side of every fallible binding helper.

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <expected>
#include <string_view>
#include <utility>

namespace norvi::binding {

// A strong reference, released when the holder goes; empty after a failed call (the Python error is
// then set). Only touched with the interpreter lock held.
class PyRef {
 public:
  PyRef() noexcept = default;
  static PyRef steal(PyObject* object) noexcept { return PyRef(object); }
  static PyRef borrow(PyObject* object) noexcept {
    Py_XINCREF(object);
    return PyRef(object);
  }

  PyRef(const PyRef& other) noexcept : object_(other.object_) { Py_XINCREF(object_); }
  PyRef(PyRef&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  PyRef& operator=(PyRef other) noexcept {
    std::swap(object_, other.object_);
    return *this;
  }
  ~PyRef() { Py_XDECREF(object_); }

  PyObject* get() const noexcept { return object_; }
  PyObject* release() noexcept { return std::exchange(object_, nullptr); }
  explicit operator bool() const noexcept { return object_ != nullptr; }

 private:
  explicit PyRef(PyObject* object) noexcept : object_(object) {}
  PyObject* object_ = nullptr;
};

// "A Python exception is set": the error value of PyResult.
struct PyRaised {};

template <typename T> using PyResult = std::expected<T, PyRaised>;

inline std::unexpected<PyRaised> raised() noexcept { return std::unexpected<PyRaised>(PyRaised{}); }

// A new str; bytes that are not valid UTF-8 become U+FFFD. Null when it cannot be made.
inline PyRef make_text(std::string_view text) noexcept {
  return PyRef::steal(PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()), "replace"));
}

// A new reference returned by the C API as a result: null means the call raised.
inline PyResult<PyRef> checked(PyObject* new_reference) noexcept {
  if (new_reference == nullptr) return raised();
  return PyRef::steal(new_reference);
}

}  // namespace norvi::binding
