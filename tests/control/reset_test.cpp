// The controller reset: the 64 entries of the parameter-file list and the
// table of entry 0 (the start values of the control state are in
// control/data/cycles.txt; where the list lies, in plugin/boundary_test.cpp).
#include <gtest/gtest.h>

#include "control/tasc_controller.h"
#include "support/memory_files.h"
#include "support/records.h"

namespace tasc {
namespace {

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
  for (const test::Case& t : test::readCases("control/data/reset.txt")) {
    test::MemoryFiles files;
    files.files = {{"params\\a.csv", "5,1\n6,0\n"}};
    if (t.f[0] != "<none>") files.list = test::expand(t.f[0]);
    TascController c;
    c.loadedFileIndex = 5;
    c.reset(files.listReader(), files.fileReader());
    EXPECT_EQ(entries(c), test::expand(t.f[1])) << t.where;
    EXPECT_EQ(test::tableText(c.paramTable), t.f[2]) << t.where;
    EXPECT_TRUE(c.paramFilesRead);
    EXPECT_EQ(c.loadedFileIndex, 0);
    EXPECT_EQ(c.tableEntry, 0);
  }
}

TEST(Reset, ListEditedBetweenTwoResetsTakesEffectAtTheSecond) {
  test::MemoryFiles files;
  files.files = {{"a.csv", "1,1\n"}, {"b.csv", "2,2\n3,3\n"}};
  files.list = "[ParamData]\n0=a.csv\n9=x.csv\n";
  TascController c;
  c.reset(files.listReader(), files.fileReader());
  EXPECT_EQ(test::tableText(c.paramTable), "0,0 ; 1,1");
  files.list = "[ParamData]\n0=b.csv\n";
  c.reset(files.listReader(), files.fileReader());
  EXPECT_EQ(entries(c), "0=b.csv");
  EXPECT_EQ(test::tableText(c.paramTable), "0,0 ; 2,2 ; 3,3");
}

// Without a list (a reader with no function) every entry reads "NULL",
// whatever the entries held before.
TEST(Reset, NoListMakesEveryEntryNull) {
  TascController c;
  c.paramFiles[3] = {'o', 'l', 'd'};
  c.reset({}, {});
  EXPECT_EQ(entries(c), "");
  EXPECT_EQ(test::tableText(c.paramTable), "0,0");
}

}  // namespace
}  // namespace tasc
