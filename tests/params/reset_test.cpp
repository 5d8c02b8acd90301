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

// One list per row; only entry 0 loads.
TEST(Reset, ListGivesEntriesAndEntryZeroGivesTheTable) {
  const struct {
    std::string list;  // empty: no csvPath.ini
    std::string entries, table;
  } cases[] = {
      {"", "", "0,0"},
      {"[ParamData]\n5=five.csv\n", "5=five.csv", "0,0"},
      {"[ParamData]\n05=five.csv\n00=zero.csv\n", "", "0,0"},
      {"[ParamData]\n0=\n", "0=", "0,0"},
      {"[ParamData]\n0=params\\a.csv\n1=b.csv\n", "0=params\\a.csv ; 1=b.csv", "0,0 ; 5,1 ; 6,0"},
      {"[ParamData]\n10=t\n12=u\n29=v\n63=w\n64=x\n", "10=t ; 12=u ; 29=v ; 63=w", "0,0"},
      {"[ParamData]\n7=" + std::string(300, 'v') + "\n", "7=" + std::string(259, 'v'), "0,0"},
  };
  for (const auto& t : cases) {
    test::TempFolder folder;
    folder.write("params/a.csv", "5,1\n6,0\n");
    if (!t.list.empty()) folder.write("csvPath.ini", t.list);
    TascController c;
    placeModule(c, folder.path().string());
    c.loadedFileIndex = 5;
    c.reset();
    EXPECT_EQ(entries(c), t.entries) << t.list;
    EXPECT_EQ(test::tableText(c.paramTable), t.table) << t.list;
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
