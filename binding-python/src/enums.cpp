#include "enums.hpp"

#include <array>

#include "entry_points.hpp"
#include "value_enum.hpp"

namespace norvi::binding {

// The raw code of an unknown status or toll shows only in equality, never in a text.
std::string_view enum_text(const DeviceStatusPayload& p) { return client::device_status_text(p.value.kind); }
std::string_view enum_text(const DeviceTypePayload& p) { return client::device_type_text(p.value); }
std::string_view enum_text(const DeviceTollPayload& p) { return client::device_toll_text(p.value.kind); }
bool enum_equal(const DeviceStatusPayload& a, const DeviceStatusPayload& b) { return a.value == b.value; }
bool enum_equal(const DeviceTypePayload& a, const DeviceTypePayload& b) { return a.value == b.value; }
bool enum_equal(const DeviceTollPayload& a, const DeviceTollPayload& b) { return a.value == b.value; }
const char* enum_class_name(const DeviceStatusPayload&) { return "DeviceStatus"; }
const char* enum_class_name(const DeviceTypePayload&) { return "DeviceType"; }
const char* enum_class_name(const DeviceTollPayload&) { return "DeviceToll"; }

namespace {

using StatusEnum = ValueEnum<DeviceStatusPayload, device_status_class>;
using TypeEnum = ValueEnum<DeviceTypePayload, device_type_class>;
using TollEnum = ValueEnum<DeviceTollPayload, device_toll_class>;

// Equal to a str but hashed apart from it, which would break dictionaries: no hash at all.
template <typename Enum> std::array<PyType_Slot, 4> enum_slots() {
  return {{
      slot<&Enum::repr>(Py_tp_repr),
      slot<&Enum::value>(Py_tp_str),
      slot<&Enum::richcompare>(Py_tp_richcompare),
      {Py_tp_hash, reinterpret_cast<void*>(&PyObject_HashNotImplemented)},
  }};
}

PyGetSetDef status_getters[] = {getter<&StatusEnum::value>("value", "The status as a string."), {}};
PyGetSetDef type_getters[] = {getter<&TypeEnum::value>("value", "The device type as a string."), {}};
PyGetSetDef toll_getters[] = {getter<&TollEnum::value>("value", "The pricing model as a string."), {}};

const auto status_slots = enum_slots<StatusEnum>();
const auto type_slots = enum_slots<TypeEnum>();
const auto toll_slots = enum_slots<TollEnum>();

const ClassSpec status_spec{
    "norvi_brevora.DeviceStatus",
    "Operational status of a backend: 'running', 'calibration', 'under_maintenance', 'offline', 'upgrading'\n"
    "or 'unknown'. Compares equal to its value text.",
    nullptr, status_getters, status_slots};
const ClassSpec type_spec{
    "norvi_brevora.DeviceType",
    "Technology class of a backend, classified from its machine code: 'superconducting', 'photonic',\n"
    "'ion_trap' or 'simulator'. Compares equal to its value text.",
    nullptr, type_getters, type_slots};
const ClassSpec toll_spec{
    "norvi_brevora.DeviceToll",
    "Pricing model of a backend: 'free', 'paid' or 'unknown'. Compares equal to its value text.",
    nullptr, toll_getters, toll_slots};

template <typename P> PyRef wrapped(PayloadClass<P>& cls, P payload) {
  auto object = cls.wrap(std::move(payload));
  return object ? std::move(*object) : PyRef();
}

}  // namespace

PayloadClass<DeviceStatusPayload> device_status_class(status_spec);
PayloadClass<DeviceTypePayload> device_type_class(type_spec);
PayloadClass<DeviceTollPayload> device_toll_class(toll_spec);

PyRef make_device_status(client::DeviceStatus value) { return wrapped(device_status_class, {value}); }
PyRef make_device_type(client::DeviceType value) { return wrapped(device_type_class, {value}); }
PyRef make_device_toll(client::DeviceToll value) { return wrapped(device_toll_class, {value}); }

}  // namespace norvi::binding
