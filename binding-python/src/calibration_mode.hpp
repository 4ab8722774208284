#pragma once
// CalibrationMode: the readout-error mitigation policy of a submission.

#include "payload_class.hpp"

namespace norvi::binding {

// The record each object holds; its fields arrive with the class's behaviour.
struct CalibrationModePayload {};

extern PayloadClass<CalibrationModePayload> calibration_mode_class;

}  // namespace norvi::binding
