#include "calibration_mode.hpp"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "argument_binder.hpp"
#include "conversions.hpp"
#include "entry_points.hpp"
#include "value_enum.hpp"

#include <fmt/format.h>

namespace norvi::binding {

std::string_view enum_text(const CalibrationModePayload& p) { return client::calibration_mode_text(p.mode); }
bool enum_equal(const CalibrationModePayload& a, const CalibrationModePayload& b) { return a.mode == b.mode; }
const char* enum_class_name(const CalibrationModePayload&) { return "CalibrationMode"; }

namespace {

using ModeEnum = ValueEnum<CalibrationModePayload, calibration_mode_class>;

PyResult<client::CalibrationMode> parse_mode(const std::string& text) {
  if (auto mode = client::parse_calibration_mode(text)) return *mode;
  PyRef message = make_text(fmt::format("Unknown CalibrationMode '{}'; expected 'auto', 'enabled', or 'disabled'", text));
  if (message) PyErr_SetObject(PyExc_ValueError, message.get());
  return raised();
}

constexpr auto mode_signature = signature("CalibrationMode.__new__", {{"value"}});

// A bad text is the constructor's own ValueError, without a note; only a value that is no str gets one.
PyRef mode_new(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
  auto bound = bind(mode_signature, args, kwargs);
  if (!bound) return {};
  auto text = bound->convert(0, extract_text);
  if (!text) return {};
  auto mode = parse_mode(*text);
  if (!mode) return {};
  auto object = PayloadClass<CalibrationModePayload>::wrap_into(type, {*mode});
  return object ? std::move(*object) : PyRef();
}

// SipHash-1-3 with both keys zero: one compression round per 8-byte block, three finalisation rounds.
std::uint64_t siphash13_zero_keys(std::string_view bytes) {
  std::uint64_t v0 = 0x736f6d6570736575ULL;
  std::uint64_t v1 = 0x646f72616e646f6dULL;
  std::uint64_t v2 = 0x6c7967656e657261ULL;
  std::uint64_t v3 = 0x7465646279746573ULL;
  auto round = [&] {
    v0 += v1; v1 = std::rotl(v1, 13); v1 ^= v0; v0 = std::rotl(v0, 32);
    v2 += v3; v3 = std::rotl(v3, 16); v3 ^= v2;
    v0 += v3; v3 = std::rotl(v3, 21); v3 ^= v0;
    v2 += v1; v1 = std::rotl(v1, 17); v1 ^= v2; v2 = std::rotl(v2, 32);
  };
  auto compress = [&](std::uint64_t m) {
    v3 ^= m;
    round();
    v0 ^= m;
  };
  std::size_t i = 0;
  for (; i + 8 <= bytes.size(); i += 8) {
    std::uint64_t m = 0;
    for (std::size_t k = 0; k < 8; ++k) m |= static_cast<std::uint64_t>(static_cast<unsigned char>(bytes[i + k])) << (8 * k);
    compress(m);
  }
  std::uint64_t last = static_cast<std::uint64_t>(bytes.size()) << 56;
  for (std::size_t k = 0; i + k < bytes.size(); ++k) {
    last |= static_cast<std::uint64_t>(static_cast<unsigned char>(bytes[i + k])) << (8 * k);
  }
  compress(last);
  v2 ^= 0xff;
  round();
  round();
  round();
  return v0 ^ v1 ^ v2 ^ v3;
}

// Over the value text and one byte 0xFF; unrelated to the hash of the equal str.
Py_hash_t mode_hash(PyObject* self) {
  auto payload = PayloadClass<CalibrationModePayload>::borrow(self);
  if (!payload) return -1;
  std::string bytes(client::calibration_mode_text((*payload)->mode));
  bytes.push_back('\xff');
  const auto hash = static_cast<Py_hash_t>(siphash13_zero_keys(bytes));
  return hash == -1 ? -2 : hash;
}

PyGetSetDef mode_getters[] = {getter<&ModeEnum::value>("value", "The mode as a string."), {}};

const PyType_Slot mode_slots[] = {
    slot<&mode_new>(Py_tp_new),
    slot<&ModeEnum::repr>(Py_tp_repr),
    slot<&ModeEnum::value>(Py_tp_str),
    slot<&ModeEnum::richcompare>(Py_tp_richcompare),
    slot<&mode_hash>(Py_tp_hash),
};

const ClassSpec mode_spec{
    "norvi_brevora.CalibrationMode",
    "CalibrationMode(value)\n"
    "--\n"
    "\n"
    "Readout-error mitigation policy of a submission:\n"
    "'auto' (the default) mitigates on superconducting devices when calibration data is available and at\n"
    "most 14 qubits are measured; 'enabled' requires a superconducting device and calibration data;\n"
    "'disabled' always returns raw counts.",
    nullptr,
    mode_getters,
    mode_slots,
};

}  // namespace

PayloadClass<CalibrationModePayload> calibration_mode_class(mode_spec);

PyResult<client::CalibrationMode> extract_calibration_mode(PyObject* object) {
  PyTypeObject* type = calibration_mode_class.type();
  if (type == nullptr) return raised();
  if (PyObject_TypeCheck(object, type)) {
    auto payload = PayloadClass<CalibrationModePayload>::borrow(object);
    if (!payload) return raised();
    return (*payload)->mode;
  }
  if (PyUnicode_Check(object)) {
    auto text = extract_text(object);
    if (!text) return raised();
    return parse_mode(*text);
  }
  PyErr_SetString(PyExc_TypeError, "calibration mode must be CalibrationMode or str ('auto', 'enabled', 'disabled')");
  return raised();
}

}  // namespace norvi::binding
