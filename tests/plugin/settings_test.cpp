// TASC.ini read from real files and applied: rows of data/settings.txt.
#include "plugin/settings.h"

#include <gtest/gtest.h>

#include "control/tasc_controller.h"
#include "support/cases.h"
#include "support/vehicle_folder.h"

namespace tasc {
namespace {

// Each row's settings applied to a controller: the file's content, <none>
// (no file), <directory> (a folder of that name), or a path that is empty or
// null.
TEST(Settings, Golden) {
  for (const test::Case& c : test::readCases("plugin/data/settings.txt")) {
    test::TempFolder folder;
    const std::string path = (folder.path() / "TASC.ini").string();
    if (c.f[0] == "<directory>") std::filesystem::create_directory(path);
    if (!c.f[0].starts_with('<')) folder.write("TASC.ini", c.f[0]);
    const char* file = c.f[0] == "<null path>" ? nullptr : path.c_str();
    const Settings s = readSettings(c.f[0] == "<empty path>" ? "" : file);
    TascController ctl;
    applySettings(ctl, s);
    const std::string sources = std::string(settingSourceName(s.b7DecSource)) + " " +
                                settingSourceName(s.formationIdSource) + " " +
                                settingSourceName(s.enableHmPtnSource);
    EXPECT_EQ(
        (std::vector<std::string>{c.f[0], test::num(ctl.b7Dec), std::to_string(ctl.formationId),
                                  std::to_string(ctl.enableHmPtn), sources}),
        c.f)
        << c.where;
  }
}

}  // namespace
}  // namespace tasc
