// _norvi_binding_probe: a test-only extension that drives the binding's boundary machinery with tables
// the tests choose, so its wording and conversions can be compared with the interpreter's own.

#include <fmt/format.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "argument_binder.hpp"
#include "conversions.hpp"
#include "entry_points.hpp"
#include "exceptions.hpp"
#include "payload_class.hpp"

namespace norvi::binding::probe {
namespace {

// ---- binder with a table given at run time

constexpr auto bind_signature = signature("probe.bind", {{"function"}, {"parameters"}, {"args"}, {"kwargs"}});

struct DynamicSignature {
  std::string function;
  std::vector<std::string> names;
  std::vector<Parameter> parameters;
};

// parameters: a sequence of (name, keyword_only, required)
PyResult<DynamicSignature> read_signature(const Arguments<4>& bound) {
  DynamicSignature sig;
  auto function = bound.convert(0, extract_text);
  if (!function) return raised();
  sig.function = *function;
  PyRef rows = PyRef::steal(PySequence_Tuple(bound[1]));
  if (!rows) return raised();
  const Py_ssize_t n = PyTuple_GET_SIZE(rows.get());
  sig.names.reserve(static_cast<std::size_t>(n));
  for (Py_ssize_t i = 0; i < n; ++i) {
    PyObject* row = PyTuple_GET_ITEM(rows.get(), i);
    if (!PyTuple_Check(row) || PyTuple_GET_SIZE(row) != 3) return raise_not_an_instance(row, "tuple of 3");
    auto name = extract_text(PyTuple_GET_ITEM(row, 0));
    auto keyword_only = name ? extract_flag(PyTuple_GET_ITEM(row, 1)) : raised();
    auto required = keyword_only ? extract_flag(PyTuple_GET_ITEM(row, 2)) : raised();
    if (!required) return raised();
    sig.names.push_back(*name);
    sig.parameters.push_back({nullptr, *keyword_only ? Pass::keyword_only : Pass::positional_or_keyword,
                              *required ? Need::required : Need::optional});
  }
  for (std::size_t i = 0; i < sig.names.size(); ++i) sig.parameters[i].name = sig.names[i].c_str();
  return sig;
}

PyRef bound_as_dict(const DynamicSignature& sig, const std::vector<PyObject*>& bound) {
  PyRef out = PyRef::steal(PyDict_New());
  if (!out) return {};
  for (std::size_t i = 0; i < bound.size(); ++i) {
    if (bound[i] != nullptr && PyDict_SetItemString(out.get(), sig.names[i].c_str(), bound[i]) < 0) return {};
  }
  return out;
}

// The fast-call path, fed by a vector of positional values, then keyword values named by a tuple.
PyRef bind_fast(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  auto bound = bind(bind_signature, args, nargs, kwnames);
  if (!bound) return {};
  auto sig = read_signature(*bound);
  if (!sig) return {};
  PyObject* positional = (*bound)[2];
  PyObject* keywords = (*bound)[3];
  if (!PyTuple_Check(positional)) return raise_not_an_instance(positional, "tuple"), PyRef();
  if (!PyDict_Check(keywords)) return raise_not_an_instance(keywords, "dict"), PyRef();
  std::vector<PyObject*> vector(&PyTuple_GET_ITEM(positional, 0),
                                &PyTuple_GET_ITEM(positional, 0) + PyTuple_GET_SIZE(positional));
  PyRef names = PyRef::steal(PyTuple_New(PyDict_GET_SIZE(keywords)));
  if (!names) return {};
  Py_ssize_t position = 0;
  Py_ssize_t k = 0;
  PyObject* key = nullptr;
  PyObject* value = nullptr;
  while (PyDict_Next(keywords, &position, &key, &value)) {
    Py_INCREF(key);
    PyTuple_SET_ITEM(names.get(), k++, key);
    vector.push_back(value);
  }
  std::vector<PyObject*> slots(sig->parameters.size());
  SignatureView view{sig->function.c_str(), sig->parameters};
  if (!detail::bind_vector(view, vector.data(), static_cast<std::size_t>(PyTuple_GET_SIZE(positional)),
                           k == 0 ? nullptr : names.get(), slots))
    return {};
  return bound_as_dict(*sig, slots);
}

// The constructor path: positional tuple and keyword dictionary.
PyRef bind_tuple(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  auto bound = bind(bind_signature, args, nargs, kwnames);
  if (!bound) return {};
  auto sig = read_signature(*bound);
  if (!sig) return {};
  std::vector<PyObject*> slots(sig->parameters.size());
  SignatureView view{sig->function.c_str(), sig->parameters};
  if (!detail::bind_tuple(view, (*bound)[2], PyDict_GET_SIZE((*bound)[3]) == 0 ? nullptr : (*bound)[3], slots))
    return {};
  return bound_as_dict(*sig, slots);
}

// ---- conversions

constexpr auto convert_signature = signature("probe.convert", {{"kind"}, {"value"}});

template <typename T> PyRef as_python(const T& value);
template <> PyRef as_python(const std::string& value) { return make_text(value); }
template <> PyRef as_python(const bool& value) { return make_flag(value); }
template <> PyRef as_python(const std::uint64_t& value) { return make_u64(value); }
template <> PyRef as_python(const double& value) { return PyRef::steal(PyFloat_FromDouble(value)); }
template <> PyRef as_python(const std::vector<std::string>& value) {
  PyRef list = PyRef::steal(PyList_New(0));
  for (const std::string& text : value) {
    PyRef item = make_text(text);
    if (!list || !item || PyList_Append(list.get(), item.get()) < 0) return {};
  }
  return list;
}

template <typename R> PyRef returned(const R& result) { return result ? as_python(*result) : PyRef(); }

// convert(kind, value): the argument conversion `kind` applied to `value`, which the note names.
PyRef convert(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  auto bound = bind(convert_signature, args, nargs, kwnames);
  if (!bound) return {};
  auto kind = bound->convert(0, extract_text);
  if (!kind) return {};
  if (*kind == "text") return returned(bound->convert(1, extract_text));
  if (*kind == "flag") return returned(bound->convert(1, extract_flag));
  if (*kind == "u64") return returned(bound->convert(1, extract_u64));
  if (*kind == "f64") return returned(bound->convert(1, extract_f64));
  if (*kind == "text_list") return returned(bound->convert(1, extract_text_list));
  if (*kind == "optional_text") {
    auto text = bound->convert_optional(1, extract_text);
    if (!text) return {};
    return *text ? make_text(**text) : PyRef::borrow(Py_None);
  }
  PyErr_Format(PyExc_ValueError, "unknown conversion %s", kind->c_str());
  return {};
}

constexpr auto seconds_signature = signature("probe.seconds", {{"value"}});

// seconds(value) -> (whole seconds, nanoseconds, saturated nanoseconds)
PyRef seconds(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  auto bound = bind(seconds_signature, args, nargs, kwnames);
  if (!bound) return {};
  auto value = bound->convert(0, extract_f64);
  if (!value) return {};
  auto duration = duration_from_seconds(*value);
  if (!duration) return {};
  return PyRef::steal(Py_BuildValue("(KIL)", static_cast<unsigned long long>(duration->seconds),
                                    static_cast<unsigned int>(duration->nanoseconds),
                                    static_cast<long long>(duration->saturated().count())));
}

// ---- the boundary: C++ exceptions and client errors

constexpr auto message_signature = signature("probe.message", {{"message"}});

PyRef fault(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  auto bound = bind(message_signature, args, nargs, kwnames);
  if (!bound) return {};
  auto message = bound->convert(0, extract_text);
  if (!message) return {};
  throw std::runtime_error(*message);
}

PyRef client_error(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  auto bound = bind(message_signature, args, nargs, kwnames);
  if (!bound) return {};
  auto message = bound->convert(0, extract_text);
  if (!message) return {};
  client_error_to_pyerr(client::errors::Auth{*message});
  return {};
}

PyRef brevora_error(PyObject*) { return PyRef::borrow(reinterpret_cast<PyObject*>(brevora_error_type())); }
PyRef internal_fault(PyObject*) { return PyRef::borrow(reinterpret_cast<PyObject*>(internal_fault_type())); }

// ---- a payload class whose records count their destruction

int destroyed_records = 0;

struct CountedPayload {
  std::string label;
  bool live = true;
  CountedPayload(std::string text) : label(std::move(text)) {}
  CountedPayload(CountedPayload&& other) noexcept : label(std::move(other.label)) { other.live = false; }
  ~CountedPayload() { destroyed_records += live ? 1 : 0; }
};

PyRef counted_label(PyObject* self) {
  auto payload = PayloadClass<CountedPayload>::borrow(self);
  if (!payload) return {};
  return make_text((*payload)->label);
}

// The borrow counter as seen while this call holds its shared borrow.
PyRef borrow_count(PyObject* self) {
  auto payload = PayloadClass<CountedPayload>::borrow(self);
  if (!payload) return {};
  auto* object = reinterpret_cast<PayloadObject<CountedPayload>*>(self);
  return PyRef::steal(PyLong_FromSsize_t(object->borrow.load()));
}

// A shared borrow attempted while the object is marked as borrowed exclusively.
PyRef borrow_while_exclusive(PyObject* self) {
  auto* object = reinterpret_cast<PayloadObject<CountedPayload>*>(self);
  object->borrow.store(-1);
  auto payload = PayloadClass<CountedPayload>::borrow(self);
  object->borrow.store(0);
  if (!payload) return {};
  return PyRef::borrow(Py_None);
}

PyMethodDef counted_methods[] = {
    method<&borrow_count>("borrow_count", "borrow_count($self)\n--\n\n"),
    method<&borrow_while_exclusive>("borrow_while_exclusive", "borrow_while_exclusive($self)\n--\n\n"),
    {},
};
PyGetSetDef counted_getters[] = {getter<&counted_label>("label", "The record's label."), {}};
const ClassSpec counted_spec{"norvi_binding_probe.Counted", "A record that counts its destruction.", counted_methods,
                             counted_getters};
PayloadClass<CountedPayload> counted_class(counted_spec);

PyRef make_counted(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  auto bound = bind(message_signature, args, nargs, kwnames);
  if (!bound) return {};
  auto label = bound->convert(0, extract_text);
  if (!label) return {};
  auto object = counted_class.wrap(CountedPayload(std::move(*label)));
  return object ? std::move(*object) : PyRef();
}

PyRef destroyed(PyObject*) { return PyRef::steal(PyLong_FromLong(destroyed_records)); }

PyMethodDef functions[] = {
    method<&bind_fast>("bind_fast", "bind_fast(function, parameters, args, kwargs)\n--\n\n"),
    method<&bind_tuple>("bind_tuple", "bind_tuple(function, parameters, args, kwargs)\n--\n\n"),
    method<&convert>("convert", "convert(kind, value)\n--\n\n"),
    method<&seconds>("seconds", "seconds(value)\n--\n\n"),
    method<&fault>("fault", "fault(message)\n--\n\n"),
    method<&client_error>("client_error", "client_error(message)\n--\n\n"),
    method<&brevora_error>("brevora_error", "brevora_error($module)\n--\n\n"),
    method<&internal_fault>("internal_fault", "internal_fault($module)\n--\n\n"),
    method<&make_counted>("make_counted", "make_counted(message)\n--\n\n"),
    method<&destroyed>("destroyed", "destroyed($module)\n--\n\n"),
    {},
};

int add_probe_classes(PyObject* module) {
  PyTypeObject* counted = counted_class.type();
  if (counted == nullptr) return -1;
  return PyModule_AddObjectRef(module, "Counted", reinterpret_cast<PyObject*>(counted));
}

PyModuleDef_Slot slots[] = {
    {Py_mod_exec, reinterpret_cast<void*>(entry<&add_probe_classes>)},
    {0, nullptr},
};

PyModuleDef probe_def = {
    PyModuleDef_HEAD_INIT, "_norvi_binding_probe", "", 0, functions, slots, nullptr, nullptr, nullptr,
};

}  // namespace
}  // namespace norvi::binding::probe

extern "C" __attribute__((visibility("default"))) PyObject* PyInit__norvi_binding_probe() {
  return PyModuleDef_Init(&norvi::binding::probe::probe_def);
}
