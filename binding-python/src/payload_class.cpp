#include "payload_class.hpp"

#include <vector>

namespace norvi::binding::detail {

PyObject* create_payload_type(const ClassSpec& spec, std::size_t basic_size, destructor dealloc) {
  std::vector<PyType_Slot> slots;
  slots.push_back({Py_tp_dealloc, reinterpret_cast<void*>(dealloc)});
  if (spec.doc != nullptr) slots.push_back({Py_tp_doc, const_cast<char*>(spec.doc)});
  if (spec.methods != nullptr) slots.push_back({Py_tp_methods, spec.methods});
  if (spec.getters != nullptr) slots.push_back({Py_tp_getset, spec.getters});
  bool has_constructor = false;
  for (const PyType_Slot& s : spec.slots) {
    slots.push_back(s);
    has_constructor = has_constructor || s.slot == Py_tp_new;
  }
  slots.push_back({0, nullptr});

  // No Py_TPFLAGS_BASETYPE: the class is final. Without a constructor the inherited object.__new__
  // would make objects whose payload was never built, so instantiation is refused outright.
  unsigned int flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_IMMUTABLETYPE;
  if (!has_constructor) flags |= Py_TPFLAGS_DISALLOW_INSTANTIATION;
  PyType_Spec type_spec = {spec.qualified_name, static_cast<int>(basic_size), 0, flags, slots.data()};
  return PyType_FromSpec(&type_spec);
}

std::unexpected<PyRaised> raise_already_mutably_borrowed() noexcept {
  PyErr_SetString(PyExc_RuntimeError, "Already mutably borrowed");
  return raised();
}

}  // namespace norvi::binding::detail
