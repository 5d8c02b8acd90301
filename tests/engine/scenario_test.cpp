// Scenario files: the examples load, beacon words come out as their fields
// say, and every kind of bad file is reported with file, line and key.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/engine_test_support.h"
#include "engine/scenario.h"
#include "support/cases.h"
#include "support/vehicle_folder.h"

namespace tasc::engine {
namespace {

using test::examplesDir;
using test::exampleText;

TEST(Scenario, TrackBeaconsComeOutSortedWithTheirWords) {
  for (const tasc::test::Case& c : tasc::test::readCases("engine/data/track_beacons.txt")) {
    const Scenario s = parseScenario(
        "vehicle_folder = \"" + (examplesDir() / "vehicle").string() + "\"\n[track]\n" + c.f[1],
        "t.toml");
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
  const std::string folder = "vehicle_folder = \"" + (examplesDir() / "vehicle").string() + "\"\n";
  const tasc::test::TempFolder t;  // the scenario and the vehicle files of base "vehicle"
  t.write("wrong.toml", "[vehicle]\nb7_decel = 3.2\nbrake_lag = 1\n");
  t.write("none.toml", "[train]\n");
  for (tasc::test::Case c : tasc::test::readCases("engine/data/bad_scenarios.txt")) {
    c.f.resize(7);
    const bool vehicle = c.f[3] == "vehicle";
    const std::string text =
        c.f[3] == "example"  ? exampleText(c.f[4], c.f[5], c.f[6])
        : c.f[3] == "folder" ? folder + c.f[4]
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

}  // namespace
}  // namespace tasc::engine
