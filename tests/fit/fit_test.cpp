// The fit finds the vehicle again that `tasc sim` drove: ten recorded stops
// of a known vehicle (a dead time between frames, a gradient), with and
// without noise on the recorded speeds.
#include <gtest/gtest.h>

#include <unistd.h>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "fit/fit.h"
#include "fit/segments.h"
#include "recording/reader.h"

namespace tasc::fit {
namespace {

namespace fs = std::filesystem;

// The values of tests/fit/data/known-vehicle.toml.
constexpr double kB7 = 3.6, kDead = 0.23, kLag = 0.45, kGradient = 5.0, kResistanceA = 0.03,
                 kResistanceC = 0.00002;
constexpr std::size_t kStops = 10;

// The segments of the known vehicle's recordings, made once per process (in
// a folder of its own: CTest runs the tests of this program in parallel).
const std::vector<Segment>& knownSegments() {
  static const std::vector<Segment> segments = [] {
    std::vector<Segment> all;
    const fs::path dir =
        fs::path(testing::TempDir()) / ("tasc-fit-known-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    const std::string command = std::string("\"") + TASC_TOOL_PATH + "\" sim \"" + TASC_FIT_DATA +
                                "/known-vehicle.toml\" --quiet --jobs 2 --out \"" +
                                (dir / "sim").string() + "\" --record \"" + (dir / "rec").string() +
                                "\"";
    if (std::system(command.c_str()) != 0) ADD_FAILURE() << command;
    for (std::size_t k = 1; k <= kStops; ++k) {
      const std::string name =
          "known-vehicle-00" + std::string(k < 10 ? "0" : "") + std::to_string(k) + ".csv";
      const recording::ReadResult read = recording::readRecordingFile(dir / "rec" / name);
      if (!read.ok) ADD_FAILURE() << read.message;
      std::vector<std::string> notes;
      for (Segment& s : brakingSegments(read.recording, name, notes)) all.push_back(std::move(s));
    }
    fs::remove_all(dir);
    return all;
  }();
  return segments;
}

// The slowest stop releases the brake between applications: its braking still
// reaches back to the first one.
TEST(Fit, StopWithTheBrakeReleasedBetweenIsStillOneSegment) {
  EXPECT_EQ(knownSegments().size(), kStops);
}

TEST(Fit, RecoversTheKnownVehicle) {
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
    std::vector<Segment> segments = knownSegments();
    std::mt19937 random(7);
    std::uniform_real_distribution<double> noise(-c.noise, c.noise);
    for (Segment& s : segments) {
      for (double& v : s.speed) v = v > 0 ? v + noise(random) : v;
    }
    FitOptions o;
    o.gradient = c.gradient;
    if (c.gradient) o.start.resistanceC = 3 * kResistanceC;  // fitted then: start elsewhere
    const FitResult r = fitVehicle(segments, o);
    EXPECT_TRUE(r.failures.empty()) << c.name << ": " << r.failures.front();
    EXPECT_NEAR(r.vehicle.brakeDeadTime, kDead, 0.020) << c.name;
    EXPECT_NEAR(r.vehicle.brakeTimeConstant, kLag, 0.10 * kLag) << c.name;
    EXPECT_NEAR(r.vehicle.quarterDecel * 28, kB7, 0.02 * kB7) << c.name;
    EXPECT_LT(r.rms, c.noise + 0.005) << c.name;
    // Held resistance A: each stop's constant takes up the difference.
    const double gradient = c.gradient ? kGradient : kGradient + (kResistanceA - 0.02) / 0.0353;
    for (const SegmentFit& f : r.segments) EXPECT_NEAR(f.gradient, gradient, 0.3) << c.name;
    if (c.gradient) {
      EXPECT_NEAR(r.vehicle.resistanceA, kResistanceA, 0.01) << c.name;
      EXPECT_NEAR(r.vehicle.resistanceC, kResistanceC, 0.2 * kResistanceC) << c.name;
    }
  }
}

}  // namespace
}  // namespace tasc::fit
