// TASC.ini read from real files: rows of data/settings.txt.
#include "plugin/settings.h"

#include <gtest/gtest.h>

#include "control/tasc_controller.h"
#include "support/cases.h"
#include "support/vehicle_folder.h"

namespace tasc {
namespace {

TEST(Settings, Golden) {
  for (const test::Case& c : test::readCases("plugin/data/settings.txt")) {
    test::TempFolder folder;
    if (c.f[0] != "<none>") folder.write("TASC.ini", c.f[0]);
    const Settings s = readSettings((folder.path() / "TASC.ini").c_str());
    const std::string sources = std::string(settingSourceName(s.b7DecSource)) + " " +
                                settingSourceName(s.formationIdSource) + " " +
                                settingSourceName(s.enableHmPtnSource);
    EXPECT_EQ((std::vector<std::string>{c.f[0], test::num(s.b7Dec), std::to_string(s.formationId),
                                        std::to_string(s.enableHmPtn), sources}),
              c.f)
        << c.where;
  }
}

TEST(Settings, AppliedToTheControllerAndMissingForADirectoryOrNoPath) {
  test::TempFolder folder;
  folder.write("TASC.ini", "[TASCPtn]\nB7Dec=4.2\nFormationID=3\n[HmPtn]\nEnableHmPtn=1\n");
  TascController c;
  applySettings(c, readSettings((folder.path() / "TASC.ini").c_str()));
  EXPECT_EQ(c.b7Dec, 4.2);
  EXPECT_EQ(c.formationId, 3);
  EXPECT_TRUE(c.enableHmPtn);
  std::filesystem::create_directory(folder.path() / "d.ini");
  EXPECT_EQ(readSettings((folder.path() / "d.ini").c_str()).b7Dec, 3.36);
  EXPECT_EQ(readSettings("").formationId, 1);
  EXPECT_EQ(readSettings(nullptr).formationId, 1);
}

}  // namespace
}  // namespace tasc
