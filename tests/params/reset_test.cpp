// The controller reset: the parameter-file list, the start values of the
// control state and the table of entry 0.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "control/tasc_controller.h"
#include "params/param_records.h"
#include "support/vehicle_folder.h"

namespace fs = std::filesystem;

namespace tasc {
namespace {

using test::keys;
using test::sameTable;
using test::TempFolder;

// A controller whose module lies in the folder as TASC.so.
struct ResetRig {
  TempFolder folder;
  TascController c;
  ResetRig() {
    const std::string module = (folder.path() / "TASC.so").string();
    EXPECT_LT(module.size(), c.modulePath.size());
    std::memcpy(c.modulePath.data(), module.c_str(), module.size() + 1);
  }
  void list(const std::string& text) const { folder.write("csvPath.ini", text); }
};

void expectEntries(const TascController& c, const std::string& except = {}, int at = -1) {
  for (int k = 0; k < kParamFileCount; ++k) {
    const char* want = k == at ? except.c_str() : "NULL";
    EXPECT_STREQ(c.paramFiles[static_cast<std::size_t>(k)].data(), want) << "entry " << k;
  }
}

// One list per row. Only entry 0 loads; entries not named stay "NULL".
TEST(Reset, ListGivesEntriesAndEntryZeroGivesTheTable) {
  const struct {
    const char* name;
    std::optional<std::string> list;  // none: no csvPath.ini
    std::vector<std::pair<int, std::string>> entries;
    std::vector<ParamRecord> table;
  } cases[] = {
      {"WithoutListEveryEntryIsNullAndTheTableHoldsTheDefault",
       std::nullopt,
       {},
       {kDefaultParamRecord}},
      {"KeyFiveAloneFillsEntryFiveOnly",
       "[ParamData]\n5=five.csv\n",
       {{5, "five.csv"}},
       {kDefaultParamRecord}},
      {"KeyWithLeadingZeroIsNotTheEntry",
       "[ParamData]\n05=five.csv\n00=zero.csv\n",
       {},
       {kDefaultParamRecord}},
      {"LongValueIsCutTo259Characters",
       "[ParamData]\n7=" + std::string(300, 'v') + "\n",
       {{7, std::string(259, 'v')}},
       {kDefaultParamRecord}},
      {"EmptyValueIsAnEmptyEntryThatLoadsNothing",
       "[ParamData]\n0=\n",
       {{0, ""}},
       {kDefaultParamRecord}},
      {"LoadsEntryZeroRelativeToTheModuleFolder",
       "[ParamData]\n0=params\\a.csv\n1=b.csv\n",
       {{0, "params\\a.csv"}, {1, "b.csv"}},
       {kDefaultParamRecord, keys(5, 1), keys(6, 0)}},
  };
  for (const auto& t : cases) {
    ResetRig rig;
    rig.folder.write("five.csv", "5,5\n");
    rig.folder.write("a.csv", "1,1\n");
    rig.folder.write("params/a.csv", "5,1\n6,0\n");
    if (t.list) rig.list(*t.list);
    rig.c.loadedFileIndex = 5;
    rig.c.reset();
    for (int k = 0; k < kParamFileCount; ++k) {
      std::string want = "NULL";
      for (const auto& [at, value] : t.entries) {
        if (at == k) want = value;
      }
      EXPECT_STREQ(rig.c.paramFiles[static_cast<std::size_t>(k)].data(), want.c_str())
          << t.name << ", entry " << k;
    }
    EXPECT_TRUE(rig.c.paramFilesRead) << t.name;
    EXPECT_EQ(rig.c.loadedFileIndex, 0) << t.name;
    EXPECT_STREQ(rig.c.paramListPath.data(), (rig.folder.path() / "csvPath.ini").c_str()) << t.name;
    EXPECT_TRUE(sameTable(rig.c.paramTable, t.table)) << t.name;
  }
}

TEST(Reset, ListEditedBetweenTwoResetsTakesEffectAtTheSecond) {
  ResetRig rig;
  rig.folder.write("a.csv", "1,1\n");
  rig.folder.write("b.csv", "2,2\n3,3\n");
  rig.list("[ParamData]\n0=a.csv\n9=x.csv\n");
  rig.c.reset();
  EXPECT_TRUE(sameTable(rig.c.paramTable, {kDefaultParamRecord, keys(1, 1)}));
  rig.list("[ParamData]\n0=b.csv\n");
  rig.c.reset();
  expectEntries(rig.c, "b.csv", 0);
  EXPECT_TRUE(sameTable(rig.c.paramTable, {kDefaultParamRecord, keys(2, 2), keys(3, 3)}));
}

TEST(Reset, EveryControlFieldTakesItsStartValue) {
  ResetRig rig;
  TascController& c = rig.c;
  // A controller in the middle of a run.
  c.activeParam = keys(4, 4);
  c.timers = {5, 6, 7, 8};
  c.loadedFileIndex = 3;
  c.remainingDistance = -2.5;
  c.beacon400Toggle = true;
  c.patternActive = true;
  c.standstill = false;
  c.stopResult = StopResult::Overrun;
  c.brakePhase = BrakePhase::Tracking;
  c.maxBrakeSteps = 17;
  c.enableHmPtn = true;
  c.uKeyHeld = c.uKeyLatch = c.lowSpeedMode = c.cutOut = c.prevUCtrl = true;
  c.brakeCommand = -1;
  c.b7Dec = 4.2;
  c.panelLamps = {0, 1, 1, 1, 1};
  c.patternSelect = 2;
  c.formationId = 9;

  c.reset();

  EXPECT_EQ(c.activeParam, kDefaultParamRecord);
  EXPECT_TRUE(c.timersCreated);
  EXPECT_EQ(c.timers, (std::array<int32_t, kTimerCount>{0, 0, 0, 0}));
  EXPECT_EQ(c.loadedFileIndex, 0);
  EXPECT_EQ(c.remainingDistance, 0.0);
  EXPECT_FALSE(c.beacon400Toggle);
  EXPECT_FALSE(c.patternActive);
  EXPECT_TRUE(c.standstill);
  EXPECT_EQ(c.stopResult, StopResult::None);
  EXPECT_EQ(c.brakePhase, BrakePhase::Waiting);
  EXPECT_EQ(c.maxBrakeSteps, 17) << "recomputed by the cycle, kept by the reset";
  EXPECT_FALSE(c.uKeyHeld || c.uKeyLatch || c.lowSpeedMode || c.cutOut || c.prevUCtrl);
  EXPECT_EQ(c.brakeCommand, 0) << "0, not -1";
  EXPECT_EQ(c.panelLamps, (std::array<int32_t, kPanelLampCount>{1, 0, 0, 0, 0}));
  // Settings and the beacon selector survive.
  EXPECT_TRUE(c.enableHmPtn);
  EXPECT_EQ(c.b7Dec, 4.2);
  EXPECT_EQ(c.formationId, 9);
  EXPECT_EQ(c.patternSelect, 2);
}

// A module folder so deep that csvPath.ini no longer fits the path buffer:
// the list counts as missing.
TEST(Reset, ListPathThatDoesNotFitCountsAsMissing) {
  ResetRig rig;
  std::string deep = rig.folder.path().string() + "/";
  while (deep.size() < kPathSize - 12) deep += "d";
  deep += "/";
  const std::string module = deep + "TASC.so";  // fits; csvPath.ini beside it does not
  ASSERT_LT(module.size(), kPathSize);
  std::memcpy(rig.c.modulePath.data(), module.c_str(), module.size() + 1);
  rig.c.reset();
  EXPECT_STREQ(rig.c.paramListPath.data(), "");
  expectEntries(rig.c);
  EXPECT_TRUE(sameTable(rig.c.paramTable, {kDefaultParamRecord}));
}

}  // namespace
}  // namespace tasc
