#pragma once
// Every Python-callable entry of the binding (method, getter, slot, exec step) runs inside `entry<Fn>`:
// a C++ exception thrown inside never reaches the interpreter but arrives there as InternalFault.
// The helpers below build the method, getter and slot tables of a class from plain functions:
//
//   PyRef name(PyObject* self);                                                 getter, or method without arguments
//   PyRef login(PyObject* self, PyObject* const* args, Py_ssize_t n, PyObject* kwnames);   method with arguments
//   PyRef repr(PyObject* self);  PyRef create(PyTypeObject*, PyObject* args, PyObject* kwargs);  slots
//
// An entry returns an empty PyRef (or -1 for int and hash slots) with the Python error set on failure.

#include <type_traits>

#include "exceptions.hpp"
#include "py_ref.hpp"

namespace norvi::binding {
namespace detail {

template <typename R> constexpr R failure_value() noexcept {
  if constexpr (std::is_pointer_v<R>) {
    return nullptr;
  } else {
    return static_cast<R>(-1);
  }
}

template <auto Fn> struct Entry;

template <typename R, typename... A, R (*Fn)(A...)> struct Entry<Fn> {
  using Out = std::conditional_t<std::is_same_v<R, PyRef>, PyObject*, R>;
  static Out call(A... args) noexcept {
    try {
      if constexpr (std::is_same_v<R, PyRef>) {
        return Fn(args...).release();
      } else {
        return Fn(args...);
      }
    } catch (...) {
      raise_fault_from_current_exception();
    }
    return failure_value<Out>();
  }
};

template <auto Fn> PyObject* getter_entry(PyObject* self, void*) noexcept { return Entry<Fn>::call(self); }
template <auto Fn> PyObject* no_arguments_entry(PyObject* self, PyObject*) noexcept { return Entry<Fn>::call(self); }

template <typename F> PyCFunction as_cfunction(F* function) {
  return reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(function));
}

}  // namespace detail

// The guarded form of `Fn`, with `Fn`'s parameters and a raw result (PyRef becomes a new reference).
template <auto Fn> inline constexpr auto entry = &detail::Entry<Fn>::call;

// A method table row. `Fn` either takes only `self` (METH_NOARGS) or the fast-call vector with keyword
// names (METH_FASTCALL | METH_KEYWORDS). `doc` begins with the text signature, "--" and an empty line.
// Pass METH_STATIC as `extra_flags` for a static method (`self` is then null).
template <auto Fn> PyMethodDef method(const char* name, const char* doc, int extra_flags = 0) {
  if constexpr (std::is_invocable_v<decltype(Fn), PyObject*>) {
    return {name, detail::as_cfunction(&detail::no_arguments_entry<Fn>), METH_NOARGS | extra_flags, doc};
  } else {
    return {name, detail::as_cfunction(entry<Fn>), METH_FASTCALL | METH_KEYWORDS | extra_flags, doc};
  }
}

// A read-only attribute: `Fn` takes `self`.
template <auto Fn> PyGetSetDef getter(const char* name, const char* doc) {
  return {name, &detail::getter_entry<Fn>, nullptr, doc, nullptr};
}

// A type slot (Py_tp_repr, Py_tp_str, Py_tp_hash, Py_tp_richcompare, Py_tp_new) with the slot's own signature.
template <auto Fn> PyType_Slot slot(int id) { return {id, reinterpret_cast<void*>(entry<Fn>)}; }

}  // namespace norvi::binding
