// `tasc tune`: the objective's ordering, the search's bounds and fixed
// variables, the record line rewrite and the backups of --write, the chart's
// axes, and the fitted vehicle put over a scenario's (the tune through the
// plug-in is the goldens of tests/tune/CMakeLists.txt).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <limits>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "engine/engine_test_support.h"
#include "engine/scenario.h"
#include "readers/param_lines.h"
#include "support/cases.h"
#include "support/vehicle_folder.h"
#include "tune/objective.h"
#include "tune/record_file.h"
#include "tune/search.h"
#include "tune/tables.h"
#include "tune/tune_chart.h"

namespace fs = std::filesystem;

namespace tasc::tune {
namespace {

// A sweep of stops with the given errors (m), each with `changes` brake
// changes, a peak jerk and 20 s from the far beacon.
std::vector<engine::SweepOutcome> outcomes(std::vector<double> errors, int changes = 20,
                                           double jerk = 8.0) {
  std::vector<engine::SweepOutcome> out;
  for (double e : errors) {
    engine::SweepOutcome o;
    o.result.stopped = true;
    o.result.stopError = e;
    o.result.brakeChanges = changes;
    o.result.peakJerk = jerk;
    o.result.firstBeaconMs = 1000;
    o.result.stopMs = 21000;
    out.push_back(o);
  }
  return out;
}

double total(const std::vector<engine::SweepOutcome>& o, const Limits& limits) {
  return score(measure(o), limits, kDefaultParamRecord).total();
}

// The rows of data/ranked.txt, best first.
TEST(TuneObjective, RanksAccuracyThenComfortAndNeverPastALimit) {
  double better = -std::numeric_limits<double>::infinity();
  for (const test::Case& c : test::readCases("tune/data/ranked.txt")) {
    const std::vector<double> errors = test::numbers(c.f[1]);
    const double t = total(outcomes(errors, std::stoi(c.f[2]), std::stod(c.f[3])), {20, 8.0, 22.0});
    EXPECT_LT(better, t) << c.where;
    better = t;
  }
}

TEST(TuneObjective, RunThatDoesNotStopIsWorseThanAnyStop) {
  std::vector<engine::SweepOutcome> lost = outcomes({0.0, 0.0});
  lost[1].result.stopped = false;
  EXPECT_GT(total(lost, {20, 8, 22}), total(outcomes({0.0, -2.0}), {20, 8, 22}));
  // None stopped: no mean over no stops (it was 0 / 0).
  lost[0].result.stopped = false;
  const Metrics none = measure(lost);
  EXPECT_EQ(none.meanError, 0.0);
  EXPECT_EQ(none.meanAbsError, 0.0);
  EXPECT_EQ(none.meanTime, 0.0);
}

TEST(TuneObjective, LeadTimesThatRisePassALimit) {
  ParamRecord rising = kDefaultParamRecord;
  rising.leadTime[4] = 0.6;  // above leadTime[3] = 0.5
  const Metrics m = measure(outcomes({0.0}));
  EXPECT_GE(score(m, startLimits(m), rising).penalty, kLimitPenalty);
  EXPECT_EQ(score(m, startLimits(m), kDefaultParamRecord).penalty, 0.0);
}

TEST(TuneMatrix, ValidationTakesMidpointsAndEnds) {
  engine::SweepAxes axes;
  axes.initialSpeed = {40, 30, 50};
  axes.gradient = {0};
  const engine::SweepAxes v = validationAxes(axes);
  EXPECT_EQ(v.initialSpeed, (std::vector<double>{30, 35, 45, 50}));
  EXPECT_EQ(v.gradient, std::vector<double>{0});
  EXPECT_TRUE(v.brakeDeadTime.empty());
}

TEST(TuneVariables, NamesWithAndWithoutBrackets) {
  EXPECT_EQ(variableIndex("leadTime[4]"), 4);
  EXPECT_EQ(variableIndex("leadTime4"), 4);
  EXPECT_EQ(variableIndex("blendStart"), 8);
  EXPECT_EQ(variableIndex("hmPtnFlag[0]"), -1);
}

// A stand-in for the simulation: the error grows with the distance of
// leadTime[4] and decelNear from a target.
Metrics fakeSweep(const ParamRecord& r) {
  const double e = (r.leadTime[4] + 0.2) + 0.5 * (r.decelNear - 2.4);
  return measure(outcomes({e, e - 0.01, e + 0.01}));
}

// (That a seed repeats its search, the tune goldens show.)
TEST(TuneSearch, StaysWithinBoundsAndKeepsFixedVariables) {
  Bounds bounds = defaultBounds(3.36);
  bounds[4] = {-0.3, 0.05, false};
  bounds[5].fixed = true;  // decelFar
  bounds[7].fixed = true;  // blendLength
  std::vector<ParamRecord> seen;
  const Evaluate evaluate = [&](const ParamRecord& r) {
    seen.push_back(r);
    return fakeSweep(r);
  };
  SearchOptions o;
  o.bounds = bounds;
  o.budget = 60;
  o.seed = 7;
  const SearchResult a = search(evaluate, kDefaultParamRecord, o);
  ASSERT_EQ(seen.size(), 60u);
  for (std::size_t k = 1; k < seen.size(); ++k) {  // the start is measured as it is
    for (std::size_t i = 0; i < kVariableCount; ++i) {
      const double v = variable(seen[k], i);
      if (bounds[i].fixed) {
        EXPECT_EQ(v, variable(kDefaultParamRecord, i)) << variableName(i);
      } else {
        EXPECT_GE(v, bounds[i].lower - variableStep(i) / 2) << variableName(i);
        EXPECT_LE(v, bounds[i].upper + variableStep(i) / 2) << variableName(i);
        EXPECT_EQ(v, onStep(i, v)) << variableName(i);
      }
    }
    EXPECT_TRUE(std::is_sorted(seen[k].leadTime.rbegin(), seen[k].leadTime.rend()));
  }
  EXPECT_LT(a.best.score.total(), a.start.score.total());
  // Every variable free and a budget the search does not spend: the polish's
  // four rounds end it.
  o.bounds = defaultBounds(3.36);
  o.budget = 200;
  EXPECT_EQ(search(evaluate, kDefaultParamRecord, o).evaluations, 187u);
}

TEST(TuneSearch, LeadTimesSortOnlyWhenAllFreeAndTheirBoundsFall) {
  for (const test::Case& c : test::readCases("tune/data/lead_time_bounds.txt")) {
    Bounds b = defaultBounds(3.36);
    b[std::stoul(c.f[1])] = {std::stod(c.f[2]), std::stod(c.f[3]), c.f[4] == "1"};
    EXPECT_EQ(leadTimesSortable(b), c.f[5] == "1") << c.where;
  }
}

// The least budget and what tune says when the budget cannot search, or when
// it keeps the starting record.
TEST(TuneBudget, WarningAndReasonByBudget) {
  for (const test::Case& c : test::readCases("tune/data/budget.txt")) {
    const std::size_t budget = std::stoul(c.f[0]), free = std::stoul(c.f[1]);
    EXPECT_EQ(budgetWarning(budget, free), c.f[3]) << c.where;
    EXPECT_EQ(unchangedReason(budget, free, std::stoul(c.f[2])), c.f[4]) << c.where;
    EXPECT_EQ(globalSweeps(budget), std::stoul(c.f[5])) << c.where;
  }
  // The least budget is the first whose global phase holds the population
  // of free + 1 points and as many trials; two fifths of a budget, rounded.
  for (std::size_t free = 1; free <= kVariableCount; ++free) {
    EXPECT_GE(globalSweeps(neededBudget(free)), 2 * (free + 1)) << free;
    EXPECT_LT(globalSweeps(neededBudget(free) - 1), 2 * (free + 1)) << free;
  }
}

// The stopping beacons (501..503) of the vehicle's formation (1) select the
// records, each from the file the one before switched to. Words: formation
// in bits 6..9, record 10..14, file 15..20, sub 21..22.
TEST(TuneRecordFile, StoppingBeaconsOfTheFormationSelectTheRecords) {
  engine::Scenario s;
  s.vehicleFolder = TASC_SOURCE_DIR "/examples/vehicle";
  const int32_t types[] = {500, 501, 504, 505, 503, 502, 502};
  const int32_t words[] = {0x2440, 0x440, 0x1c40, 0x1840, 0x218840, 0x1480, 0x1040};
  for (std::size_t i = 0; i < std::size(types); ++i) s.beacons.push_back({types[i], 0, words[i]});
  EXPECT_EQ(selectedRecords(s), (std::vector<RecordKey>{{1, 0, 0}, {2, 1, 0}, {4, 0, 3}}));
}

// The second line rewritten, the last (without a line end) replaced, and a
// file of one line without a line end replaced, every other byte kept.
TEST(TuneRecordLine, RewritesOneLineAndKeepsEveryOtherByteGolden) {
  const std::string text =
      "1,0,3.5,2.5,1.5,0.5,0.1,2.6,2.2,50,1,0,0,0,0\r\n"
      "2,1,3.0,2.0,1.2,0.5,0.1,2.8,2.4,40,1,0,1,0,0\r\n"
      "3,0,4,3,2,0.8,0.15,3,2.4,60,1.5,0,0,0,0";
  ASSERT_EQ(findRecordLine(text, 2, 1), std::optional<std::size_t>(1));
  EXPECT_FALSE(findRecordLine(text, 2, 0));
  ParamRecord r = parseParamLine("2,1,3.0,2.0,1.2,0.5,0.1,2.8,2.4,40,1,0,1,0,0");
  r.leadTime[4] = -0.2;
  r.blendLength = 42.5;
  tasc::test::expectGolden("tune/golden/record-lines.txt",
                           replaceLine(text, 1, formatRecordLine(r)) + "\n--\n" +
                               replaceLine(text, 2, "x") + "\n--\n" + replaceLine("7,0", 0, "x"));
}

TEST(TuneRecordLine, FormattedLineReadsBackAsTheSameRecord) {
  ParamRecord r = kDefaultParamRecord;
  r.recordId = 31;
  r.subId = 3;
  r.leadTime = {0.30000000000000004, 1e-300, -0.0, 123456.789, -1.5};
  r.hmPtnFlag = {true, false, true, false};
  EXPECT_EQ(parseParamLine(formatRecordLine(r)), r);
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
