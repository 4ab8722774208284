// Waiting for a task with the calibration mode's decision: which waits download the configuration,
// which correct the counts, and what a configuration without readout tables does to each mode.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>

#include "norvi/client/task_wait.hpp"
#include "support/platform_road.hpp"

namespace norvi::testing {
namespace {

using namespace std::chrono_literals;
using client::CalibrationMode;

struct WaitCase {
  const char* name;
  CalibrationMode mode;
  const char* device;
  bool readout_tables;   // the configuration document carries them
  std::size_t downloads;
  bool corrected;
  const char* error;     // empty: the results come back
};

class TaskWait : public PlatformRoadTest, public ::testing::WithParamInterface<WaitCase> {};

TEST_P(TaskWait, TheModeDecidesTheDownloadAndTheCorrection) {
  const WaitCase& c = GetParam();
  auto client = make_client(accepted_credentials(), /*save_credentials=*/false);
  ASSERT_TRUE(client);
  ASSERT_TRUE(platform().set_state(R"({"results":{"t1":{"experimentTaskId":"t1","status":0,)"
                                   R"("resultStatus":[[0],[1],[0],[0]]}}})"));
  if (!c.readout_tables) {
    ASSERT_TRUE(platform().set_state(std::string(R"({"configs":{")") + c.device +
                                     R"(":{"overview":{"qubits":["Q0","Q1"],"coupler_map":{"C0":["Q0","Q1"]}}}}})"));
  }
  client::SubmissionRecord task;
  task.task_ids = {"t1"};
  task.device_name = c.device;
  task.shots = 1000;
  task.calibration_mode = c.mode;
  task.client = client;

  auto results = client::wait_for_task(task, 3s, 0s);
  EXPECT_EQ(requests("config").size(), c.downloads);
  if (*c.error != '\0') {
    ASSERT_FALSE(results);
    EXPECT_EQ(results.error().display(), c.error);
    EXPECT_TRUE(requests("result").empty());  // failed before any query
    return;
  }
  ASSERT_TRUE(results) << results.error().display();
  ASSERT_EQ(results->size(), 1u);
  std::uint64_t total = 0;
  for (const auto& [outcome, n] : (*results)[0].counts) total += n;
  // Corrected counts are scaled to the task's shots; raw ones count the rows received.
  EXPECT_EQ(total, c.corrected ? 1000u : 3u);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, TaskWait,
    ::testing::Values(WaitCase{"DisabledNeverDownloads", CalibrationMode::Disabled, "brevora311", true, 0, false, ""},
                      WaitCase{"AutoCorrects", CalibrationMode::Auto, "brevora311", true, 1, true, ""},
                      WaitCase{"EnabledCorrects", CalibrationMode::Enabled, "brevora311", true, 1, true, ""},
                      WaitCase{"AutoOnASimulatorDownloadsNothing", CalibrationMode::Auto, "brevora_sim", true, 0,
                               false, ""},
                      WaitCase{"AutoWithoutTablesGoesOnUncorrected", CalibrationMode::Auto, "brevora311", false, 1,
                               false, ""},
                      WaitCase{"EnabledWithoutTablesFails", CalibrationMode::Enabled, "brevora311", false, 1, false,
                               "Invalid input: readout calibration data not available for this backend"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace norvi::testing
