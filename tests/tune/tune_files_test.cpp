// `tasc tune` around the search: the chart's axes, the backups of --write,
// and the fitted vehicle put over a scenario's.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "engine/engine_test_support.h"
#include "engine/scenario.h"
#include "support/vehicle_folder.h"
#include "tune/record_file.h"
#include "tune/tune_chart.h"

namespace fs = std::filesystem;

namespace tasc::tune {
namespace {

// Ticks of 1, 2 or 5 x 10^k, at most 8, stretched to whole steps: at every
// range, from a few centimetres to tens of metres.
TEST(TuneChart, TicksFollowTheNiceNumberRuleAtAnyRange) {
  const struct {
    double lo, hi;
    double first, step;
    int count;
  } rows[] = {
      {-0.3, 0.3, -0.3, 0.1, 7},     // the smallest error range shown
      {-0.6, 0.12, -0.6, 0.2, 5},    // the example's starting record overruns
      {-17.0, 0.3, -20.0, 5.0, 6},   // stops 17 m past the point
      {-23.36, 0.7, -25.0, 5.0, 7},  // what a long overrun stretches to
      {0.05, 0.75, 0.0, 0.2, 5},     // 0.1 would need 9 ticks: the next step
      {25.0, 55.0, 25.0, 5.0, 7},    // approach speeds
      {0.32, 0.48, 0.3, 0.05, 5},    // dead times of +-20 %
      {-5.0, 5.0, -6.0, 2.0, 7},     // gradients
      {0.0, 1000.0, 0.0, 200.0, 6},  // a huge range
      {2.0, 2.0, 1.4, 0.2, 7},       // one value: a span of 1 around it
  };
  for (const auto& r : rows) {
    const Ticks t = niceTicks(r.lo, r.hi);
    EXPECT_NEAR(t.first, r.first, 1e-9) << r.lo << ".." << r.hi;
    EXPECT_NEAR(t.step, r.step, 1e-12) << r.lo << ".." << r.hi;
    EXPECT_EQ(t.count, r.count) << r.lo << ".." << r.hi;
  }
}

// The shown range keeps every error but those beyond 3 x the 90th percentile
// of |error|, and at least +-0.3 m.
TEST(TuneChart, ErrorAxisClipsOutliersAndKeepsTheRest) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  std::vector<double> fewFarOff(95, 0.05);
  fewFarOff.insert(fewFarOff.end(), {-17.0, -16.0, -15.5, 0.2, 0.25});
  std::vector<double> manyFarOff(80, -0.05);
  manyFarOff.insert(manyFarOff.end(), 20, -4.0);
  const struct {
    const char* what;
    std::vector<double> errors;
    double lo, hi;
  } rows[] = {
      {"none", {}, -0.3, 0.3},
      {"small errors: the least range", {0.02, -0.05, 0.1}, -0.3, 0.3},
      {"an overrunning start, all shown", {-0.6, -0.42, -0.18, 0.12, -0.05}, -0.6, 0.3},
      {"5 of 100 stops 15 m out: clipped", fewFarOff, -0.3, 0.3},
      {"a fifth far out: shown", manyFarOff, -4.0, 0.3},
      {"a run that did not stop counts nowhere", {nan, 0.4, -0.1}, -0.3, 0.4},
  };
  for (const auto& r : rows) {
    const ErrorRange range = shownErrors(r.errors);
    EXPECT_DOUBLE_EQ(range.lo, r.lo) << r.what;
    EXPECT_DOUBLE_EQ(range.hi, r.hi) << r.what;
  }
}

TEST(TuneChart, ClippedStopsAreMarkedWithTheirFarthestValue) {
  std::vector<engine::SweepOutcome> runs(40);  // 3 of them, under a tenth, out of the axis
  for (std::size_t i = 0; i < runs.size(); ++i) {
    runs[i].sweepCase.initialSpeed = 25.0 + static_cast<double>(i);
    runs[i].result.stopped = true;
    runs[i].result.stopError = 0.01 * static_cast<double>(i % 5);
  }
  runs[3].result.stopError = -17.25;
  runs[4].result.stopError = -12.0;
  runs[5].result.stopped = false;
  const std::string svg = renderTuneChart("t", runs, runs);
  EXPECT_NE(svg.find("&#9660; 2 beyond, to -17.25 m, 1 did not stop"), std::string::npos);
  EXPECT_EQ(svg.find("&#9650; "), std::string::npos);      // none above
  EXPECT_NE(svg.find(">-0.3</text>"), std::string::npos);  // the axis is not stretched to -17
  EXPECT_EQ(svg.find(">-5</text>"), std::string::npos);
}

// A regression: the second --write replaced FILE.bak, the original, by the
// first tuned file.
TEST(TuneRecordLine, SecondWriteKeepsTheFirstOriginal) {
  test::TempFolder t;
  const fs::path file = t.write("p.csv", "original\n");
  const struct {
    const char* text;    // written
    const char* backup;  // where the file it replaces goes
  } writes[] = {
      {"tuned 1\n", "p.csv.bak"}, {"tuned 2\n", "p.csv.bak2"}, {"tuned 3\n", "p.csv.bak3"}};
  std::string before = "original\n";
  for (const auto& w : writes) {
    const fs::path backup = backupPath(file);
    EXPECT_EQ(backup.filename(), w.backup);
    writeReplacing(file, w.text, backup);
    EXPECT_EQ(readWholeFile(file), w.text);
    EXPECT_EQ(readWholeFile(backup), before);
    before = w.text;
  }
  EXPECT_EQ(readWholeFile(t.path() / "p.csv.bak"), "original\n");
  // A backup that is there is never replaced, and the file stays as it was.
  EXPECT_THROW(writeReplacing(file, "tuned 4\n", t.path() / "p.csv.bak"), RecordError);
  EXPECT_EQ(readWholeFile(file), "tuned 3\n");
  EXPECT_EQ(readWholeFile(t.path() / "p.csv.bak"), "original\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(t.path()), fs::directory_iterator()), 4);
}

// The fitted vehicle wins over the scenario's own keys, which win over its
// vehicle_file's; a key none of them gives keeps the model's default.
TEST(TuneVehicle, FittedKeysWinOverTheScenariosAndItsVehicleFile) {
  test::TempFolder t;
  t.write("file.toml", "[vehicle]\nb7_decel = 2.8\nbrake_dead_time = 0.25\nresistance_a = 0.04\n");
  t.write("fit.toml", "[vehicle]\nb7_decel = 3.2\nbrake_time_constant = 0.5\n");
  t.write("fit-quarter.toml", "[vehicle]\nquarter_decel = 0.1\n");
  // The example's own [vehicle]: dead time 0.2 s, time constant 0.3 s.
  const std::string scenario = "vehicle_file = \"file.toml\"\n" + engine::test::exampleText();
  const engine::Scenario s =
      engine::parseScenario(scenario, t.path() / "s.toml", t.path() / "fit.toml");
  const struct {
    const char* key;
    double value, want;
  } rows[] = {
      {"b7_decel: fitted over the file's", s.vehicle.quarterDecel * 28.0, 3.2},
      {"brake_time_constant: fitted over the scenario's", s.vehicle.brakeTimeConstant, 0.5},
      {"brake_dead_time: the scenario's over the file's", s.vehicle.brakeDeadTime, 0.2},
      {"resistance_a: the file's alone", s.vehicle.resistanceA, 0.04},
      {"emergency_decel: nobody's, the default", s.vehicle.emergencyDecel, 4.5},
  };
  for (const auto& r : rows) EXPECT_DOUBLE_EQ(r.value, r.want) << r.key;
  // A fitted deceleration by the other name replaces the scenario's.
  const engine::Scenario q = engine::parseScenario(engine::test::exampleText(), t.path() / "s.toml",
                                                   t.path() / "fit-quarter.toml");
  EXPECT_DOUBLE_EQ(q.vehicle.quarterDecel, 0.1);
}

TEST(TuneVehicle, FaultsOfTheFittedFileNameIt) {
  test::TempFolder t;
  t.write("bad.toml", "[vehicle]\nb7_decel = 3.2\nbrake_lag = 1\n");
  t.write("none.toml", "[train]\n");
  const struct {
    const char* file;
    std::string starts;  // the message starts with it
    const char* has;
  } rows[] = {
      {"missing.toml", "fitted vehicle: cannot open", "missing.toml"},
      {"bad.toml", (t.path() / "bad.toml").string() + ":3:", "vehicle.brake_lag: unknown key"},
      {"none.toml", "fitted vehicle: ", "has no [vehicle] table"},
  };
  for (const auto& r : rows) {
    try {
      engine::parseScenario(engine::test::exampleText(), t.path() / "s.toml", t.path() / r.file);
      ADD_FAILURE() << r.file << ": accepted";
    } catch (const engine::ScenarioError& e) {
      const std::string what = e.what();
      EXPECT_EQ(what.rfind(r.starts, 0), 0u) << what;
      EXPECT_NE(what.find(r.has), std::string::npos) << what;
    }
  }
}

}  // namespace
}  // namespace tasc::tune
