#pragma once
// Execution results handed to Python as objects of the host class norvi.device.ExecutionResult,
// made by calling the host package (interpreter lock held).

#include <cstdint>
#include <vector>

#include "norvi/core/result/execution_result.hpp"
#include "py_ref.hpp"

namespace norvi::binding {

// One norvi.Qubit made by calling `qubit_class` with the index.
PyResult<PyRef> qubit_to_py_next(PyObject* qubit_class, std::uint32_t index);

// ExecutionResult(name, [Qubit, ...], shots, width, note), then start(), finish({text: count}) and
// calc_probabilities() on it. Status, times and probabilities of the record are not passed on.
PyResult<PyRef> execution_result_to_py(const core::ExecutionResult& record);

// A new list of host objects in record order; the first failure ends it with that exception. An
// empty list imports nothing.
PyResult<PyRef> results_to_pylist(std::vector<core::ExecutionResult> records);

}  // namespace norvi::binding
