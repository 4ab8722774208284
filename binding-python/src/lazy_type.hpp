#pragma once
// A type object made on first use and kept for the life of the process, shared by every module object.

#include "py_ref.hpp"

namespace norvi::binding {

class LazyType {
 public:
  constexpr LazyType() = default;

  // `make` returns a new type object, or null with the Python error set; a failed creation is tried
  // again on the next use. Called with the interpreter lock held, which makes the creation happen once.
  template <typename Make> PyTypeObject* get(Make&& make) {
    if (type_ == nullptr) type_ = make();
    return reinterpret_cast<PyTypeObject*>(type_);
  }

 private:
  PyObject* type_ = nullptr;
};

}  // namespace norvi::binding
