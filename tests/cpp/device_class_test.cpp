// The device-code rule, the status and toll codes, and the backend record made from one list entry.

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "norvi/client/backend.hpp"
#include "norvi/client/devices.hpp"

using namespace norvi::client;

TEST(DeviceClass, ClassificationTable) {
  struct Case {
    std::string code;
    std::optional<DeviceType> type;
  };
  const Case cases[] = {
      {"brevora", DeviceType::Superconducting},
      {"brevora311", DeviceType::Superconducting},
      {"brevora-519", DeviceType::Superconducting},
      {"brevoraX", DeviceType::Superconducting},
      {"brevora-i", DeviceType::Superconducting},
      {"brevora-io", DeviceType::Superconducting},
      {"brevora_", DeviceType::Simulator},
      {"brevora_sim", DeviceType::Simulator},
      {"brevora-p", DeviceType::Photonic},
      {"brevora-photon", DeviceType::Photonic},
      {"brevora-ion", DeviceType::IonTrap},
      {"brevora-ion-1", DeviceType::IonTrap},
      {"Brevora311", std::nullopt},
      {"BREVORA-519", std::nullopt},
      {"brevor", std::nullopt},
      {"", std::nullopt},
      {" brevora311", std::nullopt},
      {std::string("brev\0ra", 7), std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(classify_device_code(c.code), c.type) << "code '" << c.code << "'";
}

TEST(DeviceClass, TypeTexts) {
  EXPECT_EQ(device_type_text(DeviceType::Superconducting), "superconducting");
  EXPECT_EQ(device_type_text(DeviceType::Photonic), "photonic");
  EXPECT_EQ(device_type_text(DeviceType::IonTrap), "ion_trap");
  EXPECT_EQ(device_type_text(DeviceType::Simulator), "simulator");
}

TEST(DeviceClass, StatusCodes) {
  struct Case {
    std::int64_t code;
    DeviceStatusKind kind;
    const char* text;
  };
  const Case cases[] = {
      {0, DeviceStatusKind::Running, "running"},
      {1, DeviceStatusKind::Calibration, "calibration"},
      {2, DeviceStatusKind::UnderMaintenance, "under_maintenance"},
      {3, DeviceStatusKind::Offline, "offline"},
      {4, DeviceStatusKind::Upgrading, "upgrading"},
      {5, DeviceStatusKind::Unknown, "unknown"},
      {99, DeviceStatusKind::Unknown, "unknown"},
      {-1, DeviceStatusKind::Unknown, "unknown"},
      {INT64_MIN, DeviceStatusKind::Unknown, "unknown"},
  };
  for (const Case& c : cases) {
    const DeviceStatus status = DeviceStatus::from_code(c.code);
    EXPECT_EQ(status.kind, c.kind) << c.code;
    EXPECT_EQ(status.raw_code, c.code);
    EXPECT_EQ(device_status_text(status.kind), c.text);
  }
  // Unknown statuses are told apart by their raw code, known ones only by kind.
  EXPECT_EQ(DeviceStatus::from_code(7), DeviceStatus::from_code(7));
  EXPECT_NE(DeviceStatus::from_code(7), DeviceStatus::from_code(8));
  EXPECT_NE(DeviceStatus::from_code(0), DeviceStatus::from_code(1));
}

TEST(DeviceClass, TollCodes) {
  struct Case {
    std::optional<std::int64_t> code;
    DeviceTollKind kind;
    std::int64_t raw;
    const char* text;
  };
  const Case cases[] = {
      {1, DeviceTollKind::Free, 1, "free"},
      {2, DeviceTollKind::Paid, 2, "paid"},
      {std::nullopt, DeviceTollKind::Unknown, 0, "unknown"},
      {0, DeviceTollKind::Unknown, 0, "unknown"},
      {3, DeviceTollKind::Unknown, 3, "unknown"},
      {-2, DeviceTollKind::Unknown, -2, "unknown"},
  };
  for (const Case& c : cases) {
    const DeviceToll toll = DeviceToll::from_code(c.code);
    EXPECT_EQ(toll.kind, c.kind) << c.raw;
    EXPECT_EQ(toll.raw_code, c.raw);
    EXPECT_EQ(device_toll_text(toll.kind), c.text);
  }
  EXPECT_EQ(DeviceToll::from_code(std::nullopt), DeviceToll::from_code(0));
  EXPECT_NE(DeviceToll::from_code(3), DeviceToll::from_code(std::nullopt));
}

TEST(DeviceClass, RecordFromEntry) {
  const auto client = std::shared_ptr<PlatformClient>();
  auto named = map_raw_device({"brevora311", "Brevora 311", 4, 2}, client);
  ASSERT_TRUE(named);
  EXPECT_EQ(named->name, "brevora311");
  EXPECT_EQ(named->display_name, "Brevora 311");
  EXPECT_EQ(named->device_type, DeviceType::Superconducting);
  EXPECT_EQ(named->status.kind, DeviceStatusKind::Upgrading);
  EXPECT_EQ(named->toll.kind, DeviceTollKind::Paid);
  ASSERT_NE(named->cached_config, nullptr);
  EXPECT_TRUE(named->cached_config->empty());

  // An empty name stays empty; only a missing one falls back to the code.
  EXPECT_EQ(map_raw_device({"brevora_sim", "", 0, std::nullopt}, client)->display_name, "");
  const auto unnamed = map_raw_device({"brevora_sim", std::nullopt, -1, std::nullopt}, client);
  EXPECT_EQ(unnamed->display_name, "brevora_sim");
  EXPECT_EQ(unnamed->device_type, DeviceType::Simulator);
  EXPECT_EQ(unnamed->status, DeviceStatus::from_code(-1));
  EXPECT_EQ(unnamed->toll, (DeviceToll{DeviceTollKind::Unknown, 0}));

  EXPECT_FALSE(map_raw_device({"Brevora311", "x", 0, 1}, client));
  EXPECT_FALSE(map_raw_device({"", std::nullopt, 0, 1}, client));
}
