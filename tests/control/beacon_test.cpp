// Stopping beacons on the controller: data word, distances, formation check,
// HmPtn filter, record selection and file switch.
#include "control/beacon.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "control/tasc_controller.h"
#include "support/cases.h"
#include "support/memory_files.h"

namespace tasc {
namespace {

int32_t word(int32_t code, int32_t formation, int32_t record = 0, int32_t file = 0,
             int32_t sub = 0) {
  return code | (formation << 6) | (record << 10) | (file << 15) | (sub << 21);
}

// Each field alone at every value sits at its bits and decodes back, bits
// 23..31 ignored; all fields at once at their ends and in between do not
// overlap.
TEST(BeaconWord, FieldsSitAtTheirBitsAndRoundTrip) {
  const struct {
    int shift, max;
    int32_t BeaconWord::*field;
  } fields[] = {{0, 63, &BeaconWord::distanceCode},
                {6, 15, &BeaconWord::formationCode},
                {10, 31, &BeaconWord::recordCode},
                {15, 63, &BeaconWord::fileIndex},
                {21, 3, &BeaconWord::subCode}};
  for (const auto& f : fields) {
    for (int32_t v = 0; v <= f.max; ++v) {
      BeaconWord w{0, 0, 0, 0, 0};
      w.*f.field = v;
      ASSERT_EQ(encodeBeaconWord(w), v << f.shift) << f.shift;
      for (const uint32_t high : {0u, 0x1FFu, 0x155u})
        ASSERT_EQ(decodeBeaconWord(static_cast<int32_t>(v << f.shift | high << 23)).*f.field, v)
            << f.shift;
    }
  }
  for (const BeaconWord w : {BeaconWord{63, 15, 31, 63, 3}, BeaconWord{5, 9, 17, 42, 2}}) {
    const BeaconWord back = decodeBeaconWord(encodeBeaconWord(w));
    for (const auto& f : fields) EXPECT_EQ(back.*f.field, w.*f.field) << f.shift;
  }
}

// At every code's own distance and on a grid between and beyond (code 63 of
// kind 3 is at 149 m): the nearest code is one of the six bits' and no
// farther than any other.
TEST(BeaconWord, NearestCodeIsNoFartherThanAnyOther) {
  for (int32_t kind = 1; kind <= 3; ++kind) {
    std::vector<double> wanted;
    for (int32_t code = 0; code <= 63; ++code) {
      wanted.push_back(beaconDistance(kind, code));
    }
    for (double want = 0.0; want < 170.0; want += 0.37) wanted.push_back(want);
    for (const double want : wanted) {
      const int32_t nearest = nearestDistanceCode(kind, want);
      ASSERT_TRUE(nearest >= 0 && nearest <= 63) << "a code has six bits: " << nearest;
      const double off = std::fabs(beaconDistance(kind, nearest) - want);
      for (int32_t code = 0; code <= 63; ++code) {
        ASSERT_LE(off, std::fabs(beaconDistance(kind, code) - want)) << kind << " " << want;
      }
    }
  }
}

// Every code of every kind, exactly: data/beacon_distance.txt.
TEST(BeaconDistance, Golden) {
  for (const test::Case& c : test::readCases("control/data/beacon_distance.txt")) {
    EXPECT_EQ(test::num(beaconDistance(std::stoi(c.f[0]), std::stoi(c.f[1]))), c.f[2]) << c.where;
  }
}

// A controller with formation 1 and the default record alone in its table.
struct BeaconRig {
  TascController c;
  BeaconRig() {
    c.formationId = 1;
    c.paramTable = {kDefaultParamRecord};
  }
  BeaconDecision beacon(int32_t kind, int32_t data) { return c.onBeacon(kind, data, {}); }
};

ParamRecord record(int32_t id, int32_t sub, double decelFar) {
  ParamRecord r = kDefaultParamRecord;
  r.recordId = id;
  r.subId = sub;
  r.decelFar = decelFar;
  return r;
}

// Accepted or not, and what an accepted one sets; a beacon never touches the
// phase, the command, the result or the timers.
TEST(OnBeacon, FormationKindAndHmPtnFilter) {
  for (const test::Case& t : test::readCases("control/data/on_beacon.txt")) {
    int32_t v[8];
    for (std::size_t i = 1; i < 8; ++i) v[i] = std::stoi(t.f[i]);
    const auto [kind, formation, handled, arms] = std::array{v[1], v[2], v[6], v[7]};
    BeaconRig rig;
    TascController& c = rig.c;
    c.formationId = v[3];
    c.enableHmPtn = v[4] != 0;
    c.patternSelect = v[5];
    c.activeParam = record(4, 1, 3.0);
    c.activeParam.hmPtnFlag[2] = c.activeParam.hmPtnFlag[0] = true;
    c.remainingDistance = 99.0;
    c.brakePhase = BrakePhase::Tracking;
    c.brakeCommand = 12;
    c.stopResult = StopResult::Short;
    c.timers = {5, 6, 7, 8};
    const BeaconDecision d = rig.beacon(kind, word(10, formation, 2));
    EXPECT_EQ(d.accepted(), handled != 0) << t.where;
    EXPECT_EQ(d.distance, handled ? beaconDistance(kind, 10) : 0.0) << t.where;
    EXPECT_EQ(c.remainingDistance, handled ? beaconDistance(kind, 10) : 99.0) << t.where;
    EXPECT_EQ(c.panelLamps[kLampPatternArmed], handled) << t.where;
    EXPECT_EQ(c.activeParam.recordId, handled ? 2 : 4) << t.where;
    EXPECT_EQ(c.patternActive, arms != 0) << t.where;
    EXPECT_TRUE(c.brakePhase == BrakePhase::Tracking && c.brakeCommand == 12 &&
                c.stopResult == StopResult::Short && c.timers == (std::array{5, 6, 7, 8}))
        << t.where;
  }
}

TEST(OnBeacon, RecordSelectionTakesTheFirstMatchOrTheDefaultsWithTheKeys) {
  BeaconRig rig;
  rig.c.paramTable = {kDefaultParamRecord, record(0, 0, 9.0), record(3, 1, 2.7), record(3, 1, 2.8),
                      record(3, 2, 2.9)};
  EXPECT_EQ(rig.beacon(3, word(0, 1, 3, 0, 1)).tableIndex, 2);
  EXPECT_EQ(rig.c.activeParam.decelFar, 2.7) << "the earlier of two equal keys wins";
  EXPECT_EQ(rig.beacon(3, word(0, 1, 0, 0, 0)).tableIndex, 0);
  EXPECT_EQ(rig.c.activeParam, kDefaultParamRecord) << "keys 0/0 always find the default record";
  EXPECT_EQ(rig.beacon(3, word(0, 1, 5, 0, 3)).tableIndex, -1);
  EXPECT_EQ(rig.c.activeParam, record(5, 3, 2.6)) << "no match: the defaults with the keys";
}

TEST(OnBeacon, BeforeTheFirstInitializeNoFileIsLoaded) {
  BeaconRig rig;
  rig.c.paramTable.push_back(record(2, 0, 2.9));
  const BeaconDecision d = rig.beacon(3, word(0, 1, 2, 5, 0));
  EXPECT_EQ(rig.c.activeParam.decelFar, 2.9);
  EXPECT_EQ(rig.c.paramTable.size(), 2u) << "the table stands: there is no list to load from";
  EXPECT_EQ(d.loadedEntry, -1);
  EXPECT_EQ(d.tableEntry, -1) << "no file has been loaded yet";
}

TEST(OnBeacon, HmPtnSelectorIsZeroUntilTheFirst504Beacon) {
  BeaconRig rig;
  rig.c.enableHmPtn = true;
  rig.c.activeParam.hmPtnFlag[0] = true;
  EXPECT_EQ(rig.beacon(1, word(0, 1)).outcome, BeaconOutcome::HmPtnFiltered);
  EXPECT_EQ(rig.c.panelLamps[kLampPatternArmed], 0) << "flag 0 filters";
}

// File switch: a list that names two files. Each decision says which table
// it searched, at which index, and which entry it loaded.
TEST(OnBeacon, FileSwitchServesTheBeaconsAfterIt) {
  test::MemoryFiles files;
  files.list = "[ParamData]\n0=base.csv\n5=five.csv\n6=NULL\n7=gone.csv\n";
  files.files = {{"base.csv", "2,0,3.5,2.5,1.5,0.5,0.1,2.1\n"},
                 {"five.csv", "9,9\n2,0,3.5,2.5,1.5,0.5,0.1,2.5\n"}};
  TascController c;
  c.formationId = 1;
  c.reset(files.listReader(), files.fileReader());
  const auto beacon = [&](int32_t kind, int32_t file) {
    const BeaconDecision d = c.onBeacon(kind, word(0, 1, 2, file, 0), files.fileReader());
    return std::array{d.tableEntry, d.tableIndex, d.loadedEntry};
  };
  EXPECT_EQ(beacon(3, 0), (std::array{0, 1, -1}));
  EXPECT_EQ(c.activeParam.decelFar, 2.1) << "entry 0 is loaded by the reset";
  EXPECT_EQ(beacon(3, 5), (std::array{0, 1, 5}));
  EXPECT_EQ(c.activeParam.decelFar, 2.1) << "the beacon selects from the table before its switch";
  EXPECT_EQ(beacon(2, 0), (std::array{5, 2, -1}));
  EXPECT_EQ(c.activeParam.decelFar, 2.5) << "file index 0 loads nothing and keeps file 5";
  files.files["five.csv"] = "2,0,3.5,2.5,1.5,0.5,0.1,2.4\n";
  EXPECT_EQ(beacon(1, 5), (std::array{5, 2, 5})) << "index 5 again reads the file again";
  beacon(1, 0);
  EXPECT_EQ(c.activeParam.decelFar, 2.4);
  for (int32_t file : {6, 7, 63}) {
    EXPECT_EQ(beacon(3, file)[2], file);
    EXPECT_EQ(c.paramTable, std::vector<ParamRecord>{kDefaultParamRecord}) << file;
  }
  EXPECT_EQ(files.opened, 3) << "base.csv once, five.csv twice; NULL and a missing file open none";
}

}  // namespace
}  // namespace tasc
