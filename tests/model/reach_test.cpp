// The distance notch 7 needs and the highest speed it stops from within a
// beacon's distance, against hand computations (a constant deceleration after
// the dead time) and a fine-step integration of the continuous model (exact
// exponential lags, 10 us steps), and against the simulator's own train.
// Whether a stop can be made (assessReach) the sim summaries pin: emu-downhill
// cannot be made, single-stop can.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>

#include "engine/scenario.h"
#include "model/reach.h"
#include "model/train.h"
#include "support/cases.h"

namespace tasc::model {
namespace {

// A vehicle of data/notch7_distances.txt: its vehicle file under tests/,
// then the dead time in s when the case gives one.
VehicleModel vehicleNamed(const std::string& field) {
  std::istringstream words(field);
  std::string file;
  words >> file;
  VehicleModel v = engine::loadVehicleFile(std::string(TASC_SOURCE_DIR "/tests/") + file);
  double deadTime = 0;
  if (words >> deadTime) v.brakeDeadTime = deadTime;
  return v;
}

// The invented EMU of the fit's tests: 3.1 km/h/s, dead time 0.4 s, lag 0.8 s,
// traction 1.2 km/h/s at notch 2 falling above 35 km/h with a 0.5 s lag.
const char* const kEmu = "fit/data/emu-under-power.toml";

// The limit speed is the distance's inverse: the speed whose distance is the
// beacon's.
TEST(Notch7Distance, MatchesHandComputationsAndTheContinuousModelAndTheLimitSpeedIsItsInverse) {
  for (const tasc::test::Case& c : tasc::test::readCases("model/data/notch7_distances.txt")) {
    const VehicleModel v = vehicleNamed(c.f[1]);
    const ApproachState at{std::stod(c.f[2]), std::stoi(c.f[3])};
    const double speed = std::stod(c.f[4]), distance = std::stod(c.f[5]);
    EXPECT_NEAR(notch7Distance(v, at, speed), distance, std::stod(c.f[6])) << c.where;
    EXPECT_NEAR(notch7LimitSpeed(v, at, distance), speed, 0.002) << c.where;
  }
}

// The simulator's train at 1 ms steps, notch 7 commanded as power is cut.
TEST(Notch7Distance, AgreesWithTheSimulatedTrain) {
  const VehicleModel emu = vehicleNamed(kEmu);
  for (const double speed : {30.0, 45.0, 60.0}) {
    for (const double gradient : {-5.0, 0.0, 5.0}) {
      Train train(emu, gradient, speed, 0.0);
      train.setHandles(0, 2, 1, 0);
      train.advance(1, 0);  // the traction built up, as the train arrives under power
      const double start = train.position();
      const double arrival = train.speed();
      train.setHandles(7, 0, 1, 1);
      for (int32_t now = 1; train.speed() > 0 && now < 200000; ++now) train.advance(1, now);
      EXPECT_NEAR(notch7Distance(emu, {gradient, 2}, arrival), train.position() - start, 0.1)
          << speed << " km/h, " << gradient << " per mille";
    }
  }
}

TEST(Notch7LimitSpeed, DownhillSteeperThanTheBrakeServesNoSpeed) {
  VehicleModel weak = vehicleNamed("model/data/hand.toml");
  weak.quarterDecel = 0.3 / 28;  // 10 per mille down pulls 0.353 km/h/s
  EXPECT_TRUE(std::isinf(notch7Distance(weak, {-10, 0}, 20)));
  EXPECT_EQ(notch7LimitSpeed(weak, {-10, 0}, 149.045), 0.0);
}

}  // namespace
}  // namespace tasc::model
