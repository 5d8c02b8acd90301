// The fit finds the vehicle again that `tasc sim` drove: recorded stops of a
// known vehicle coasting to the beacons (a dead time between frames, a
// gradient), and of an invented EMU with a slow brake approaching under
// power, as in a host; with and without noise on the recorded speeds.
#include <gtest/gtest.h>

#include <unistd.h>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "fit/fit.h"
#include "fit/segments.h"
#include "recording/reader.h"

namespace tasc::fit {
namespace {

namespace fs = std::filesystem;

// A scenario's sweep recorded once per process by `tasc sim --record` (in a
// folder of its own: CTest runs the tests of this program in parallel), and
// its segments.
struct Recorded {
  fs::path dir;
  std::vector<Segment> segments;
  std::vector<std::string> notes;
  ~Recorded() {
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
};

const Recorded& recorded(const std::string& scenario, std::size_t stops) {
  static std::map<std::string, Recorded> made;
  Recorded& r = made[scenario];
  if (!r.dir.empty()) return r;
  r.dir =
      fs::path(testing::TempDir()) / ("tasc-fit-" + scenario + "-" + std::to_string(::getpid()));
  fs::remove_all(r.dir);
  const std::string command = std::string("\"") + TASC_TOOL_PATH + "\" sim \"" + TASC_FIT_DATA +
                              "/" + scenario + ".toml\" --quiet --jobs 2 --out \"" +
                              (r.dir / "sim").string() + "\" --record \"" +
                              (r.dir / "rec").string() + "\"";
  if (std::system(command.c_str()) != 0) ADD_FAILURE() << command;
  for (std::size_t k = 1; k <= stops; ++k) {
    char name[64];
    std::snprintf(name, sizeof name, "%s-%04zu.csv", scenario.c_str(), k);
    const recording::ReadResult read = recording::readRecordingFile(r.dir / "rec" / name);
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

// The values of tests/fit/data/known-vehicle.toml.
constexpr double kB7 = 3.6, kDead = 0.23, kLag = 0.45, kGradient = 5.0, kResistanceA = 0.03,
                 kResistanceC = 0.00002;
constexpr std::size_t kStops = 10;

TEST(Fit, RecoversTheKnownVehicle) {
  // The slowest stop releases the brake between applications: its braking
  // still reaches back to the first one, one segment.
  ASSERT_EQ(recorded("known-vehicle", kStops).segments.size(), kStops);
  const struct {
    const char* name;
    std::optional<double> gradient;
    double noise;  // km/h, uniform +- on every recorded speed
  } cases[] = {
      {"gradient given", kGradient, 0.0},
      {"gradient fitted", std::nullopt, 0.0},
      {"gradient given, noisy speeds", kGradient, 0.05},
      {"gradient fitted, noisy speeds", std::nullopt, 0.05},
  };
  for (const auto& c : cases) {
    FitOptions o;
    o.gradient = c.gradient;
    o.start.resistanceC = 3 * kResistanceC;  // fitted: start elsewhere
    const FitResult r =
        fitVehicle(withNoise(recorded("known-vehicle", kStops).segments, c.noise, 7), o);
    EXPECT_TRUE(r.failures.empty()) << c.name << ": " << r.failures.front();
    EXPECT_NEAR(r.vehicle.brakeDeadTime, kDead, 0.020) << c.name;
    EXPECT_NEAR(r.vehicle.brakeTimeConstant, kLag, 0.10 * kLag) << c.name;
    EXPECT_NEAR(r.vehicle.quarterDecel * 28, kB7, 0.02 * kB7) << c.name;
    EXPECT_NEAR(r.vehicle.resistanceC, kResistanceC, 0.2 * kResistanceC) << c.name;
    EXPECT_LT(r.rms, c.noise + 0.005) << c.name;
    EXPECT_FALSE(r.powerLagFitted) << c.name;
    // Held resistance A: each stop's constant takes up the difference.
    const double gradient = c.gradient ? kGradient : kGradient + (kResistanceA - 0.02) / 0.0353;
    for (const SegmentFit& f : r.segments) EXPECT_NEAR(f.gradient, gradient, 0.3) << c.name;
    if (c.gradient) {
      EXPECT_NEAR(r.vehicle.resistanceA, kResistanceA, 0.01) << c.name;
    }
  }
}

// The values of tests/fit/data/emu-under-power.toml: the sweep runs the
// speeds 30, 40, 50 km/h, each over the gradients -3.5, 0, +3.5 per mille.
constexpr double kEmuB7 = 3.1, kEmuDead = 0.40, kEmuLag = 0.80, kEmuPowerLag = 0.5,
                 kEmuResistanceA = 0.03, kEmuResistanceC = 0.00003, kEmuNotch2 = 1.2,
                 kEmuKnee = 35.0;
constexpr double kEmuGradients[] = {-3.5, 0.0, 3.5};
constexpr std::size_t kEmuStops = 9;

// The plug-in cuts power as it brakes: such a stop was refused as "the brake
// went on where traction was on". Its segment starts a second or two before
// the cut, under the driver's notch.
TEST(Fit, ApproachUnderPowerIsASegment) {
  const Recorded& emu = recorded("emu-under-power", kEmuStops);
  EXPECT_EQ(emu.notes, std::vector<std::string>{});
  ASSERT_EQ(emu.segments.size(), kEmuStops);
  for (const Segment& s : emu.segments) {
    EXPECT_TRUE(s.underPower()) << s.recording;
    EXPECT_EQ(s.power[s.brakeFrom], 2) << s.recording;
    EXPECT_EQ(s.power[s.brakeFrom + 1], 0) << s.recording;
    EXPECT_GE(s.timeMs[s.brakeFrom], 1000) << s.recording;
    EXPECT_LE(s.timeMs[s.brakeFrom], 2000) << s.recording;
  }
}

// One case a CTest test, so that the fits run side by side.
struct Noise {
  double noise;  // km/h, uniform +- on every recorded speed
  unsigned seed;
};
void PrintTo(const Noise& n, std::ostream* os) {
  *os << "+-" << n.noise << " km/h, seed " << n.seed;
}
class EmuRecovery : public testing::TestWithParam<Noise> {};

TEST_P(EmuRecovery, RecoversTheEmuFromApproachesUnderPower) {
  const Noise c = GetParam();
  const std::string name = "noise " + std::to_string(c.noise) + ", seed " + std::to_string(c.seed);
  const std::vector<Segment> segments =
      withNoise(recorded("emu-under-power", kEmuStops).segments, c.noise, c.seed);
  ASSERT_EQ(segments.size(), kEmuStops);
  const FitResult r = fitVehicle(segments, FitOptions{});
  EXPECT_TRUE(r.failures.empty()) << name << ": " << r.failures.front();
  EXPECT_NEAR(r.vehicle.quarterDecel * 28, kEmuB7, 0.02 * kEmuB7) << name;
  EXPECT_NEAR(r.vehicle.brakeDeadTime, kEmuDead, 0.030) << name;
  EXPECT_NEAR(r.vehicle.brakeTimeConstant, kEmuLag, 0.10 * kEmuLag) << name;
  EXPECT_NEAR(r.vehicle.powerTimeConstant, kEmuPowerLag, 0.2 * kEmuPowerLag) << name;
  EXPECT_NEAR(r.vehicle.resistanceC, kEmuResistanceC, 0.2 * kEmuResistanceC) << name;
  EXPECT_LT(r.rms, c.noise + 0.005) << name;
  for (std::size_t k = 0; k < kEmuStops; ++k) {
    const Segment& s = segments[k];
    const double gradient = kEmuGradients[k % 3] + (kEmuResistanceA - 0.02) / 0.0353;
    EXPECT_NEAR(r.segments[k].gradient, gradient, 0.3) << name << ", " << s.recording;
    // The notch's traction at the speed of the cut (above the knee).
    const double traction = kEmuNotch2 * kEmuKnee / s.speed[s.brakeFrom];
    EXPECT_NEAR(r.segments[k].traction, traction, 0.05 * traction) << name << ", " << s.recording;
  }
}

INSTANTIATE_TEST_SUITE_P(Fit, EmuRecovery,
                         testing::Values(Noise{0.0, 1}, Noise{0.05, 1}, Noise{0.05, 2},
                                         Noise{0.05, 3}),
                         [](const testing::TestParamInfo<Noise>& i) {
                           return i.param.noise > 0 ? "noise_seed" + std::to_string(i.param.seed)
                                                    : std::string("exact");
                         });

}  // namespace
}  // namespace tasc::fit
