// The backend listing against the local double: the platform's order, the records made from its
// entries, the entries left out, and the malformed lists that fail the whole listing.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <fmt/format.h>

#include "norvi/client/backend.hpp"
#include "support/platform_road.hpp"

namespace {

using namespace norvi::client;

class BackendList : public norvi::testing::PlatformRoadTest {
 protected:
  Result<std::vector<BackendRecord>> list_with(std::string_view devices_json) {
    auto set = platform().set_state(fmt::format(R"({{"devices":{}}})", devices_json));
    EXPECT_TRUE(set) << set.error();
    auto client = make_client(accepted_credentials());
    if (!client) return fail(errors::InvalidInput{"no client"});
    return list_devices(client);
  }
};

TEST_F(BackendList, KeepsThePlatformOrderAndDropsOtherCodes) {
  auto records = list_with(R"([
    {"code":"brevora-519","name":"Five","status":0,"isToll":1},
    {"code":"Brevora311","name":"capital","status":0,"isToll":1},
    {"code":"brevora_sim","status":7,"extra":{"any":[1,2]}},
    {"code":"","status":0},
    {"code":"brevor","status":0},
    ["brevora-ion-1",null,4,3],
    {"code":"brevora-519","name":"","status":-1,"isToll":null}
  ])");
  ASSERT_TRUE(records) << records.error().display();
  struct Row {
    const char* name;
    const char* display_name;
    DeviceType type;
    DeviceStatus status;
    DeviceToll toll;
  };
  const Row expected[] = {
      {"brevora-519", "Five", DeviceType::Superconducting, {DeviceStatusKind::Running, 0}, {DeviceTollKind::Free, 1}},
      {"brevora_sim", "brevora_sim", DeviceType::Simulator, {DeviceStatusKind::Unknown, 7}, {DeviceTollKind::Unknown, 0}},
      {"brevora-ion-1", "brevora-ion-1", DeviceType::IonTrap, {DeviceStatusKind::Upgrading, 4}, {DeviceTollKind::Unknown, 3}},
      {"brevora-519", "", DeviceType::Superconducting, {DeviceStatusKind::Unknown, -1}, {DeviceTollKind::Unknown, 0}},
  };
  ASSERT_EQ(records->size(), std::size(expected));
  for (std::size_t i = 0; i < records->size(); ++i) {
    const BackendRecord& r = (*records)[i];
    SCOPED_TRACE(i);
    EXPECT_EQ(r.name, expected[i].name);
    EXPECT_EQ(r.display_name, expected[i].display_name);
    EXPECT_EQ(r.device_type, expected[i].type);
    EXPECT_EQ(r.status, expected[i].status);
    EXPECT_EQ(r.status.raw_code, expected[i].status.raw_code);
    EXPECT_EQ(r.toll, expected[i].toll);
    EXPECT_NE(r.client, nullptr);
    ASSERT_NE(r.cached_config, nullptr);
    EXPECT_TRUE(r.cached_config->empty());
  }
  // Each record holds the listing client; separate caches.
  EXPECT_EQ((*records)[0].client, (*records)[1].client);
  EXPECT_NE((*records)[0].cached_config.get(), (*records)[3].cached_config.get());
}

TEST_F(BackendList, EmptyListsGiveNoRecords) {
  for (const char* devices : {"[]", R"([{"code":"ion","status":0},{"code":"BREVORA","status":1}])"}) {
    auto records = list_with(devices);
    ASSERT_TRUE(records) << records.error().display();
    EXPECT_TRUE(records->empty()) << devices;
  }
}

TEST_F(BackendList, MalformedListFailsWhole) {
  struct Case {
    const char* devices;
    const char* detail;  // the decoder's words, after "error decoding response body: "
  };
  const Case cases[] = {
      {R"([{"code":"brevora311","status":0},{"code":"brevora_sim","status":1.0}])", "invalid type: floating point `1"},
      {R"([{"code":"brevora311","status":"1"}])", "invalid type: string \"1\""},
      {R"([{"code":"brevora311","status":true}])", "invalid type: boolean `true`"},
      {R"([{"code":"brevora311","status":1e0}])", "invalid type: floating point `1"},
      {R"([{"code":"brevora311","isToll":1}])", "missing field `status`"},
      {R"([{"code":"brevora311","status":null}])", "invalid type: null"},
      {R"([{"name":"x","status":0}])", "missing field `code`"},
      {R"([{"code":311,"status":0}])", "invalid type: integer `311`"},
      {R"([["brevora311",null,0]])", "invalid length 3"},
      {R"([{"code":"brevora311","status":9223372036854775808}])", "invalid value: integer `9223372036854775808`"},
      {R"("brevora311")", "invalid type: string \"brevora311\""},
  };
  for (const Case& c : cases) {
    auto records = list_with(c.devices);
    ASSERT_FALSE(records) << c.devices;
    EXPECT_TRUE(records.error().is<errors::Http>()) << records.error().display();
    EXPECT_TRUE(records.error().display().starts_with(fmt::format("HTTP request failed: error decoding response body: {}", c.detail)))
        << c.devices << "\n" << records.error().display();
  }
}

TEST_F(BackendList, DuplicateKeyFailsTheListing) {
  auto client = make_client(accepted_credentials());
  ASSERT_TRUE(client);
  script("list", R"([{"body":"{\"code\":0,\"message\":\"success\",\"data\":[{\"code\":\"brevora311\",\"status\":0,\"status\":1}]}",
                      "headers":[["content-type","application/json"]]}])");
  auto records = list_devices(client);
  ASSERT_FALSE(records);
  EXPECT_TRUE(records.error().is<errors::Http>());
  EXPECT_TRUE(records.error().display().starts_with(
      "HTTP request failed: error decoding response body: duplicate field `status`"))
      << records.error().display();
}

TEST_F(BackendList, NullDataIsTheEnvelopeError) {
  auto client = make_client(accepted_credentials());
  ASSERT_TRUE(client);
  script("list", R"([{"json":{"code":0,"message":"success","data":null}}])");
  auto records = list_devices(client);
  ASSERT_FALSE(records);
  EXPECT_EQ(records.error().display(), "API error (code=0): response 'data' field is null");
}

}  // namespace

namespace {

TEST_F(BackendList, FindDeviceTakesTheFirstExactCodeOfAFreshListing) {
  auto set = platform().set_state(R"({"devices":[{"code":"brevora-519","name":"first","status":0},)"
                                  R"({"code":"brevora-519","name":"second","status":0},{"code":"brevora311","status":0}]})");
  ASSERT_TRUE(set) << set.error();
  auto client = make_client(accepted_credentials());
  ASSERT_TRUE(client);
  auto found = find_device(client, "brevora-519");
  ASSERT_TRUE(found) << found.error().display();
  EXPECT_EQ(found->display_name, "first");
  auto missing = find_device(client, "Brevora311");
  ASSERT_FALSE(missing);
  EXPECT_TRUE(missing.error().is<errors::DeviceNotFound>());
  EXPECT_EQ(requests("list").size(), 2u);  // no cache: each lookup lists afresh
}

}  // namespace
