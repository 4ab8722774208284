// The one poisonable lock, and the configuration cache built on it: an exception escaping a holder
// poisons the lock for good, while an error returned normally does not.
#include <gtest/gtest.h>

#include <new>
#include <shared_mutex>
#include <stdexcept>
#include <string>

#include "norvi/client/backend.hpp"
#include "norvi/client/device_config.hpp"
#include "norvi/symbolic/poisonable_lock.hpp"

namespace norvi {
namespace {

using symbolic::PoisonableLock;

TEST(PoisonableLock, AnExceptionWhileHeldPoisonsEveryLaterHolder) {
  PoisonableLock<std::string, std::shared_mutex> lock("intact");
  const auto read = [](const std::string& s) { return s; };
  const auto poisoned = [] { return std::string("poisoned"); };
  EXPECT_EQ(lock.lock(read, poisoned), "intact");

  EXPECT_THROW(lock.lock(
                   [](std::string& s) -> int {
                     s = "half-way";
                     throw std::runtime_error("failed while held");
                   },
                   [] { return 0; }),
               std::runtime_error);
  EXPECT_TRUE(lock.is_poisoned());
  // Neither kind of holder sees the state again, and the mutex itself is free.
  EXPECT_EQ(lock.lock(read, poisoned), "poisoned");
  EXPECT_EQ(lock.lock_shared(read, poisoned), "poisoned");
}

TEST(PoisonableLock, AReaderFailingUnderTheSharedLockLeavesItIntact) {
  PoisonableLock<int, std::shared_mutex> lock(7);
  EXPECT_THROW(lock.lock_shared([](const int&) -> int { throw std::runtime_error("reader"); }, [] { return -1; }),
               std::runtime_error);
  EXPECT_FALSE(lock.is_poisoned());
  EXPECT_EQ(lock.lock([](int& v) { return v; }, [] { return -1; }), 7);
}

client::Result<client::DeviceConfig> tiny_config() {
  auto device = core::Device::create("dev", {0}, core::Topology());
  if (!device) return client::fail(client::errors::InvalidInput{"no device"});
  return client::DeviceConfig{std::move(*device), std::nullopt};
}

TEST(DeviceConfigCache, OneSuccessfulDownloadFillsItForGood) {
  client::DeviceConfigCache cache;
  int downloads = 0;
  const auto failing = [&]() -> client::Result<client::DeviceConfig> {
    ++downloads;
    return client::fail(client::errors::InvalidInput{"not this time"});
  };
  const auto working = [&] {
    ++downloads;
    return tiny_config();
  };
  auto first = cache.get(failing);
  ASSERT_FALSE(first);
  EXPECT_EQ(first.error().display(), "Invalid input: not this time");
  EXPECT_TRUE(cache.empty());  // a failed download is tried again next time

  auto second = cache.get(working);
  ASSERT_TRUE(second) << second.error().display();
  auto third = cache.get(working);
  ASSERT_TRUE(third) << third.error().display();
  EXPECT_EQ(second->get(), third->get());
  EXPECT_EQ(downloads, 2);
}

TEST(DeviceConfigCache, ADownloadThrowingWhileHeldPoisonsIt) {
  client::DeviceConfigCache cache;
  EXPECT_THROW(cache.get([]() -> client::Result<client::DeviceConfig> { throw std::bad_alloc(); }), std::bad_alloc);
  int downloads = 0;
  auto later = cache.get([&] {
    ++downloads;
    return tiny_config();
  });
  ASSERT_FALSE(later);
  EXPECT_EQ(later.error().display(), "Invalid input: cached_config mutex poisoned");
  EXPECT_EQ(downloads, 0);
}

}  // namespace
}  // namespace norvi
