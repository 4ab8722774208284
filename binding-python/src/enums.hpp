#pragma once
// The read-only device enumerations DeviceStatus, DeviceType and DeviceToll shown by backends.

#include "payload_class.hpp"

namespace norvi::binding {

// The values each object holds; they arrive with the listing of backends.
struct DeviceStatusPayload {};
struct DeviceTypePayload {};
struct DeviceTollPayload {};

extern PayloadClass<DeviceStatusPayload> device_status_class;
extern PayloadClass<DeviceTypePayload> device_type_class;
extern PayloadClass<DeviceTollPayload> device_toll_class;

}  // namespace norvi::binding
