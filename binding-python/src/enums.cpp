#include "enums.hpp"

namespace norvi::binding {
namespace {

const ClassSpec status_spec{"norvi_brevora.DeviceStatus", "Operational status of a backend."};
const ClassSpec type_spec{"norvi_brevora.DeviceType", "Technology class of a backend, classified from its machine code."};
const ClassSpec toll_spec{"norvi_brevora.DeviceToll", "Pricing model of a backend."};

}  // namespace

PayloadClass<DeviceStatusPayload> device_status_class(status_spec);
PayloadClass<DeviceTypePayload> device_type_class(type_spec);
PayloadClass<DeviceTollPayload> device_toll_class(toll_spec);

}  // namespace norvi::binding
