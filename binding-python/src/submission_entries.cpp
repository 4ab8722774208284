#include "submission_entries.hpp"

#include <fmt/format.h>
#include <fmt/ranges.h>

#include "argument_binder.hpp"
#include "calibration_mode.hpp"
#include "conversions.hpp"
#include "exceptions.hpp"
#include "norvi/client/submission.hpp"
#include "task_handle.hpp"

namespace norvi::binding {
namespace {

constexpr auto submit_signature = signature("BrevoraPlatform.submit", {
                                                                          {"circuits"},
                                                                          {"shots"},
                                                                          {"device_name"},
                                                                          {"calibration_mode", Pass::keyword_only, Need::optional},
                                                                      });

}  // namespace

PyRef submit_and_wrap(std::shared_ptr<client::PlatformClient> client, std::vector<std::string> texts,
                      std::uint64_t shots, std::string device_name, client::CalibrationMode mode) {
  std::vector<client::CircuitItem> circuits;
  circuits.reserve(texts.size());
  for (std::string& text : texts) circuits.emplace_back(std::move(text));
  auto record = client::submit_circuits(std::move(client), std::move(circuits), shots, std::move(device_name), mode);
  if (!record) {
    client_error_to_pyerr(std::move(record.error().error));
    if (const auto& accepted = record.error().accepted_task_ids; !accepted.empty()) {
      add_note(fmt::format("tasks accepted by the platform before the failure: {}", fmt::join(accepted, ", ")));
    }
    return {};
  }
  auto task = task_class.wrap(TaskPayload{std::move(*record)});
  return task ? std::move(*task) : PyRef();
}

PyRef submit_to_device(const std::shared_ptr<client::PlatformClient>& client, PyObject* const* args,
                       Py_ssize_t nargs, PyObject* kwnames) {
  auto bound = bind(submit_signature, args, nargs, kwnames);
  if (!bound) return {};
  auto texts = bound->convert(0, extract_text_list);
  if (!texts) return {};
  auto shots = bound->convert(1, extract_u64);
  if (!shots) return {};
  auto device_name = bound->convert(2, extract_text);
  if (!device_name) return {};
  auto mode = bound->convert_or(3, extract_calibration_mode, client::CalibrationMode::Auto);
  if (!mode) return {};
  return submit_and_wrap(client, std::move(*texts), *shots, std::move(*device_name), *mode);
}

}  // namespace norvi::binding
