#include "host_results.hpp"

#include "host_package.hpp"
#include "norvi/core/result/outcome_bits.hpp"

namespace norvi::binding {
namespace {

PyResult<PyRef> counts_dict(const core::ExecutionResult& record) {
  PyRef dict = PyRef::steal(PyDict_New());
  if (!dict) return raise_value_not_made("dict");
  for (const auto& [outcome, count] : record.counts) {
    auto text = host_text(core::bits_to_string(outcome, record.outcome_width));
    if (!text) return raised();
    auto value = host_int(count);
    if (!value) return raised();
    if (PyDict_SetItem(dict.get(), text->get(), value->get()) < 0) return raise_value_not_made("dict");
  }
  return dict;
}

PyResult<void> call_method(PyObject* object, const char* name, PyObject* argument = nullptr) {
  PyRef method_name = PyRef::steal(PyUnicode_FromString(name));
  if (!method_name) return raise_value_not_made("str");
  PyRef result = PyRef::steal(argument == nullptr ? PyObject_CallMethodNoArgs(object, method_name.get())
                                                  : PyObject_CallMethodOneArg(object, method_name.get(), argument));
  if (!result) return raised();
  return {};
}

}  // namespace

PyResult<PyRef> qubit_to_py_next(PyObject* qubit_class, std::uint32_t index) {
  auto number = host_int(index);
  if (!number) return raised();
  return checked(PyObject_CallOneArg(qubit_class, number->get()));
}

PyResult<PyRef> execution_result_to_py(const core::ExecutionResult& record) {
  auto result_class = host_member("norvi.device", "ExecutionResult");
  if (!result_class) return raised();
  auto qubit_class = host_member("norvi", "Qubit");
  if (!qubit_class) return raised();

  auto qubits = host_list(static_cast<Py_ssize_t>(record.measured_qubits.size()));
  if (!qubits) return raised();
  for (std::size_t i = 0; i < record.measured_qubits.size(); ++i) {
    auto qubit = qubit_to_py_next(qubit_class->get(), record.measured_qubits[i]);
    if (!qubit) return raised();
    PyList_SET_ITEM(qubits->get(), static_cast<Py_ssize_t>(i), qubit->release());
  }

  PyRef note = PyRef::borrow(Py_None);
  if (record.note) {
    auto text = host_text(*record.note);
    if (!text) return raised();
    note = std::move(*text);
  }
  auto name = host_text(record.name);
  if (!name) return raised();
  auto shots = host_int(record.shots);
  if (!shots) return raised();
  auto width = host_int(record.outcome_width);
  if (!width) return raised();

  PyObject* arguments[] = {name->get(), qubits->get(), shots->get(), width->get(), note.get()};
  auto object = checked(PyObject_Vectorcall(result_class->get(), arguments, 5, nullptr));
  if (!object) return raised();
  if (!call_method(object->get(), "start")) return raised();
  auto counts = counts_dict(record);
  if (!counts) return raised();
  if (!call_method(object->get(), "finish", counts->get())) return raised();
  if (!call_method(object->get(), "calc_probabilities")) return raised();
  return object;
}

PyResult<PyRef> results_to_pylist(std::vector<core::ExecutionResult> records) {
  auto list = host_list(static_cast<Py_ssize_t>(records.size()));
  if (!list) return raised();
  for (std::size_t i = 0; i < records.size(); ++i) {
    auto object = execution_result_to_py(records[i]);
    if (!object) return raised();  // the objects made so far go with `list`
    PyList_SET_ITEM(list->get(), static_cast<Py_ssize_t>(i), object->release());
  }
  return list;
}

}  // namespace norvi::binding
