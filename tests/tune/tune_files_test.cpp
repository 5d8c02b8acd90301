// `tasc tune` around the search: the chart's axes, the backups of --write,
// and the fitted vehicle put over a scenario's.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "engine/engine_test_support.h"
#include "engine/scenario.h"
#include "support/cases.h"
#include "support/vehicle_folder.h"
#include "tune/record_file.h"
#include "tune/tune_chart.h"

namespace fs = std::filesystem;

namespace tasc::tune {
namespace {

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
  // Marked "2 beyond, to -17.25 m, 1 did not stop" below, none above, and the
  // axis not stretched to -17 m.
  tasc::test::expectGolden("tune/golden/clipped-stops.svg", renderTuneChart("t", runs, runs));
}

// A regression: the second --write replaced FILE.bak, the original, by the
// first tuned file.
TEST(TuneRecordLine, SecondWriteKeepsTheFirstOriginal) {
  test::TempFolder t;
  const fs::path file = t.write("p.csv", "original\n");
  std::string before = "original\n";
  // Each text written, and where the file it replaces goes.
  for (const auto& [text, backupName] : {std::pair{"tuned 1\n", "p.csv.bak"},
                                         {"tuned 2\n", "p.csv.bak2"},
                                         {"tuned 3\n", "p.csv.bak3"}}) {
    const fs::path backup = backupPath(file);
    EXPECT_EQ(backup.filename(), backupName);
    writeReplacing(file, text, backup);
    EXPECT_EQ(readWholeFile(file), text);
    EXPECT_EQ(readWholeFile(backup), before);
    before = text;
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
  for (const auto& [key, value, want] :
       {std::tuple{"b7_decel: fitted over the file's", s.vehicle.quarterDecel * 28.0, 3.2},
        {"brake_time_constant: fitted over the scenario's", s.vehicle.brakeTimeConstant, 0.5},
        {"brake_dead_time: the scenario's over the file's", s.vehicle.brakeDeadTime, 0.2},
        {"resistance_a: the file's alone", s.vehicle.resistanceA, 0.04},
        {"emergency_decel: nobody's, the default", s.vehicle.emergencyDecel, 4.5}}) {
    EXPECT_DOUBLE_EQ(value, want) << key;
  }
  // A fitted deceleration by the other name replaces the scenario's.
  const engine::Scenario q = engine::parseScenario(engine::test::exampleText(), t.path() / "s.toml",
                                                   t.path() / "fit-quarter.toml");
  EXPECT_DOUBLE_EQ(q.vehicle.quarterDecel, 0.1);
}

}  // namespace
}  // namespace tasc::tune
