#include "conversions.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "exceptions.hpp"

namespace norvi::binding {
namespace {

// numpy's boolean scalar type is numpy.bool_ (numpy.bool from numpy 2 on); the module is not imported here.
bool is_numpy_bool(PyObject* object) {
  PyTypeObject* type = Py_TYPE(object);
  PyRef module = PyRef::steal(PyObject_GetAttrString(reinterpret_cast<PyObject*>(type), "__module__"));
  PyRef name = module ? PyRef::steal(PyType_GetName(type)) : PyRef();
  if (!name) {
    PyErr_Clear();
    return false;
  }
  return PyUnicode_Check(module.get()) && PyUnicode_CompareWithASCIIString(module.get(), "numpy") == 0 &&
         (PyUnicode_CompareWithASCIIString(name.get(), "bool_") == 0 ||
          PyUnicode_CompareWithASCIIString(name.get(), "bool") == 0);
}

}  // namespace

PyResult<std::string> extract_text(PyObject* object) {
  if (!PyUnicode_Check(object)) return raise_not_an_instance(object, "str");
  Py_ssize_t size = 0;
  const char* data = PyUnicode_AsUTF8AndSize(object, &size);
  if (data == nullptr) return raised();
  return std::string(data, static_cast<std::size_t>(size));
}

PyResult<bool> extract_flag(PyObject* object) {
  if (PyBool_Check(object)) return object == Py_True;
  if (!is_numpy_bool(object)) return raise_not_an_instance(object, "bool");
  PyNumberMethods* number = Py_TYPE(object)->tp_as_number;
  if (number == nullptr || number->nb_bool == nullptr) {
    PyErr_Format(PyExc_TypeError, "object of type '%s' does not define a '__bool__' conversion", Py_TYPE(object)->tp_name);
    return raised();
  }
  const int truth = number->nb_bool(object);
  if (truth < 0) return raised();
  return truth != 0;
}

PyResult<std::uint64_t> extract_u64(PyObject* object) {
  PyRef index = PyRef::steal(PyNumber_Index(object));
  if (!index) return raised();
  const unsigned long long value = PyLong_AsUnsignedLongLong(index.get());
  if (value == static_cast<unsigned long long>(-1) && PyErr_Occurred()) return raised();
  return static_cast<std::uint64_t>(value);
}

PyResult<double> extract_f64(PyObject* object) {
  const double value = PyFloat_AsDouble(object);
  if (value == -1.0 && PyErr_Occurred()) return raised();
  return value;
}

PyResult<std::vector<std::string>> extract_text_list(PyObject* object) {
  if (PyUnicode_Check(object)) {
    PyErr_SetString(PyExc_TypeError, "Can't extract `str` to `Vec`");
    return raised();
  }
  if (!PySequence_Check(object)) return raise_not_an_instance(object, "Sequence");
  std::vector<std::string> texts;
  if (const Py_ssize_t size = PySequence_Size(object); size >= 0) {
    texts.reserve(static_cast<std::size_t>(std::min<Py_ssize_t>(size, 4096)));  // a hint only: __len__ may lie
  } else {
    PyErr_Clear();
  }
  PyRef iterator = PyRef::steal(PyObject_GetIter(object));
  if (!iterator) return raised();
  while (PyRef item = PyRef::steal(PyIter_Next(iterator.get()))) {
    auto text = extract_text(item.get());
    if (!text) return raised();
    texts.push_back(std::move(*text));
  }
  if (PyErr_Occurred()) return raised();
  return texts;
}

std::chrono::nanoseconds Duration::saturated() const {
  using Rep = std::chrono::nanoseconds::rep;
  constexpr auto max = std::numeric_limits<Rep>::max();
  if (seconds > static_cast<std::uint64_t>((max - nanoseconds) / 1'000'000'000)) return std::chrono::nanoseconds(max);
  return std::chrono::nanoseconds(static_cast<Rep>(seconds) * 1'000'000'000 + nanoseconds);
}

PyResult<Duration> duration_from_seconds(double seconds) {
  if (seconds < 0.0) return raise_internal_fault("cannot convert float seconds to Duration: value is negative");
  if (!(seconds < 18446744073709551616.0)) {  // 2^64; NaN fails the comparison too
    return raise_internal_fault("cannot convert float seconds to Duration: value is either too big or NaN");
  }
  const double whole = std::floor(seconds);
  const double fraction = seconds - whole;  // exact
  Duration duration{static_cast<std::uint64_t>(whole), 0};
  if (fraction == 0.0) return duration;

  // fraction = mantissa / 2^shift exactly; nanoseconds = mantissa * 10^9 / 2^shift, rounded half to even.
  __extension__ using Wide = unsigned __int128;
  int exponent = 0;
  const double normalised = std::frexp(fraction, &exponent);  // in [0.5, 1), exponent <= 0
  const auto mantissa = static_cast<std::uint64_t>(std::ldexp(normalised, 53));
  const int shift = 53 - exponent;
  const Wide product = static_cast<Wide>(mantissa) * 1'000'000'000u;  // below 2^83
  if (shift >= 100) return duration;  // far below half a nanosecond
  Wide quotient = product >> shift;
  const Wide remainder = product & ((static_cast<Wide>(1) << shift) - 1);
  const Wide half = static_cast<Wide>(1) << (shift - 1);
  if (remainder > half || (remainder == half && (quotient & 1) != 0)) ++quotient;
  if (quotient == 1'000'000'000u) {
    duration.seconds += 1;  // only below 2^53 seconds, where a fraction exists, so no overflow
  } else {
    duration.nanoseconds = static_cast<std::uint32_t>(quotient);
  }
  return duration;
}

PyRef make_flag(bool value) noexcept { return PyRef::steal(PyBool_FromLong(value ? 1 : 0)); }

PyRef make_u64(std::uint64_t value) noexcept { return PyRef::steal(PyLong_FromUnsignedLongLong(value)); }

}  // namespace norvi::binding
