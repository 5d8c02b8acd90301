// The controller reset: the parameter-file list beside the module and the
// table of entry 0 (the start values of the control state are in
// control/data/cycles.txt).
#include <gtest/gtest.h>

#include <cstring>

#include "control/tasc_controller.h"
#include "params/records.h"
#include "support/vehicle_folder.h"

namespace tasc {
namespace {

// A controller whose module lies in `folder` as TASC.so.
void placeModule(TascController& c, const std::string& folder) {
  const std::string module = folder + "/TASC.so";
  ASSERT_LT(module.size(), c.modulePath.size());
  std::memcpy(c.modulePath.data(), module.c_str(), module.size() + 1);
}

// The entries that are not "NULL", as "key=value ; ...".
std::string entries(const TascController& c) {
  std::string s;
  for (int k = 0; k < kParamFileCount; ++k) {
    const std::string e = c.paramFiles[static_cast<std::size_t>(k)].data();
    if (e != "NULL") s += (s.empty() ? "" : " ; ") + std::to_string(k) + "=" + e;
  }
  return s;
}

// One list per row of data/reset.txt.
TEST(Reset, ListGivesEntriesAndEntryZeroGivesTheTable) {
  for (const test::Case& t : test::readCases("params/data/reset.txt")) {
    test::TempFolder folder;
    folder.write("params/a.csv", "5,1\n6,0\n");
    if (t.f[0] != "<none>") folder.write("csvPath.ini", test::expand(t.f[0]));
    TascController c;
    placeModule(c, folder.path().string());
    c.loadedFileIndex = 5;
    c.reset();
    EXPECT_EQ(entries(c), test::expand(t.f[1])) << t.where;
    EXPECT_EQ(test::tableText(c.paramTable), t.f[2]) << t.where;
    EXPECT_TRUE(c.paramFilesRead);
    EXPECT_EQ(c.loadedFileIndex, 0);
    EXPECT_EQ(std::string(c.paramListPath.data()), (folder.path() / "csvPath.ini").string());
  }
}

TEST(Reset, ListEditedBetweenTwoResetsTakesEffectAtTheSecond) {
  test::TempFolder folder;
  folder.write("a.csv", "1,1\n");
  folder.write("b.csv", "2,2\n3,3\n");
  folder.write("csvPath.ini", "[ParamData]\n0=a.csv\n9=x.csv\n");
  TascController c;
  placeModule(c, folder.path().string());
  c.reset();
  EXPECT_EQ(test::tableText(c.paramTable), "0,0 ; 1,1");
  folder.write("csvPath.ini", "[ParamData]\n0=b.csv\n");
  c.reset();
  EXPECT_EQ(entries(c), "0=b.csv");
  EXPECT_EQ(test::tableText(c.paramTable), "0,0 ; 2,2 ; 3,3");
}

// A module folder so deep that csvPath.ini no longer fits the path buffer:
// the list counts as missing, whatever the buffer held before.
TEST(Reset, ListPathThatDoesNotFitCountsAsMissing) {
  test::TempFolder folder;
  std::string deep = folder.path().string() + "/";
  while (deep.size() < kPathSize - 12) deep += "d";
  TascController c;
  placeModule(c, deep);
  std::memcpy(c.paramListPath.data(), "old", 4);
  c.reset();
  EXPECT_STREQ(c.paramListPath.data(), "");
  EXPECT_EQ(entries(c), "");
  EXPECT_EQ(test::tableText(c.paramTable), "0,0");
}

}  // namespace
}  // namespace tasc
