// The built module as a host sees it: loaded by path from a vehicle folder,
// its exports found by name (the calls before and at Initialize are call
// scripts: scripts/*.script).
#include <gtest/gtest.h>

#include "support/vehicle_folder.h"

namespace tasc::test {
namespace {

TEST(Abi, SettingsAreReadBesideTheModuleAtEveryInitialize) {
  TempFolder folder;
  LoadedPlugin plugin(folder.path(), "plugin/TASC.so");
  ASSERT_TRUE(plugin.loaded());
  // Nothing but the entry points leaves the module.
  EXPECT_EQ(plugin.symbol("_ZN4tasc6plugin12attachModuleEv"), nullptr);
  const auto& api = plugin.api();
  // FormationID 5 in the file next to the module (not in the folder above).
  folder.write("TASC.ini", "[TASCPtn]\nFormationID=2\n");
  folder.write("plugin/TASC.ini", "[TASCPtn]\nFormationID=5\n");
  api.Initialize(0);
  plugin.frame(40.0f, 16);
  // Type 502 with formation 5, code 0: accepted; lights panel 86.
  api.SetBeaconData(BeaconRecord{502, 0, 0.0f, 5 << 6});
  plugin.frame(40.0f, 32);
  EXPECT_EQ(plugin.panel()[86], 1);
  // Each frame hands the control the driver's handles: backward cancels the pattern.
  api.SetReverser(-1);
  plugin.frame(40.0f, 40);
  EXPECT_EQ(plugin.panel()[86], 0);
  // Edited between runs: formation 5 is no longer accepted.
  folder.write("plugin/TASC.ini", "[TASCPtn]\nFormationID=6\n");
  api.Initialize(0);
  api.SetBeaconData(BeaconRecord{502, 0, 0.0f, 5 << 6});
  plugin.frame(40.0f, 48);
  EXPECT_EQ(plugin.panel()[86], 0);
}

}  // namespace
}  // namespace tasc::test
