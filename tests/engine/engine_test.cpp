// The engine below the runs (those: run_test.cpp). Scenario files: the examples load, beacon words
// come out as their fields say, and every kind of bad file is reported with file, line and key. The
// measures of a stop that tasc sim and tasc report share, by their literal values: the override as
// the vehicle applies it, the holding brake, the band, the approach's brake changes and peaks, and
// the accuracy every tool prints (the shares within each band, the mean, mean |error| and the
// worst; the table itself is the sim and report goldens').
// The copy of a vehicle folder that a module copy runs from: the lists keep
// every byte, each parameter file lies where its entry finds it, also above
// the folder, and what the copy would read differently is said.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/accuracy.h"
#include "engine/engine_test_support.h"
#include "engine/scenario.h"
#include "engine/stop_measures.h"
#include "engine/vehicle_copy.h"
#include "files/files.h"
#include "support/cases.h"
#include "support/vehicle_folder.h"

namespace tasc::engine {
namespace {

using tasc::test::numbers;
using test::exampleText;
namespace fs = std::filesystem;

TEST(Scenario, TrackBeaconsComeOutSortedWithTheirWords) {
  for (const tasc::test::Case& c : tasc::test::readCases("engine/data/track_beacons.txt")) {
    const Scenario s = parseScenario(test::folderLine() + "[track]\n" + c.f[1], "t.toml");
    std::vector<double> types, data;
    for (const auto& b : s.beacons) {
      types.push_back(b.type);
      data.push_back(b.data);
    }
    EXPECT_EQ(types, tasc::test::numbers(c.f[2])) << c.where;
    EXPECT_EQ(data, tasc::test::numbers(c.f[3])) << c.where;
  }
}

// "--dead-times 0,4" meant 0.4 and ran a 4 s dead time without a word: every
// axis value an author hardly means warns with file, line and what was meant;
// a value at a range's edge (a dead time of 0) does not.
TEST(Scenario, ImplausibleSweepValuesWarnWithTheirLine) {
  const Scenario s = test::exampleScenario(
      "",
      "[sweep]\nbrake_dead_time = [0.2, 4, 0]\nbrake_time_constant = 8\n"
      "gradient = { from = -50, to = 0, step = 25 }\ninitial_speed = [35, 250]\n"
      "receiver_offset = [-1, 2.5]\n");
  std::string text;
  for (const std::string& w : s.warnings) text += w + "\n";
  tasc::test::expectGolden("engine/golden/sweep_warnings.txt", text);
}

TEST(Scenario, KeyPressBecomesDownAndUpEvents) {
  const Scenario s =
      test::exampleScenario("",
                            "[driver]\n[[driver.event]]\nat = 2.5\nkey = \"U\"\nhold = 1.2\n"
                            "[[driver.event]]\nat = 1.0\nreverser = 0\n");
  std::string events;  // the U key's code as the host sends it: 0x55
  for (const DriverEvent& e : s.driver.events) {
    events += std::string(driverActionName(e.action)) + " at " + std::to_string(e.timeMs) + ": " +
              std::to_string(e.value) + "\n";
  }
  EXPECT_EQ(events, "reverser at 1000: 0\nkey down at 2500: 85\nkey up at 3700: 85\n");
}

// A beacon whose code stands for a point more than half a metre from where the
// front is when the receiver passes warns: here the example's 503 coded for
// 149.045 m and its 501, whose nearest code stands for 7.045 m, passed with
// the receiver 0.45 or 0.55 m behind the front.
TEST(Scenario, BeaconCodedOverHalfAMetreFromTheFrontWarns) {
  std::string text;  // the warnings at 0.45 m (none), then at 0.55 m (two)
  for (const std::string offset : {"0.45", "0.55"}) {
    text += "receiver offset " + offset + " m:\n";
    const Scenario s =
        test::exampleScenario("receiver_offset = " + offset + "\n", "", "code = 0\n");
    for (const std::string& w : s.warnings) text += w + "\n";
  }
  tasc::test::expectGolden("engine/golden/coded-beacon-warnings.txt", text);
}

TEST(Scenario, SweepRangeIncludesItsEnd) {
  const Scenario s = test::exampleScenario(
      "", "[sweep]\ninitial_speed = { from = 30, to = 31, step = 0.1 }\ngradient = 5\n");
  ASSERT_EQ(s.sweep.initialSpeed.size(), 11u);
  EXPECT_NEAR(s.sweep.initialSpeed.back(), 31.0, 1e-9);
  EXPECT_EQ(s.sweep.gradient, std::vector<double>{5.0});
  EXPECT_EQ(s.maxTime, 180.0);  // no [run] table: the default of docs/scenario.md
}

// Each bad file of data/bad_scenarios.txt must give a ScenarioError naming
// the place and the key; a fault of its vehicle_file or of the fitted vehicle
// file names that file.
TEST(Scenario, BadFilesAreReportedWithLineAndKey) {
  const tasc::test::TempFolder t;  // the scenario and the vehicle files of base "vehicle"
  t.write("wrong.toml", "[vehicle]\nb7_decel = 3.2\nbrake_lag = 1\n");
  t.write("none.toml", "[train]\n");
  for (tasc::test::Case c : tasc::test::readCases("engine/data/bad_scenarios.txt")) {
    c.f.resize(7);
    const bool vehicle = c.f[3] == "vehicle";
    const std::string text =
        c.f[3] == "example"  ? exampleText(c.f[4], c.f[5], c.f[6])
        : c.f[3] == "folder" ? test::folderLine() + c.f[4]
        : vehicle ? (c.f[4].empty() ? "" : "vehicle_file = \"" + c.f[4] + "\"\n") + exampleText()
                  : c.f[4];
    if (c.f[1].rfind("{dir}/", 0) == 0) c.f[1] = (t.path() / c.f[1].substr(6)).string();
    try {
      parseScenario(text, vehicle ? t.path() / "bad.toml" : "bad.toml",
                    vehicle && !c.f[5].empty() ? t.path() / c.f[5] : std::filesystem::path());
      ADD_FAILURE() << c.where << ": accepted";
    } catch (const ScenarioError& e) {
      const std::string what = e.what();
      EXPECT_EQ(what.rfind(c.f[1], 0), 0u) << c.where << ": " << what;
      EXPECT_NE(what.find(c.f[2]), std::string::npos) << c.where << ": " << what;
    }
  }
}

TEST(StopMeasures, OverrideIsWhatTheVehicleApplies) {
  for (const tasc::test::Case& c : tasc::test::readCases("engine/data/overrides.txt")) {
    const std::vector<double> v = numbers(c.f[1] + " " + c.f[2] + " " + c.f[3]);
    const Override o = overrideOf(int32_t(v[0]), int32_t(v[1]), int32_t(v[2]));
    EXPECT_EQ(o.active, c.f[4] == "1") << c.where;
    EXPECT_EQ(o.quarters, std::stoi(c.f[5])) << c.where;
    EXPECT_EQ(o.beyond, c.f[6] == "1") << c.where;
  }
}

// The rows of data/measures.txt: the holding brake, the band, the verdicts' names and the
// shares of the accuracy bands.
TEST(StopMeasures, HoldingBrakeBandVerdictNamesAndShares) {
  for (const tasc::test::Case& c : tasc::test::readCases("engine/data/measures.txt")) {
    const std::vector<double> a = numbers(c.f[1]);
    const std::string got =
        c.f[0] == "holds"    ? std::to_string(holdsTrain(int32_t(a[0]), int32_t(a[1])))
        : c.f[0] == "band"   ? stopBand(a[0])
        : c.f[0] == "plugin" ? verdictName(verdictOf(StopResult(a[0])))
        : c.f[0] == "verdict"
            ? verdictName(Verdict(a[0]))
            : tasc::test::num(measureAccuracy({a.begin() + 1, a.end()}).share(std::size_t(a[0])));
    EXPECT_EQ(got, c.f[2]) << c.where;
  }
}

TEST(StopMeasures, ApproachCountsChangesAndPeaks) {
  for (const tasc::test::Case& c : tasc::test::readCases("engine/data/approach.txt")) {
    ApproachMeter m;
    m.start(std::stoi(c.f[1]));
    for (std::size_t at = 0; at < c.f[2].size();) {
      const std::size_t end = std::min(c.f[2].find(';', at), c.f[2].size());
      const std::vector<double> f = numbers(c.f[2].substr(at, end - at));
      m.frame({int32_t(f[0]), f[1] != 0, f[2] != 0, f[3], int32_t(f[4])});
      at = end + 1;
    }
    EXPECT_EQ(m.brakeChanges(), std::stoi(c.f[3])) << c.where;
    EXPECT_DOUBLE_EQ(m.peakDecel(), std::stod(c.f[4])) << c.where;
    EXPECT_DOUBLE_EQ(m.peakJerk(), std::stod(c.f[5])) << c.where;
  }
}

TEST(Accuracy, CountsEachBandInclusiveOverEveryStop) {
  for (const tasc::test::Case& c : tasc::test::readCases("engine/data/accuracy.txt")) {
    const std::vector<double> errors = numbers(c.f[1]), within = numbers(c.f[3]);
    const Accuracy a = measureAccuracy(errors);
    EXPECT_EQ(a.stops, errors.size()) << c.where;
    EXPECT_EQ(a.measured, std::stoul(c.f[2])) << c.where;
    EXPECT_EQ(std::vector<double>(a.within.begin(), a.within.end()), within) << c.where;
    EXPECT_NEAR(a.meanError, std::stod(c.f[4]), 1e-4) << c.where;
    EXPECT_NEAR(a.meanAbsError, std::stod(c.f[5]), 1e-4) << c.where;
    EXPECT_DOUBLE_EQ(a.worstError, std::stod(c.f[6])) << c.where;
  }
}

// The relative entries were made absolute in the copy, which changed the
// entries' bytes (and broke the Shift-JIS ones on Windows).
TEST(VehicleCopy, ListsKeepTheirBytesAndEntriesFindTheirFiles) {
  const tasc::test::TempFolder t;
  const fs::path vehicle = t.path() / "trains" / fs::path(u8"車両") / "plugin";
  const std::string list =
      "; comment kept\r\n[ParamData]\r\n0 = \"予備\\表定.csv\"\r\n1=..\\共通\\快速.csv\r\n"
      "2=sub/../a.csv\r\n3=missing.csv\r\n";
  t.write("trains/車両/plugin/csvPath.ini", list);
  t.write("trains/車両/plugin/TASC.ini", "[TASCPtn]\r\nB7Dec=3.6\r\n");
  t.write("trains/車両/plugin/予備/表定.csv", "1,0,4\n");
  t.write("trains/車両/共通/快速.csv", "2,0,3\n");
  t.write("trains/車両/plugin/a.csv", "3,0,2\n");
  const files::TempFolder run("tasc-copy-run-");
  const VehicleCopy copy = copyVehicleFolder(vehicle, run.path());
  // One step above the folder is climbed: the copy keeps the folder's name.
  EXPECT_EQ(copy.folder, run.path() / "plugin");
  EXPECT_EQ(files::readWholeFile(copy.folder / "csvPath.ini"), list);
  EXPECT_EQ(files::readWholeFile(copy.folder / "TASC.ini"), "[TASCPtn]\r\nB7Dec=3.6\r\n");
  for (const auto& [relative, bytes] : {std::pair{u8"予備/表定.csv", "1,0,4\n"},
                                        {u8"../共通/快速.csv", "2,0,3\n"},
                                        {u8"a.csv", "3,0,2\n"}}) {
    EXPECT_EQ(files::readWholeFile((copy.folder / fs::path(relative)).lexically_normal()), bytes)
        << bytes;
  }
  EXPECT_EQ(copy.files.size(), 3u);
  EXPECT_TRUE(copy.warnings.empty()) << copy.warnings.front();
}

TEST(VehicleCopy, WhatTheCopyReadsDifferentlyIsSaid) {
  const tasc::test::TempFolder t;
  // Entry 0 names a UTF-16 file; entry 1 climbs the 16 steps a copy rebuilds,
  // entry 2 one more; entry 3 climbs above the file system's root.
  std::string folder = "v", up;
  for (int i = 16; i >= 1; --i) folder = std::to_string(i) + "/" + folder;
  for (int i = 0; i < 16; ++i) up += "../";
  const std::string climbs = "../" + up + "x.csv";
  t.write(folder + "/csvPath.ini", "[ParamData]\n0=wide.csv\n1=" + up + "y.csv\n2=" + climbs +
                                       "\n3=" + up + up + up + "tmp/x.csv\n");
  t.write(folder + "/wide.csv", std::string("1\0,\0000\0", 6));
  t.write("1/y.csv", "1,0,4\n");
  t.write("x.csv", "1,0,4\n");
  const files::TempFolder run("tasc-copy-run-");
  const VehicleCopy copy = copyVehicleFolder(t.path() / folder, run.path());
  ASSERT_EQ(copy.warnings.size(), 2u);
  EXPECT_EQ(copy.warnings[0],
            "csvPath.ini entry 0 \"wide.csv\": wide.csv is UTF-16 (little-endian) text, which "
            "the plug-in does not read: save it as ANSI or UTF-8");
  EXPECT_EQ(copy.warnings[1], "csvPath.ini entry 2 \"" + climbs + "\" opens " + climbs +
                                  " beside the vehicle folder but nothing in the run: the run "
                                  "reads the default record for it");
}

}  // namespace
}  // namespace tasc::engine
