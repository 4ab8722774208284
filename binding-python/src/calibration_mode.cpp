#include "calibration_mode.hpp"

namespace norvi::binding {
namespace {

const ClassSpec spec{"norvi_brevora.CalibrationMode", "Readout-error mitigation policy: 'auto', 'enabled' or 'disabled'."};

}  // namespace

PayloadClass<CalibrationModePayload> calibration_mode_class(spec);

}  // namespace norvi::binding
