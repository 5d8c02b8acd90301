// The distance notch 7 needs and the highest speed it stops from within a
// beacon's distance, against hand computations (a constant deceleration after
// the dead time) and a fine-step integration of the continuous model (exact
// exponential lags, 10 us steps), and against the simulator's own train.
#include <gtest/gtest.h>

#include <cmath>

#include "model/reach.h"
#include "model/train.h"

namespace tasc::model {
namespace {

// 3.6 km/h/s at notch 7 is 1 m/s^2: the hand computations stay readable.
VehicleModel handVehicle(double deadTime) {
  VehicleModel v;
  v.quarterDecel = 3.6 / 28;
  v.brakeDeadTime = deadTime;
  v.brakeTimeConstant = 0;
  v.resistanceA = v.resistanceB = v.resistanceC = 0;
  return v;
}

// The invented EMU of the fit's tests: 3.1 km/h/s, dead time 0.4 s, lag 0.8 s,
// traction 1.2 km/h/s at notch 2 falling above 35 km/h with a 0.5 s lag.
VehicleModel emu() {
  VehicleModel v;
  v.powerNotches = 4;
  v.quarterDecel = 3.1 / 28;
  v.brakeDeadTime = 0.4;
  v.brakeTimeConstant = 0.8;
  v.powerAccel = {0.6, 1.2, 1.8, 2.4};
  v.powerKneeSpeed = 35;
  v.powerTimeConstant = 0.5;
  v.resistanceA = 0.03;
  v.resistanceB = 0;
  v.resistanceC = 0.00003;
  return v;
}

VehicleModel slowBrake() {
  VehicleModel v = handVehicle(0.4);
  v.quarterDecel = 3.1 / 28;
  v.brakeTimeConstant = 0.8;
  return v;
}

struct DistanceCase {
  const char* name;
  VehicleModel vehicle;
  ApproachState at;
  double speed;     // km/h
  double expected;  // m
  double tolerance;
};

TEST(Notch7Distance, MatchesHandComputationsAndTheContinuousModel) {
  const DistanceCase cases[] = {
      // 10 m/s: 10 * 0.5 m in the dead time, then 10^2 / 2 m.
      {"dead time, then notch 7 at once", handVehicle(0.5), {0, 0}, 36, 55.0, 0.005},
      {"no dead time", handVehicle(0), {0, 0}, 36, 50.0, 0.005},
      // 10 per mille down is 0.0980665 m/s^2 of pull: 100 / (2 * 0.9019335).
      {"a downhill pulls against the brake", handVehicle(0), {-10, 0}, 36, 55.4365, 0.005},
      {"and through the dead time", handVehicle(0.5), {-10, 0}, 36, 60.9937, 0.01},
      {"an uphill helps it", handVehicle(0), {10, 0}, 36, 45.5346, 0.005},
      // Continuous model, integrated apart: the lag's exponential after 0.4 s.
      {"the brake builds up with its lag", slowBrake(), {0, 0}, 50, 128.398, 0.02},
      {"the EMU arriving under power on -3.5", emu(), {-3.5, 2}, 57.4, 170.551, 0.05},
  };
  for (const DistanceCase& c : cases) {
    EXPECT_NEAR(notch7Distance(c.vehicle, c.at, c.speed), c.expected, c.tolerance) << c.name;
  }
}

// The simulator's train at 1 ms steps, notch 7 commanded as power is cut.
TEST(Notch7Distance, AgreesWithTheSimulatedTrain) {
  for (const double speed : {30.0, 45.0, 60.0}) {
    for (const double gradient : {-5.0, 0.0, 5.0}) {
      Train train(emu(), gradient, speed, 0.0);
      train.setHandles(0, 2, 1, 0);
      train.advance(1, 0);  // the traction built up, as the train arrives under power
      const double start = train.position();
      const double arrival = train.speed();
      train.setHandles(7, 0, 1, 1);
      for (int32_t now = 1; train.speed() > 0 && now < 200000; ++now) train.advance(1, now);
      EXPECT_NEAR(notch7Distance(emu(), {gradient, 2}, arrival), train.position() - start, 0.1)
          << speed << " km/h, " << gradient << " per mille";
    }
  }
}

TEST(Notch7LimitSpeed, IsTheSpeedWhoseDistanceIsTheBeacons) {
  EXPECT_NEAR(notch7LimitSpeed(handVehicle(0.5), {0, 0}, 55.0), 36.0, 0.002);
  EXPECT_NEAR(notch7LimitSpeed(handVehicle(0), {0, 0}, 50.0), 36.0, 0.002);
  // The continuous model, bisected apart: 53.32 km/h at the 503 beacon.
  EXPECT_NEAR(notch7LimitSpeed(emu(), {-3.5, 2}, 149.045), 53.32, 0.02);
}

TEST(Notch7LimitSpeed, DownhillSteeperThanTheBrakeServesNoSpeed) {
  VehicleModel weak = handVehicle(0);
  weak.quarterDecel = 0.3 / 28;  // 10 per mille down pulls 0.353 km/h/s
  EXPECT_TRUE(std::isinf(notch7Distance(weak, {-10, 0}, 20)));
  EXPECT_EQ(notch7LimitSpeed(weak, {-10, 0}, 149.045), 0.0);
}

TEST(Reach, CannotBeMadeWhenNotch7NeedsMoreThanTheBeaconGives) {
  const Reach fast = assessReach(emu(), {-3.5, 2}, 503, 57.4, 149.045);
  EXPECT_TRUE(fast.cannotBeMade());
  EXPECT_NEAR(fast.needed, 170.551, 0.05);
  EXPECT_NEAR(fast.limitSpeed, 53.32, 0.02);
  const Reach slow = assessReach(emu(), {-3.5, 2}, 503, 50.0, 149.045);
  EXPECT_FALSE(slow.cannotBeMade());
  EXPECT_FALSE(Reach{}.cannotBeMade());  // no far beacon passed: nothing to judge
}

}  // namespace
}  // namespace tasc::model
