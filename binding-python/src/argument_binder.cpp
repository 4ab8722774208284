// Order of checks, so that a call with several faults always reports the same one: too many positional
// arguments first, then keywords (unknown name, a value given twice), then missing positional, then missing
// keyword-only arguments.

#include "argument_binder.hpp"

#include <fmt/format.h>

#include <string>
#include <vector>

namespace norvi::binding::detail {
namespace {

std::size_t positional_count(SignatureView signature) {
  std::size_t n = 0;
  while (n < signature.parameters.size() && signature.parameters[n].pass == Pass::positional_or_keyword) ++n;
  return n;
}

std::unexpected<PyRaised> type_error(const std::string& text) {
  PyErr_SetString(PyExc_TypeError, text.c_str());
  return raised();
}

const char* plural(std::size_t n) { return n == 1 ? "" : "s"; }

// 'a' / 'a' and 'b' / 'a', 'b', and 'c'
std::string quoted_list(const std::vector<const char*>& names) {
  std::string out;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i != 0) out += names.size() > 2 ? (i + 1 == names.size() ? ", and " : ", ") : " and ";
    out += fmt::format("'{}'", names[i]);
  }
  return out;
}

std::unexpected<PyRaised> too_many_positional(SignatureView signature, std::size_t given) {
  const std::size_t positional = positional_count(signature);
  std::size_t required = 0;
  while (required < positional && signature.parameters[required].need == Need::required) ++required;
  const std::string takes =
      required != positional ? fmt::format("from {} to {}", required, positional) : fmt::format("{}", positional);
  return type_error(fmt::format("{}() takes {} positional arguments but {} {} given", signature.function, takes, given,
                                given == 1 ? "was" : "were"));
}

PyResult<void> check_missing(SignatureView signature, std::span<PyObject*> bound, Pass pass) {
  std::vector<const char*> missing;
  for (std::size_t i = 0; i < bound.size(); ++i) {
    const Parameter& p = signature.parameters[i];
    if (p.pass == pass && p.need == Need::required && bound[i] == nullptr) missing.push_back(p.name);
  }
  if (missing.empty()) return {};
  return type_error(fmt::format("{}() missing {} required {} argument{}: {}", signature.function, missing.size(),
                                pass == Pass::keyword_only ? "keyword" : "positional", plural(missing.size()),
                                quoted_list(missing)));
}

PyResult<void> bind_keyword(SignatureView signature, PyObject* name, PyObject* value, std::span<PyObject*> bound) {
  if (!PyUnicode_Check(name)) return type_error(fmt::format("{}() keywords must be strings", signature.function));
  for (std::size_t i = 0; i < signature.parameters.size(); ++i) {
    if (PyUnicode_CompareWithASCIIString(name, signature.parameters[i].name) != 0) continue;
    if (bound[i] != nullptr) {
      PyErr_Format(PyExc_TypeError, "%s() got multiple values for argument '%S'", signature.function, name);
      return raised();
    }
    bound[i] = value;
    return {};
  }
  PyErr_Format(PyExc_TypeError, "%s() got an unexpected keyword argument '%S'", signature.function, name);
  return raised();
}

PyResult<void> bind_arguments(SignatureView signature, PyObject* const* positional, std::size_t nargs,
                              std::span<PyObject* const> keyword_names, PyObject* const* keyword_values,
                              std::span<PyObject*> bound) {
  const std::size_t positional_parameters = positional_count(signature);
  for (PyObject*& slot : bound) slot = nullptr;
  if (nargs > positional_parameters) return too_many_positional(signature, nargs);
  for (std::size_t i = 0; i < nargs; ++i) bound[i] = positional[i];
  for (std::size_t k = 0; k < keyword_names.size(); ++k) {
    if (auto ok = bind_keyword(signature, keyword_names[k], keyword_values[k], bound); !ok) return ok;
  }
  if (auto ok = check_missing(signature, bound, Pass::positional_or_keyword); !ok) return ok;
  return check_missing(signature, bound, Pass::keyword_only);
}

}  // namespace

PyResult<void> bind_vector(SignatureView signature, PyObject* const* args, std::size_t nargs, PyObject* kwnames,
                           std::span<PyObject*> bound) {
  std::span<PyObject* const> names;
  if (kwnames != nullptr) {
    names = {&PyTuple_GET_ITEM(kwnames, 0), static_cast<std::size_t>(PyTuple_GET_SIZE(kwnames))};
  }
  return bind_arguments(signature, args, nargs, names, args + nargs, bound);
}

PyResult<void> bind_tuple(SignatureView signature, PyObject* args, PyObject* kwargs, std::span<PyObject*> bound) {
  std::span<PyObject* const> positional;
  if (args != nullptr) {
    positional = {&PyTuple_GET_ITEM(args, 0), static_cast<std::size_t>(PyTuple_GET_SIZE(args))};
  }
  std::vector<PyObject*> names;
  std::vector<PyObject*> values;
  if (kwargs != nullptr) {
    Py_ssize_t position = 0;
    PyObject* name = nullptr;
    PyObject* value = nullptr;
    while (PyDict_Next(kwargs, &position, &name, &value)) {
      names.push_back(name);
      values.push_back(value);
    }
  }
  return bind_arguments(signature, positional.data(), positional.size(), names, values.data(), bound);
}

void add_argument_note(const char* parameter) noexcept {
  try {
    add_note(fmt::format("while processing '{}'", parameter));
  } catch (...) {
    // Out of memory for the note's text: the exception goes without it.
  }
}

std::unexpected<PyRaised> conversion_failed(const char* parameter) noexcept {
  if (!PyErr_Occurred()) return raise_internal_fault("an argument conversion failed without raising");
  add_argument_note(parameter);
  return raised();
}

}  // namespace norvi::binding::detail
