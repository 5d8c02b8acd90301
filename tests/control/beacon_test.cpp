// Stopping beacons on the controller: data word, distances, formation check,
// HmPtn filter, record selection and file switch.
#include "control/beacon.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <string>

#include "control/tasc_controller.h"
#include "support/vehicle_folder.h"

namespace tasc {
namespace {

// Data word from its fields.
int32_t word(int32_t code, int32_t formation, int32_t record = 0, int32_t file = 0,
             int32_t sub = 0) {
  return code | (formation << 6) | (record << 10) | (file << 15) | (sub << 21);
}

std::array<int32_t, 5> fields(const BeaconWord& w) {
  return {w.distanceCode, w.formationCode, w.recordCode, w.fileIndex, w.subCode};
}

TEST(BeaconWord, FieldsAndIgnoredHighBits) {
  EXPECT_EQ(fields(decodeBeaconWord(word(45, 9, 31, 63, 3))),
            (std::array<int32_t, 5>{45, 9, 31, 63, 3}));
  const int32_t base = word(7, 1, 2, 3, 1);
  for (int bit = 23; bit < 32; ++bit) {
    const auto high = static_cast<int32_t>(static_cast<uint32_t>(base) | (1u << bit));
    EXPECT_EQ(fields(decodeBeaconWord(high)), fields(decodeBeaconWord(base))) << bit;
  }
}

// The code tables, written out range by range as the route documentation
// gives them; every value is compared exactly.
struct CodeRange {
  int32_t kind, first, last;
  std::function<double(double c, double b)> formula;
};

TEST(BeaconDistance, EveryCodeOfEveryKindExactly) {
  const CodeRange ranges[] = {
      {1, 0, 0, [](double, double b) { return b; }},
      {1, 1, 50, [](double c, double b) { return ((c + c) * 0.01) + b; }},
      {1, 51, 63, [](double, double b) { return b; }},
      {2, 0, 0, [](double, double b) { return b; }},
      {2, 1, 50, [](double c, double b) { return ((c * 20.0) * 0.01) + b; }},
      {2, 51, 60, [](double c, double b) { return b - (((61 - c) * 20.0) * 0.01); }},
      {2, 61, 63, [](double, double b) { return b; }},
      {3, 0, 0, [](double, double b) { return b; }},
      {3, 1, 10, [](double c, double b) { return ((c * 20.0) * 0.01) + b; }},
      {3, 11, 31, [](double c, double b) { return (((c - 10) * 50.0) * 0.01) + b; }},
      {3, 32, 52, [](double c, double b) { return b - ((((53 - c) * 50.0) + 200.0) * 0.01); }},
      {3, 53, 62, [](double c, double b) { return b - (((63 - c) * 20.0) * 0.01); }},
      {3, 63, 63, [](double, double b) { return b; }},
  };
  int covered = 0;
  for (const auto& r : ranges) {
    for (int32_t c = r.first; c <= r.last; ++c, ++covered) {
      EXPECT_EQ(beaconDistance(r.kind, c), r.formula(c, kBaseDistance[r.kind]))
          << "kind " << r.kind << " code " << c;
    }
  }
  EXPECT_EQ(covered, 3 * 64);
}

TEST(BeaconDistance, BaseDistancesAndRangeEnds) {
  // Exact 64-bit values just below the round decimals.
  EXPECT_EQ(kBaseDistance[1], 0x1.c2e1473333333p+2);
  EXPECT_EQ(kBaseDistance[2], 0x1.d0b851ccccccdp+4);
  EXPECT_EQ(kBaseDistance[3], 0x1.2a170a399999ap+7);
  EXPECT_LT(kBaseDistance[2], 29.045);
  const struct {
    int32_t kind, code;
    double approx;
  } ends[] = {{1, 1, 7.065},    {1, 50, 8.045},   {1, 51, 7.045},   {2, 0, 29.045},
              {2, 61, 29.045},  {2, 51, 27.045},  {2, 60, 28.845},  {2, 50, 39.045},
              {3, 32, 136.545}, {3, 52, 146.545}, {3, 53, 147.045}, {3, 62, 148.845},
              {3, 31, 159.545}, {3, 11, 149.545}, {3, 63, 149.045}};
  for (const auto& e : ends) {
    EXPECT_NEAR(beaconDistance(e.kind, e.code), e.approx, 5e-4) << e.kind << "/" << e.code;
  }
  EXPECT_EQ(beaconDistance(2, 0), 29.044999885559083);
  EXPECT_EQ(beaconDistance(3, 5), beaconDistance(3, 12));
  EXPECT_EQ(beaconDistance(3, 10), beaconDistance(3, 14));
}

// A controller wired to its own boundary variables, as the module wires it.
struct BeaconRig {
  TascController c;
  VehicleStateRecord state{};
  int32_t elapsed = 0;
  std::array<int32_t, 3> handles{0, 0, 1};
  BeaconRig() {
    c.elapsedMsRef = &elapsed;
    c.vehicleStateRef = &state;
    c.driverHandlesRef = handles.data();
    c.formationId = 1;
    c.paramTable = {kDefaultParamRecord};
  }
};

ParamRecord record(int32_t id, int32_t sub, double decelFar) {
  ParamRecord r = kDefaultParamRecord;
  r.recordId = id;
  r.subId = sub;
  r.decelFar = decelFar;
  return r;
}

TEST(OnBeacon, FormationMismatchChangesNothing) {
  BeaconRig rig;
  rig.c.remainingDistance = 12.5;
  rig.c.activeParam = record(4, 1, 3.0);
  rig.c.paramTable.push_back(record(2, 0, 2.9));
  const TascController before = rig.c;
  for (int32_t kind : {1, 2, 3}) rig.c.onBeacon(kind, word(10, 2, 2, 0, 0));
  EXPECT_EQ(rig.c.remainingDistance, before.remainingDistance);
  EXPECT_EQ(rig.c.activeParam, before.activeParam);
  EXPECT_EQ(rig.c.panelLamps, before.panelLamps);
  EXPECT_EQ(rig.c.paramTable, before.paramTable);
  EXPECT_FALSE(rig.c.patternActive);
}

TEST(OnBeacon, FormationOutsideFourBitsRejectsEverything) {
  BeaconRig rig;
  rig.c.formationId = 16;
  for (int32_t f = 0; f < 16; ++f) rig.c.onBeacon(3, word(0, f));
  EXPECT_FALSE(rig.c.patternActive);
  EXPECT_EQ(rig.c.panelLamps[kLampPatternArmed], 0);
}

TEST(OnBeacon, KindsArmAndSetTheirDistance) {
  const struct {
    int32_t kind, code;
    bool arms;
  } cases[] = {{1, 50, false}, {2, 51, true}, {3, 32, true}, {4, 0, false}, {0, 0, false}};
  for (const auto& k : cases) {
    BeaconRig rig;
    rig.c.onBeacon(k.kind, word(k.code, 1));
    EXPECT_EQ(rig.c.patternActive, k.arms) << k.kind;
    const bool handled = k.kind >= 1 && k.kind <= 3;
    EXPECT_EQ(rig.c.panelLamps[kLampPatternArmed], handled ? 1 : 0) << k.kind;
    EXPECT_EQ(rig.c.remainingDistance, handled ? beaconDistance(k.kind, k.code) : 0.0) << k.kind;
  }
}

TEST(OnBeacon, BeaconDoesNotTouchPhaseCommandOrTimers) {
  BeaconRig rig;
  rig.c.brakePhase = BrakePhase::Tracking;
  rig.c.brakeCommand = 12;
  rig.c.stopResult = StopResult::Short;
  rig.c.timers = {5, 6, 7, 8};
  rig.c.onBeacon(2, word(0, 1));
  EXPECT_EQ(rig.c.brakePhase, BrakePhase::Tracking);
  EXPECT_EQ(rig.c.brakeCommand, 12);
  EXPECT_EQ(rig.c.stopResult, StopResult::Short);
  EXPECT_EQ(rig.c.timers, (std::array<int32_t, 4>{5, 6, 7, 8}));
}

TEST(OnBeacon, RecordSelectionTakesTheFirstMatchOrTheDefaultsWithTheKeys) {
  BeaconRig rig;
  rig.c.paramTable = {kDefaultParamRecord, record(0, 0, 9.0), record(3, 1, 2.7), record(3, 1, 2.8),
                      record(3, 2, 2.9)};
  rig.c.onBeacon(3, word(0, 1, 3, 0, 1));
  EXPECT_EQ(rig.c.activeParam.decelFar, 2.7) << "the earlier of two equal keys wins";
  rig.c.onBeacon(3, word(0, 1, 0, 0, 0));
  EXPECT_EQ(rig.c.activeParam, kDefaultParamRecord) << "keys 0/0 always find the default record";
  rig.c.onBeacon(3, word(0, 1, 5, 0, 3));
  ParamRecord expected = kDefaultParamRecord;
  expected.recordId = 5;
  expected.subId = 3;
  EXPECT_EQ(rig.c.activeParam, expected) << "no match: the defaults with the beacon's keys";
}

TEST(OnBeacon, HmPtnFilterOfKindOneLooksAtTheRecordInForce) {
  const struct {
    const char* name;
    bool enable;
    int32_t select;
    int32_t kind;
    bool handled;
  } cases[] = {
      {"flag set for the selector", true, 2, 1, false},
      {"filter off", false, 2, 1, true},
      {"flag clear for another selector", true, 1, 1, true},
      {"kinds 2 and 3 pass no filter", true, 2, 2, true},
      {"kind 3", true, 2, 3, true},
  };
  for (const auto& c : cases) {
    BeaconRig rig;
    rig.c.enableHmPtn = c.enable;
    rig.c.patternSelect = c.select;
    rig.c.activeParam.hmPtnFlag[2] = true;
    rig.c.remainingDistance = 99.0;
    rig.c.onBeacon(c.kind, word(0, 1));
    EXPECT_EQ(rig.c.remainingDistance != 99.0, c.handled) << c.name;
    EXPECT_EQ(rig.c.panelLamps[kLampPatternArmed], c.handled ? 1 : 0) << c.name;
  }
}

TEST(OnBeacon, BeforeTheFirstInitializeNoFileIsLoaded) {
  BeaconRig rig;
  ASSERT_FALSE(rig.c.paramFilesRead);
  rig.c.paramTable.push_back(record(2, 0, 2.9));
  rig.c.onBeacon(3, word(0, 1, 2, 5, 0));
  EXPECT_EQ(rig.c.activeParam.decelFar, 2.9);
  EXPECT_EQ(rig.c.paramTable.size(), 2u) << "the table stands: there is no list to load from";
  EXPECT_TRUE(rig.c.patternActive);
}

// File switch with real files: a vehicle folder whose list names two files.
class FileSwitch : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_.write("csvPath.ini", "[ParamData]\n0=base.csv\n5=five.csv\n6=NULL\n7=gone.csv\n");
    folder_.write("base.csv", "2,0,3.5,2.5,1.5,0.5,0.1,2.1\n");
    folder_.write("five.csv", "2,0,3.5,2.5,1.5,0.5,0.1,2.5\n");
    rig_.c.modulePath = {};
    const std::string module = (folder_.path() / "TASC.so").string();
    std::copy(module.begin(), module.end(), rig_.c.modulePath.begin());
    rig_.c.reset();
  }
  test::TempFolder folder_;
  BeaconRig rig_;
};

TEST_F(FileSwitch, NewFileServesTheBeaconsAfterIt) {
  TascController& c = rig_.c;
  c.onBeacon(3, word(0, 1, 2, 0, 0));
  EXPECT_EQ(c.activeParam.decelFar, 2.1) << "entry 0 is loaded by the reset";
  c.onBeacon(3, word(0, 1, 2, 5, 0));
  EXPECT_EQ(c.activeParam.decelFar, 2.1) << "the beacon selects from the table before its switch";
  c.onBeacon(2, word(0, 1, 2, 0, 0));
  EXPECT_EQ(c.activeParam.decelFar, 2.5) << "file index 0 loads nothing and keeps file 5";
  folder_.write("five.csv", "2,0,3.5,2.5,1.5,0.5,0.1,2.4\n");
  c.onBeacon(1, word(0, 1, 2, 5, 0));
  c.onBeacon(1, word(0, 1, 2, 0, 0));
  EXPECT_EQ(c.activeParam.decelFar, 2.4) << "index 5 again reads the file again";
}

TEST_F(FileSwitch, NullAndMissingEntriesLeaveTheDefaultRecordAlone) {
  TascController& c = rig_.c;
  for (int32_t file : {6, 7, 63}) {
    c.onBeacon(3, word(0, 1, 2, file, 0));
    ASSERT_EQ(c.paramTable.size(), 1u) << file;
    c.onBeacon(3, word(0, 1, 2, 0, 0));
    EXPECT_EQ(c.activeParam.decelFar, kDefaultParamRecord.decelFar) << file;
    EXPECT_EQ(c.activeParam.recordId, 2) << file;
  }
}

}  // namespace
}  // namespace tasc
