// The simulated train: notch decoding against the plug-in's own encoding,
// and the physics that the stop errors rest on where the golden traces and
// sweep do not reach it (the dead time, the lag and the gradient's pull act in
// every frame of those).
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
#include <tuple>

#include "engine/scenario.h"
#include "model/reach.h"
#include "model/train.h"
#include "plugin/plugin.h"
#include "support/cases.h"

namespace tasc::model {
namespace {

// A vehicle by its file under tests/, then the dead time in s where one is
// given (a vehicle field of data/notch7_distances.txt).
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
// The train tests' vehicle.
const char* const kPlain = "model/data/plain.toml";

// Runs the train at 60 frames/s for `ms` with fixed handles.
void runFor(Train& t, int32_t& now, int32_t ms) {
  for (int32_t end = now + ms; now < end;) {
    const int32_t next = now + (now % 50 == 0 ? 16 : 17);
    t.advance(next - now, now);
    now = next;
  }
}

TEST(Train, DecodingUndoesThePluginsEncodingForEveryCommand) {
  for (int32_t notches = 1; notches <= 10; ++notches) {
    for (int32_t command = 0; command <= 4 * notches; ++command) {
      EXPECT_EQ(decodeBrakeNotch(plugin::encodeBrakeNotch(command), notches), command)
          << notches << " notches, command " << command;
    }
  }
  EXPECT_EQ(decodeBrakeNotch(9, 8), -1);  // above the service notches: emergency
  EXPECT_EQ(decodeBrakeNotch(-3, 8), 0);
}

TEST(Train, ConstantBrakeStopsInTheTextbookDistance) {
  Train t(vehicleNamed(kPlain), 0, 40.0, 0.0);
  t.setHandles(7, 0, 1, 0);  // 28 quarters: 3.36 km/h/s
  int32_t now = 0;
  runFor(t, now, 20000);
  EXPECT_EQ(t.speed(), 0.0);
  EXPECT_NEAR(t.position(), 40.0 * 40.0 / (7.2 * 3.36), 1e-9);
}

// A fit moves the dead time in steps far below a frame: the response must
// move with it, not stand still for 16 ms and then jump a frame (a staircase
// objective). Speeds after braking with a notch change per frame.
TEST(Train, DeadTimeBetweenFramesMovesTheResponseContinuously) {
  const auto speedAfter = [](double dead) {
    VehicleModel v = vehicleNamed(kPlain);
    v.brakeDeadTime = dead;
    v.brakeTimeConstant = 0.3;
    Train t(v, 0, 40.0, 0.0);
    int32_t now = 0;
    for (int32_t notch = 0; notch <= 7; ++notch) {
      t.setHandles(notch, 0, 1, now);
      runFor(t, now, 16);
    }
    runFor(t, now, 1000);
    return t.speed();
  };
  double previous = speedAfter(0.200);
  for (int ms = 201; ms <= 216; ++ms) {
    const double v = speedAfter(ms / 1000.0);
    EXPECT_GT(v, previous) << ms << " ms";  // later braking: faster
    EXPECT_LT(v - previous, 0.01) << ms << " ms";
    previous = v;
  }
}

// A standing train does not roll back uphill; downhill it starts without a
// brake, and a brake that outweighs the pull holds it.
TEST(Train, StandingTrainRollsOnlyDownhillAndUnbraked) {
  for (const auto& [gradient, notch, rolls] :
       {std::tuple{30.0, 0, false}, {-20.0, 0, true}, {-20.0, 2, false}}) {
    Train t(vehicleNamed(kPlain), gradient, 0.0, 5.0);
    t.setHandles(notch, 0, 1, 0);
    int32_t now = 0;
    runFor(t, now, 2000);
    EXPECT_EQ(t.speed() > 0.5, rolls) << gradient << " notch " << notch;
    EXPECT_EQ(t.speed() == 0.0 && t.position() == 5.0, !rolls) << gradient << " notch " << notch;
  }
}

// One frame from 20 or 80 km/h: power falls above the knee speed (40 km/h) and
// needs a reverser; running resistance a + b v + c v^2 (km/h/s, v in km/h)
// slows a coasting train.
TEST(Train, PowerFallsAboveTheKneeNeedsAReverserAndResistanceSlows) {
  VehicleModel powered = vehicleNamed(kPlain), resisting = vehicleNamed(kPlain);
  powered.powerKneeSpeed = 40;
  resisting.resistanceA = 0.1;
  resisting.resistanceB = 0.01;
  resisting.resistanceC = 0.001;
  for (const auto& [v, speed, notch, reverser, accel] :
       {std::tuple{powered, 20.0, 5, 1, 2.5},
        {powered, 80.0, 5, 1, 1.25},
        {powered, 20.0, 5, 0, 0.0},
        {resisting, 20.0, 0, 1, -(0.1 + 0.01 * 20 + 0.001 * 400)}}) {
    Train t(v, 0, speed, 0.0);
    t.setHandles(0, notch, reverser, 0);
    t.advance(17, 0);
    EXPECT_NEAR(t.acceleration(), accel, 1e-12)
        << speed << " km/h, notch " << notch << ", reverser " << reverser;
  }
}

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
