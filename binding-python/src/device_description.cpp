#include "backend_object.hpp"

#include <fmt/format.h>

#include <unordered_map>

#include "exceptions.hpp"
#include "host_package.hpp"
#include "norvi/client/backend.hpp"
#include "norvi/client/device_config.hpp"
#include "norvi/core/gates/standard_gate.hpp"

namespace norvi::binding {
namespace {

template <typename Work> PyRef with_device_config(PyObject* self, Work work) {
  auto backend = PayloadClass<BackendPayload>::borrow(self);
  if (!backend) return {};
  auto config = client::cached_device_config((*backend)->record);
  if (!config) {
    client_error_to_pyerr(std::move(config.error()));
    return {};
  }
  auto made = work(**config);
  return made ? std::move(*made) : PyRef();
}

// A new list of the qubits as ints, ascending.
PyResult<PyRef> qubit_list(const core::Device& device) {
  auto list = host_list(static_cast<Py_ssize_t>(device.registered_qubits().size()));
  if (!list) return raised();
  Py_ssize_t i = 0;
  for (core::QubitIndex qubit : device.registered_qubits()) {
    auto number = host_int(qubit);
    if (!number) return raised();
    PyList_SET_ITEM(list->get(), i++, number->release());
  }
  return list;
}

// (source qubit, target qubit, coupler name) per edge, in edge order.
PyResult<PyRef> coupler_list(const core::Topology& topology) {
  std::unordered_map<core::NodeIndex, core::QubitIndex> qubit_of_node;
  for (const auto& node : topology.nodes()) qubit_of_node.emplace(node.node, node.qubit);
  const auto edges = topology.edges();
  auto list = host_list(static_cast<Py_ssize_t>(edges.size()));
  if (!list) return raised();
  for (std::size_t i = 0; i < edges.size(); ++i) {
    PyRef ends[2];
    const core::NodeIndex nodes[2] = {edges[i].source, edges[i].target};
    for (int end = 0; end < 2; ++end) {
      const auto found = qubit_of_node.find(nodes[end]);
      if (found == qubit_of_node.end()) {
        PyErr_SetString(PyExc_RuntimeError, fmt::format("Internal error: node {} not in qubit map", nodes[end]).c_str());
        return raised();
      }
      auto number = host_int(found->second);
      if (!number) return raised();
      ends[end] = std::move(*number);
    }
    auto name = host_text(edges[i].name);
    if (!name) return raised();
    PyObject* tuple = PyTuple_Pack(3, ends[0].get(), ends[1].get(), name->get());
    if (tuple == nullptr) return raise_value_not_made("tuple");
    PyList_SET_ITEM(list->get(), static_cast<Py_ssize_t>(i), tuple);
  }
  return list;
}

PyResult<PyRef> native_gate_list(const core::Device& device, PyObject* instruction_class, PyObject* gate_class) {
  const auto& gates = device.native_gates();
  auto list = host_list(static_cast<Py_ssize_t>(gates.size()));
  if (!list) return raised();
  for (std::size_t i = 0; i < gates.size(); ++i) {
    const core::StandardGate* gate = gates[i].standard_gate();
    if (gate == nullptr) {
      PyErr_SetString(PyExc_ValueError, fmt::format("cannot convert non-standard native gate to Python: {}",
                                                    core::instruction_name(gates[i]))
                                            .c_str());
      return raised();
    }
    auto member = attribute_of(gate_class, std::string(core::standard_gate_name(*gate)).c_str());
    if (!member) return raised();
    auto from_standard_gate = attribute_of(instruction_class, "from_standard_gate");
    if (!from_standard_gate) return raised();
    auto instruction = checked(PyObject_CallOneArg(from_standard_gate->get(), member->get()));
    if (!instruction) return raised();
    PyList_SET_ITEM(list->get(), static_cast<Py_ssize_t>(i), instruction->release());
  }
  return list;
}

// Topology(qubits, couplers), Device(name, qubits, topology), then native_gates set on the device.
PyResult<PyRef> device_to_py(const core::Device& device) {
  auto device_module = host_module("norvi.device");
  if (!device_module) return raised();
  auto circuit_module = host_module("norvi.circuit");
  if (!circuit_module) return raised();
  auto device_class = attribute_of(device_module->get(), "Device");
  if (!device_class) return raised();
  auto topology_class = attribute_of(device_module->get(), "Topology");
  if (!topology_class) return raised();
  auto instruction_class = attribute_of(circuit_module->get(), "Instruction");
  if (!instruction_class) return raised();
  auto gate_class = attribute_of(circuit_module->get(), "StandardGate");
  if (!gate_class) return raised();

  auto qubits = qubit_list(device);
  if (!qubits) return raised();
  auto couplers = coupler_list(device.topology());
  if (!couplers) return raised();
  PyObject* topology_arguments[] = {qubits->get(), couplers->get()};
  auto topology = checked(PyObject_Vectorcall(topology_class->get(), topology_arguments, 2, nullptr));
  if (!topology) return raised();

  auto name = host_text(device.name());
  if (!name) return raised();
  auto device_qubits = qubit_list(device);
  if (!device_qubits) return raised();
  PyObject* device_arguments[] = {name->get(), device_qubits->get(), topology->get()};
  auto object = checked(PyObject_Vectorcall(device_class->get(), device_arguments, 3, nullptr));
  if (!object) return raised();

  auto natives = native_gate_list(device, instruction_class->get(), gate_class->get());
  if (!natives) return raised();
  if (PyObject_SetAttrString(object->get(), "native_gates", natives->get()) < 0) return raised();
  return object;
}

}  // namespace

PyRef backend_num_qubits(PyObject* self) {
  return with_device_config(self, [](const client::DeviceConfig& config) { return host_int(config.device.num_qubits()); });
}

PyRef backend_device_config(PyObject* self) {
  // The cache mutex is released by now: the host calls below run Python code.
  return with_device_config(self, [](const client::DeviceConfig& config) { return device_to_py(config.device); });
}

const char* const num_qubits_doc =
    "num_qubits($self)\n--\n\n"
    "Return the total number of physical qubits in the backend configuration.\n\n"
    "Downloads the backend configuration on first use and reuses the cached\n"
    "configuration afterwards. Disabled qubits are included in this count.\n"
    "Only superconducting backends support this operation.";

const char* const device_config_doc =
    "device_config($self)\n--\n\n"
    "Download the device calibration configuration (superconducting backends only).\n\n"
    "Returns a `norvi.device.Device` object populated with topology,\n"
    "qubit properties, gate errors, and readout fidelities.\n\n"
    "The result is cached after the first call.";

}  // namespace norvi::binding
