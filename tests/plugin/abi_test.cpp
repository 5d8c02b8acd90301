// The built module as a host sees it: loaded by path from a vehicle folder,
// its exports found by name.
#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/vehicle_folder.h"

namespace tasc::test {
namespace {

// A fresh vehicle folder and the module loaded from it (at `relative`).
class Abi : public ::testing::Test {
 protected:
  void SetUp() override { load(); }
  void load(std::string_view relative = "TASC.so") {
    plugin.emplace(folder.path(), relative);
    ASSERT_TRUE(plugin->loaded());
  }
  // The handle record as "brake power reverser constantSpeed", and lamps 85..89.
  static std::string text(const HandleRecord& h) {
    return std::to_string(h.brake) + " " + std::to_string(h.power) + " " +
           std::to_string(h.reverser) + " " + std::to_string(h.constantSpeed);
  }
  std::vector<int32_t> lamps() const { return {plugin->panel() + 85, plugin->panel() + 90}; }
  TempFolder folder;
  std::optional<LoadedPlugin> plugin;
};

TEST_F(Abi, EveryExportIsFoundByName) {
  EXPECT_EQ(plugin->api().GetPluginVersion(), 131072);
  // Nothing but the entry points leaves the module.
  EXPECT_EQ(plugin->symbol("_ZN4tasc6plugin12attachModuleEv"), nullptr);
}

TEST_F(Abi, BeforeInitializeEverythingIsZeroAndSafe) {
  const auto& api = plugin->api();
  api.Load();
  api.SetKeyState(0x11, 1);  // unknown codes are accepted and ignored
  api.SetBeaconData(BeaconRecord{503, 0, 0.0f, 0x40});
  // The brake command is 0 before Initialize, so power is cut; no override.
  EXPECT_EQ(text(plugin->frame(30.0f, 100)), "0 0 0 0");
  EXPECT_EQ(lamps(), std::vector<int32_t>(5, 0));
  api.SetBeaconData(BeaconRecord{501, 0, 0.0f, 0x40});  // a moving train: handled, no list yet
  api.KeyDown(1);
  api.KeyUp(1);
  api.HornBlow(0);
  api.DoorOpen();
  api.DoorClose();
  api.SetSignal(0);
  api.Initialize(0);  // without SetVehicleSpec: no notches known
  EXPECT_EQ(plugin->frame(0.0f, 116).brake, 0) << "the driver's brake starts at notch 0";
  api.Dispose();
}

TEST_F(Abi, InitializeSetsTheDriverDefaultsAndThePanel) {
  const auto& api = plugin->api();
  api.SetVehicleSpec(VehicleSpecRecord{8, 5, 0, 0, 6});
  api.Initialize(0);
  plugin->mutablePanel()[84] = 7;
  plugin->mutablePanel()[90] = 9;
  // The driver's brake starts at the notch count.
  EXPECT_EQ(text(plugin->frame(0.0f, 16)), "8 0 1 0");
  EXPECT_EQ(lamps(), (std::vector<int32_t>{1, 0, 0, 0, 0}));
  EXPECT_EQ(plugin->panel()[84], 7) << "other panel indices keep the host's values";
  EXPECT_EQ(plugin->panel()[90], 9);

  api.SetBrake(0);
  api.SetPower(3);
  api.SetReverser(-1);
  const HandleRecord moved = plugin->frame(10.0f, 32);
  EXPECT_EQ((std::array{moved.brake, moved.reverser}), (std::array{0, -1}));
}

TEST_F(Abi, SettingsAreReadBesideTheModuleAtEveryInitialize) {
  ASSERT_NO_FATAL_FAILURE(load("plugin/TASC.so"));
  const auto& api = plugin->api();
  // FormationID 5 in the file next to the module (not in the folder above).
  folder.write("TASC.ini", "[TASCPtn]\nFormationID=2\n");
  folder.write("plugin/TASC.ini", "[TASCPtn]\nFormationID=5\n");
  api.Initialize(0);
  plugin->frame(40.0f, 16);
  // Type 502 with formation 5, code 0: accepted; lights panel 86.
  api.SetBeaconData(BeaconRecord{502, 0, 0.0f, 5 << 6});
  plugin->frame(40.0f, 32);
  EXPECT_EQ(plugin->panel()[86], 1);
  // Edited between runs: formation 5 is no longer accepted.
  folder.write("plugin/TASC.ini", "[TASCPtn]\nFormationID=6\n");
  api.Initialize(0);
  api.SetBeaconData(BeaconRecord{502, 0, 0.0f, 5 << 6});
  plugin->frame(40.0f, 48);
  EXPECT_EQ(plugin->panel()[86], 0);
}

}  // namespace
}  // namespace tasc::test
