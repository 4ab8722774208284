#pragma once
// The read-only device enumerations DeviceStatus, DeviceType and DeviceToll shown by backends. They
// have no constructor and are unhashable; every getter that shows one makes a new object.

#include "norvi/client/devices.hpp"
#include "payload_class.hpp"

namespace norvi::binding {

struct DeviceStatusPayload {
  client::DeviceStatus value;
};
struct DeviceTypePayload {
  client::DeviceType value;
};
struct DeviceTollPayload {
  client::DeviceToll value;
};

extern PayloadClass<DeviceStatusPayload> device_status_class;
extern PayloadClass<DeviceTypePayload> device_type_class;
extern PayloadClass<DeviceTollPayload> device_toll_class;

// New objects of the three classes.
PyRef make_device_status(client::DeviceStatus value);
PyRef make_device_type(client::DeviceType value);
PyRef make_device_toll(client::DeviceToll value);

}  // namespace norvi::binding
