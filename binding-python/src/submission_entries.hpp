#pragma once
// The road shared by the submission entry points (BrevoraBackend.run, run_raw, run_with_mode and
// BrevoraPlatform.submit): their argument conversions, the submission itself and the new TaskHandle.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "norvi/client/calibration_mode.hpp"
#include "py_ref.hpp"

namespace norvi::client {
class PlatformClient;
}

namespace norvi::binding {

// Submits and wraps the record in a new TaskHandle; a client error is raised as BrevoraError. When
// earlier batches were accepted before a later one failed, their task ids are named in a note on the
// exception, since those tasks run on the platform all the same.
PyRef submit_and_wrap(std::shared_ptr<client::PlatformClient> client, std::vector<std::string> texts,
                      std::uint64_t shots, std::string device_name, client::CalibrationMode mode);

// BrevoraPlatform.submit(circuits, shots, device_name, *, calibration_mode='auto') on the platform's
// client: the device name is sent as given, without listing the devices.
PyRef submit_to_device(const std::shared_ptr<client::PlatformClient>& client, PyObject* const* args,
                       Py_ssize_t nargs, PyObject* kwnames);

}  // namespace norvi::binding
