#pragma once
// The behaviour shared by the value enumerations (DeviceStatus, DeviceType, DeviceToll,
// CalibrationMode): `value`, `__str__`, `__repr__` and their comparisons.
//
// Equality holds with an object of the same class carrying an equal value, and with a str equal to
// the value text; anything else is unequal, never NotImplemented. `!=` asks Python for `==` and
// negates its truth value. Ordering is NotImplemented, so Python raises TypeError.
//
// A payload type P provides, found by argument-dependent lookup:
//   std::string_view enum_text(const P&);     the value text
//   bool enum_equal(const P&, const P&);      equality within the class
//   const char* enum_class_name(const P&);    the class name shown by __repr__

#include <fmt/format.h>

#include "conversions.hpp"
#include "payload_class.hpp"

namespace norvi::binding {

template <typename P, PayloadClass<P>& Class> struct ValueEnum {
  static PyRef value(PyObject* self) {
    auto payload = PayloadClass<P>::borrow(self);
    if (!payload) return {};
    return make_text(enum_text(**payload));
  }

  static PyRef repr(PyObject* self) {
    auto payload = PayloadClass<P>::borrow(self);
    if (!payload) return {};
    return make_text(fmt::format("{}('{}')", enum_class_name(**payload), enum_text(**payload)));
  }

  static PyRef richcompare(PyObject* self, PyObject* other, int op) {
    if (op == Py_EQ) {
      auto equal = equals(self, other);
      if (!equal) return {};
      return make_flag(*equal);
    }
    if (op == Py_NE) {
      PyRef equal = PyRef::steal(PyObject_RichCompare(self, other, Py_EQ));
      if (!equal) return {};
      const int truth = PyObject_IsTrue(equal.get());
      if (truth < 0) return {};
      return make_flag(truth == 0);
    }
    return PyRef::borrow(Py_NotImplemented);
  }

 private:
  static PyResult<bool> equals(PyObject* self, PyObject* other) {
    PyTypeObject* type = Class.type();
    if (type == nullptr) return raised();
    auto mine = PayloadClass<P>::borrow(self);
    if (!mine) return raised();
    if (PyObject_TypeCheck(other, type)) {
      auto theirs = PayloadClass<P>::borrow(other);
      if (!theirs) return raised();
      return enum_equal(**mine, **theirs);
    }
    if (PyUnicode_Check(other)) {
      Py_ssize_t size = 0;
      const char* data = PyUnicode_AsUTF8AndSize(other, &size);
      if (data == nullptr) {
        // A str with lone surrogates has no UTF-8 form; it equals no value text.
        if (!PyErr_ExceptionMatches(PyExc_UnicodeEncodeError)) return raised();
        PyErr_Clear();
        return false;
      }
      return std::string_view(data, static_cast<std::size_t>(size)) == enum_text(**mine);
    }
    return false;
  }
};

}  // namespace norvi::binding
