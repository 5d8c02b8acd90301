// The measures of a stop that tasc sim and tasc report share, by their
// literal values: the override as the vehicle applies it, the holding brake,
// the band, and the approach's brake changes and peaks.
#include <gtest/gtest.h>

#include <vector>

#include "engine/stop_measures.h"

namespace tasc::engine {
namespace {

// Notches as the plug-in sends them: whole notches at their numbers, quarter
// positions from 11 up (5 quarters are notch 14), for vehicles of 8 and 5
// service notches.
TEST(StopMeasures, OverrideIsWhatTheVehicleApplies) {
  const struct {
    const char* name;
    int32_t brake, constantSpeed, notches;
    bool active;
    int32_t quarters;
    bool beyond;
  } cases[] = {
      {"WholeNotch4Is16Quarters", 4, 2, 8, true, 16, false},
      {"QuarterNotch14Is5Quarters", 14, 2, 8, true, 5, false},
      {"Notch7Is28Quarters", 7, 2, 8, true, 28, false},
      {"Quarter38Above8NotchesIsCutToTheStrongest", 38, 2, 8, true, 32, true},
      {"WholeNotch8OnA5NotchVehicleIsTheEmergencyBrake", 8, 2, 5, true, -1, true},
      {"ConstantSpeed0IsTheDriversBrake", 4, 0, 8, false, -1, false},
      {"ConstantSpeed1IsTheDriversBrake", 4, 1, 8, false, -1, false},
  };
  for (const auto& c : cases) {
    const Override o = overrideOf(c.brake, c.constantSpeed, c.notches);
    EXPECT_EQ(o.active, c.active) << c.name;
    EXPECT_EQ(o.quarters, c.quarters) << c.name;
    EXPECT_EQ(o.beyond, c.beyond) << c.name;
  }
}

TEST(StopMeasures, HoldingBrakeIsTheOverrideAtNotch4) {
  EXPECT_TRUE(holdsTrain(4, 2));
  EXPECT_FALSE(holdsTrain(4, 1)) << "the driver's notch 4";
  EXPECT_FALSE(holdsTrain(16, 2)) << "quarters are not notches";
  EXPECT_FALSE(holdsTrain(5, 2));
}

TEST(StopMeasures, BandIsHalfAMetreEitherWayInclusive) {
  EXPECT_EQ(stopBand(0.5), "within 0.5 m");
  EXPECT_EQ(stopBand(-0.5), "within 0.5 m");
  EXPECT_EQ(stopBand(0.0), "within 0.5 m");
  EXPECT_EQ(stopBand(0.5000001), "outside 0.5 m");
  EXPECT_EQ(stopBand(-3.0), "outside 0.5 m");
}

TEST(StopMeasures, VerdictNamesThePluginsEvaluation) {
  EXPECT_STREQ(verdictName(verdictOf(StopResult::OnTarget)), "on target");
  EXPECT_STREQ(verdictName(verdictOf(StopResult::Short)), "short");
  EXPECT_STREQ(verdictName(verdictOf(StopResult::Overrun)), "overrun");
  EXPECT_STREQ(verdictName(verdictOf(StopResult::None)), "not evaluated");
  EXPECT_STREQ(verdictName(Verdict::NoPattern), "no pattern");
  EXPECT_STREQ(verdictName(Verdict::DidNotStop), "did not stop");
}

// Each case: the first frame's command, then frames of (command, counts a
// change, moving, accel km/h/s, step ms).
TEST(StopMeasures, ApproachCountsChangesAndPeaks) {
  using F = ApproachMeter::Frame;
  const struct {
    const char* name;
    int32_t first;
    std::vector<F> frames;
    int32_t changes;
    double decel, jerk;
  } cases[] = {
      {"ChangesCountOnlyWhereTheyCount",
       -1,
       {{4, false, true, 0, 20},
        {8, true, true, 0, 20},
        {8, true, true, 0, 20},
        {-1, true, true, 0, 20}},
       2,
       0,
       0},
      {"TheFirstFrameIsWhatTheNextChanges", 8, {{8, true, true, 0, 20}}, 0, 0, 0},
      {"DecelerationPeaksWhileMovingAlone",
       -1,
       {{-1, false, true, -1.5, 20}, {-1, false, true, -2.5, 20}, {-1, false, false, -9.0, 20}},
       0,
       2.5,
       50.0},
      {"JerkNeedsTwoMovingStepsInARow",
       -1,
       {{-1, false, true, -1.0, 20}, {-1, false, false, 0, 20}, {-1, false, true, -3.0, 20}},
       0,
       3.0,
       0},
      {"JerkIsOverTheLaterStep",
       -1,
       {{-1, false, true, -1.0, 20}, {-1, false, true, -2.0, 50}},
       0,
       2.0,
       20.0},
      {"AStepOfNoTimeGivesNoJerk",
       -1,
       {{-1, false, true, -1.0, 20}, {-1, false, true, -2.0, 0}},
       0,
       2.0,
       0},
      {"AccelerationIsNoDeceleration", -1, {{-1, false, true, 1.2, 20}}, 0, 0, 0},
  };
  for (const auto& c : cases) {
    ApproachMeter m;
    m.start(c.first);
    for (const F& f : c.frames) m.frame(f);
    EXPECT_EQ(m.brakeChanges(), c.changes) << c.name;
    EXPECT_DOUBLE_EQ(m.peakDecel(), c.decel) << c.name;
    EXPECT_DOUBLE_EQ(m.peakJerk(), c.jerk) << c.name;
  }
}

}  // namespace
}  // namespace tasc::engine
