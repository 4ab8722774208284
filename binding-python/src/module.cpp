// The extension module: multi-phase initialisation with one exec step that adds the nine classes.
// Importing does nothing else: no thread, no file, no network.

#include "backend_object.hpp"
#include "calibration_mode.hpp"
#include "config_object.hpp"
#include "entry_points.hpp"
#include "enums.hpp"
#include "exceptions.hpp"
#include "platform_object.hpp"
#include "py_ref.hpp"
#include "task_handle.hpp"

namespace norvi::binding {
namespace {

using TypeGetter = PyTypeObject* (*)();

// In the order of registration, which is also the order of __all__.
const TypeGetter module_classes[] = {
    brevora_error_type,
    [] { return platform_class.type(); },
    [] { return backend_class.type(); },
    [] { return task_class.type(); },
    [] { return config_class.type(); },
    [] { return device_status_class.type(); },
    [] { return device_type_class.type(); },
    [] { return device_toll_class.type(); },
    [] { return calibration_mode_class.type(); },
};

PyResult<void> append_to_all(PyObject* module, PyObject* name) {
  PyRef all = PyRef::steal(PyObject_GetAttrString(module, "__all__"));
  if (!all) {
    if (!PyErr_ExceptionMatches(PyExc_AttributeError)) return raised();
    PyErr_Clear();
    all = PyRef::steal(PyList_New(0));
    if (!all || PyObject_SetAttrString(module, "__all__", all.get()) < 0) return raised();
  }
  if (!PyList_Check(all.get())) return raise_not_an_instance(all.get(), "list");
  if (PyList_Append(all.get(), name) < 0) return raise_internal_fault("could not append __name__ to __all__");
  return {};
}

// The first failure ends the step with its exception set, and the import fails with it.
int add_module_classes(PyObject* module) {
  if (!PyModule_Check(module)) {
    raise_not_an_instance(module, "module");
    return -1;
  }
  for (TypeGetter get_type : module_classes) {
    PyTypeObject* type = get_type();
    if (type == nullptr) return -1;
    PyRef name = PyRef::steal(PyType_GetName(type));
    if (!name) return -1;
    if (!append_to_all(module, name.get())) return -1;
    if (PyObject_SetAttr(module, name.get(), reinterpret_cast<PyObject*>(type)) < 0) return -1;
  }
  return 0;
}

PyModuleDef_Slot module_slots[] = {
    {Py_mod_exec, reinterpret_cast<void*>(entry<&add_module_classes>)},
    {0, nullptr},
};

PyModuleDef module_def = {
    PyModuleDef_HEAD_INIT, "_norvi_brevora", "", 0, nullptr, module_slots, nullptr, nullptr, nullptr,
};

}  // namespace
}  // namespace norvi::binding

extern "C" __attribute__((visibility("default"))) PyObject* PyInit__norvi_brevora() {
  return PyModuleDef_Init(&norvi::binding::module_def);
}
