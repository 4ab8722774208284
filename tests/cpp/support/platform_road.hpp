#pragma once
// Platform clients against the local double with a clock the test controls: the wall time is set by
// the test and sleeps are recorded instead of slept.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "norvi/client/clock.hpp"
#include "norvi/client/config.hpp"
#include "norvi/client/credentials.hpp"
#include "norvi/client/platform_client.hpp"
#include "support/platform_double.hpp"

namespace norvi::testing {

inline constexpr const char* kListPath = "/zelm-quantum/sdk/quantumComputer/list";

class FakeClock {
 public:
  explicit FakeClock(std::int64_t now = 1'700'000'000) : state_(std::make_shared<State>()) { set(now); }

  // Every read of the wall clock advances it by `step` seconds after reading.
  void set(std::int64_t now, std::int64_t step = 0) {
    state_->now = now * kNanosPerSecond;
    state_->step = step * kNanosPerSecond;
  }
  // An exact moment, for texts that show the time.
  void set(core::UtcTime moment) { state_->now = moment.time_since_epoch().count(); }
  std::int64_t now() const { return state_->now / kNanosPerSecond; }

  // The sleeps asked for, in seconds, in order.
  std::vector<std::int64_t> sleeps() const {
    std::lock_guard lock(state_->mutex);
    return state_->sleeps;
  }

  client::Clock clock() const {
    auto state = state_;  // the client may outlive this object
    client::Clock clock;
    clock.utc_now = [state] {
      return core::UtcTime(std::chrono::nanoseconds(state->now.fetch_add(state->step.load())));
    };
    clock.sleep = [state](std::chrono::nanoseconds d) {
      std::lock_guard lock(state->mutex);
      state->sleeps.push_back(std::chrono::duration_cast<std::chrono::seconds>(d).count());
    };
    return clock;
  }

 private:
  static constexpr std::int64_t kNanosPerSecond = 1'000'000'000;
  struct State {
    std::atomic<std::int64_t> now{0};
    std::atomic<std::int64_t> step{0};
    std::mutex mutex;
    std::vector<std::int64_t> sleeps;
  };
  std::shared_ptr<State> state_;
};

// A fresh credentials directory per test, a configuration naming the double, and clients made with
// the fake clock.
class PlatformRoadTest : public PlatformDoubleTest {
 protected:
  void SetUp() override {
    PlatformDoubleTest::SetUp();
    if (HasFatalFailure()) return;
    char dir[] = "/tmp/norvi-road-XXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    dir_ = dir;
  }
  void TearDown() override {
    if (!dir_.empty()) std::filesystem::remove_all(dir_);
  }

  client::BrevoraConfig config(bool save_credentials = true) const {
    return client::config_with_overrides(platform().domain(), save_credentials, true, credentials_path());
  }
  std::string credentials_path() const { return (dir_ / "credentials.json").string(); }

  // Credentials whose token the double accepts, obtained `age` seconds before the fake clock's now.
  client::Credentials accepted_credentials(std::int64_t age = 0) {
    auto accepted = platform().set_state(R"({"tokens":["road-token"]})");
    EXPECT_TRUE(accepted) << accepted.error();
    return client::Credentials{"road-key", "road-token", clock_.now() - age};
  }

  std::shared_ptr<client::PlatformClient> make_client(client::Credentials credentials, bool save_credentials = true) {
    auto made = client::new_platform_client(config(save_credentials), std::move(credentials), {clock_.clock()});
    EXPECT_TRUE(made) << made.error().display();
    return made ? *made : nullptr;
  }

  // The requests of one endpoint; fails the test when the log cannot be read.
  std::vector<LoggedRequest> requests(std::string_view endpoint) {
    auto log = platform().log(endpoint);
    EXPECT_TRUE(log) << log.error();
    return log ? *log : std::vector<LoggedRequest>{};
  }

  void script(std::string_view endpoint, std::string_view answers) {
    auto scripted = platform().script(endpoint, answers);
    ASSERT_TRUE(scripted) << scripted.error();
  }

  FakeClock clock_;
  std::filesystem::path dir_;
};

}  // namespace norvi::testing
