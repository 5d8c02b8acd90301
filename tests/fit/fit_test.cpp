// The fit finds the vehicle again that `tasc sim` drove: recorded stops of a
// known vehicle coasting to the beacons (a dead time between frames, a
// gradient), and of an invented EMU with a slow brake approaching under
// power, as in a host; with and without noise on the recorded speeds. The
// true values are the scenarios' own (tests/fit/data).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <ostream>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "engine/scenario.h"
#include "engine/sweep.h"
#include "files/files.h"
#include "fit/fit.h"
#include "fit/segments.h"
#include "recording/reader.h"

namespace tasc::fit {
namespace {

// A scenario's sweep recorded once per process by `tasc sim --record` (in a
// folder of its own: CTest runs the tests of this program in parallel), and
// its segments.
struct Recorded {
  files::TempFolder dir{"tasc-fit-"};
  bool made = false;
  std::vector<Segment> segments;
  std::vector<std::string> notes;
};

const Recorded& recorded(const std::string& scenario, std::size_t stops) {
  static std::map<std::string, Recorded> byScenario;
  Recorded& r = byScenario[scenario];
  if (std::exchange(r.made, true)) return r;
  const std::string command = std::string("\"") + TASC_TOOL_PATH + "\" sim \"" + TASC_FIT_DATA +
                              "/" + scenario + ".toml\" --quiet --jobs 2 --out \"" +
                              (r.dir.path() / "sim").string() + "\" --record \"" +
                              (r.dir.path() / "rec").string() + "\"";
  if (std::system(command.c_str()) != 0) ADD_FAILURE() << command;
  for (std::size_t k = 1; k <= stops; ++k) {
    char name[64];
    std::snprintf(name, sizeof name, "%s-%04zu.csv", scenario.c_str(), k);
    const recording::ReadResult read = recording::readRecordingFile(r.dir.path() / "rec" / name);
    if (!read.ok) ADD_FAILURE() << read.message;
    for (Segment& s : brakingSegments(read.recording, name, r.notes)) {
      r.segments.push_back(std::move(s));
    }
  }
  return r;
}

// Uniform noise of +-`noise` km/h on every recorded speed above 0.
std::vector<Segment> withNoise(std::vector<Segment> segments, double noise, unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> draw(-noise, noise);
  for (Segment& s : segments) {
    for (double& v : s.speed) v = v > 0 ? v + draw(random) : v;
  }
  return segments;
}

// One fit of a scenario's stops, one CTest test, so that the fits run side by
// side. The known vehicle's fit starts resistance C elsewhere, so that it is
// fitted; the EMU's the model's own start.
struct Case {
  const char* scenario;
  bool gradientGiven;  // the scenario's gradient, or one fitted per stop
  double noise;        // km/h, uniform +- on every recorded speed
  unsigned seed;
  double deadTolerance;  // s
};
void PrintTo(const Case& c, std::ostream* os) {
  *os << c.scenario << (c.gradientGiven ? ", gradient given" : "") << ", +-" << c.noise
      << " km/h, seed " << c.seed;
}
class Recovery : public testing::TestWithParam<Case> {};

// The slowest known stop releases the brake between applications: its
// braking still reaches back to the first one, one segment. The plug-in cuts
// power as it brakes: such a stop was refused as "the brake went on where
// traction was on"; its segment starts a second or two before the cut, under
// the driver's notch.
TEST_P(Recovery, FindsTheScenariosVehicleAgain) {
  const Case c = GetParam();
  const engine::Scenario truth =
      engine::loadScenario(std::string(TASC_FIT_DATA "/") + c.scenario + ".toml");
  const model::VehicleModel& v = truth.vehicle;
  const std::vector<engine::SweepCase> stops = engine::expandSweep(truth);
  const Recorded& rec = recorded(c.scenario, stops.size());
  EXPECT_EQ(rec.notes, std::vector<std::string>{});
  ASSERT_EQ(rec.segments.size(), stops.size());
  FitOptions o;
  if (c.gradientGiven) o.gradient = truth.gradient;
  if (truth.driver.powerNotch == 0) o.start.resistanceC = 3 * v.resistanceC;
  const FitResult r = fitVehicle(withNoise(rec.segments, c.noise, c.seed), o);
  EXPECT_TRUE(r.failures.empty()) << r.failures.front();
  EXPECT_NEAR(r.vehicle.quarterDecel, v.quarterDecel, 0.02 * v.quarterDecel);
  EXPECT_NEAR(r.vehicle.brakeDeadTime, v.brakeDeadTime, c.deadTolerance);
  EXPECT_NEAR(r.vehicle.brakeTimeConstant, v.brakeTimeConstant, 0.10 * v.brakeTimeConstant);
  EXPECT_NEAR(r.vehicle.resistanceC, v.resistanceC, 0.2 * v.resistanceC);
  EXPECT_LT(r.rms, c.noise + 0.005);
  EXPECT_EQ(r.powerLagFitted, truth.driver.powerNotch > 0);
  if (r.powerLagFitted) {
    EXPECT_NEAR(r.vehicle.powerTimeConstant, v.powerTimeConstant, 0.2 * v.powerTimeConstant);
  }
  // Held resistance A: each stop's constant takes up the difference.
  if (c.gradientGiven) {
    EXPECT_NEAR(r.vehicle.resistanceA, v.resistanceA, 0.01);
  }
  const double heldA = c.gradientGiven ? 0 : (v.resistanceA - 0.02) / 0.0353;
  for (std::size_t k = 0; k < stops.size(); ++k) {
    const Segment& s = rec.segments[k];
    EXPECT_NEAR(r.segments[k].gradient, stops[k].gradient + heldA, 0.3) << s.recording;
    EXPECT_EQ(s.underPower(), truth.driver.powerNotch > 0) << s.recording;
    if (!s.underPower()) continue;
    EXPECT_EQ(s.power[s.brakeFrom], truth.driver.powerNotch) << s.recording;
    EXPECT_EQ(s.power[s.brakeFrom + 1], 0) << s.recording;
    EXPECT_GE(s.timeMs[s.brakeFrom], 1000) << s.recording;
    EXPECT_LE(s.timeMs[s.brakeFrom], 2000) << s.recording;
    // The notch's traction at the speed of the cut (above the knee).
    const double traction =
        v.powerAccel[truth.driver.powerNotch - 1] * v.powerKneeSpeed / s.speed[s.brakeFrom];
    EXPECT_NEAR(r.segments[k].traction, traction, 0.05 * traction) << s.recording;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Fit, Recovery,
    testing::Values(Case{"known-vehicle", true, 0.0, 7, 0.020},
                    Case{"known-vehicle", false, 0.0, 7, 0.020},
                    Case{"known-vehicle", true, 0.05, 7, 0.020},
                    Case{"known-vehicle", false, 0.05, 7, 0.020},
                    Case{"emu-under-power", false, 0.0, 1, 0.030},
                    Case{"emu-under-power", false, 0.05, 1, 0.030},
                    Case{"emu-under-power", false, 0.05, 2, 0.030},
                    Case{"emu-under-power", false, 0.05, 3, 0.030}),
    [](const testing::TestParamInfo<Case>& i) {
      std::string name =
          std::string(i.param.scenario).substr(0, std::string(i.param.scenario).find('-')) +
          (i.param.gradientGiven ? "_gradient_given" : "_gradient_fitted");
      return name + (i.param.noise > 0 ? "_noise_seed" + std::to_string(i.param.seed) : "_exact");
    });

}  // namespace
}  // namespace tasc::fit
