#pragma once
// CalibrationMode: the readout-error mitigation policy of a submission ('auto', 'enabled', 'disabled').

#include "norvi/client/calibration_mode.hpp"
#include "payload_class.hpp"

namespace norvi::binding {

struct CalibrationModePayload {
  client::CalibrationMode mode;
};

extern PayloadClass<CalibrationModePayload> calibration_mode_class;

// The conversion of a `calibration_mode` or `mode` argument: a CalibrationMode (or a subclass) gives
// its value; a str is read as the constructor reads it (ValueError for a text naming no mode);
// anything else, None included, is a TypeError.
PyResult<client::CalibrationMode> extract_calibration_mode(PyObject* object);

}  // namespace norvi::binding
