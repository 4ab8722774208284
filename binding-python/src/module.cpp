// The extension module's definition: multi-phase initialisation with one exec step.

#define PY_SSIZE_T_CLEAN
#include <Python.h>

namespace {

int add_module_classes(PyObject* module) {
  PyObject* names = PyList_New(0);
  if (names == nullptr) return -1;
  const int rc = PyModule_AddObjectRef(module, "__all__", names);
  Py_DECREF(names);
  return rc;
}

PyModuleDef_Slot module_slots[] = {
    {Py_mod_exec, reinterpret_cast<void*>(&add_module_classes)},
    {0, nullptr},
};

PyModuleDef module_def = {
    PyModuleDef_HEAD_INIT, "_norvi_brevora", "", 0, nullptr, module_slots, nullptr, nullptr, nullptr,
};

}  // namespace

extern "C" __attribute__((visibility("default"))) PyObject* PyInit__norvi_brevora() {
  return PyModuleDef_Init(&module_def);
}
