// One platform client used by several threads at once, every call renewing its token, while another
// thread keeps reading the credentials file that the renewals rewrite.

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "norvi/client/api_call.hpp"
#include "norvi/client/json/value.hpp"
#include "support/platform_road.hpp"

namespace {

using norvi::client::http::Method;
namespace json = norvi::client::json;

class PlatformThreads : public norvi::testing::PlatformRoadTest {};

TEST_F(PlatformThreads, RacingRenewalsAnswerEveryCallAndKeepTheFileWhole) {
  constexpr int kThreads = 8;
  constexpr int kCallsPerThread = 6;
  // Every read of the wall clock moves it on by the renewal age: every call finds its token too old.
  clock_.set(1'700'000'000, 10'800);
  auto client = make_client(accepted_credentials(10'800));
  ASSERT_TRUE(client);
  ASSERT_TRUE(norvi::client::save_credentials_file({"road-key", "road-token", 0}, credentials_path()));

  std::atomic<bool> done{false};
  std::atomic<int> reads{0};
  std::atomic<int> broken_reads{0};
  std::thread reader([&] {
    while (!done.load()) {
      auto read = norvi::client::read_credentials_file(credentials_path());
      if (!read || read->api_key != "road-key" || read->access_token.empty()) ++broken_reads;
      ++reads;
    }
  });

  std::atomic<int> answered{0};
  std::vector<std::string> failures(kThreads);
  std::vector<std::thread> callers;
  for (int t = 0; t < kThreads; ++t) {
    callers.emplace_back([&, t] {
      for (int i = 0; i < kCallsPerThread; ++i) {
        auto devices = norvi::client::call_platform_api<json::Value>(*client, Method::Get, norvi::testing::kListPath);
        if (devices && devices->is_array()) {
          ++answered;
        } else if (failures[t].empty()) {
          failures[t] = devices ? "not a list" : devices.error().display();
        }
      }
    });
  }
  for (auto& caller : callers) caller.join();
  done = true;
  reader.join();

  for (const std::string& failure : failures) EXPECT_EQ(failure, "");
  EXPECT_EQ(answered.load(), kThreads * kCallsPerThread);
  // A call may find a token that another thread stamped later than the call read the clock: it is
  // fresh then. So there are many renewals, but not always one per call.
  const std::size_t logins = requests("login").size();
  EXPECT_GT(logins, static_cast<std::size_t>(kThreads));
  EXPECT_LE(logins, static_cast<std::size_t>(kThreads * kCallsPerThread));
  EXPECT_EQ(requests("list").size(), static_cast<std::size_t>(kThreads * kCallsPerThread));
  EXPECT_GT(reads.load(), 0);
  EXPECT_EQ(broken_reads.load(), 0);

  // The file holds one of the renewals, and so does the client.
  auto stored = client->credentials().copy();
  ASSERT_TRUE(stored);
  EXPECT_TRUE(stored->access_token.starts_with("tok-"));
  auto file = norvi::client::read_credentials_file(credentials_path());
  ASSERT_TRUE(file) << file.error().display();
  EXPECT_TRUE(file->access_token.starts_with("tok-"));
}

}  // namespace
