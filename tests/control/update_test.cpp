// The control cycle: pattern numbers, the phase control, the low-speed
// commands, the holding brake, the stop evaluation and the guards against
// unusual numbers.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "control/pattern.h"
#include "cycle_rig.h"

namespace tasc::test {
namespace {

constexpr int32_t kInt32Max = std::numeric_limits<int32_t>::max();
constexpr int32_t kInt32Min = std::numeric_limits<int32_t>::min();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// --- pure pattern arithmetic ---

TEST(PatternDecel, BlendRatioIsClampedAndNaNCountsAsZero) {
  ParamRecord p = kDefaultParamRecord;
  // ratio 1.5 behaves as 1, ratio -0.3 as 0.
  EXPECT_EQ(patternDecel(p, 1.0 + 1.5 * 50.0), patternDecel(p, 1.0 + 50.0));
  EXPECT_EQ(patternDecel(p, 1.0 - 0.3 * 50.0), p.decelNear);
  p.blendLength = 0.0;
  EXPECT_EQ(patternDecel(p, 1.0), p.decelNear);                               // 0/0
  EXPECT_EQ(patternDecel(p, 2.0), patternDecel(kDefaultParamRecord, 100.0));  // +inf -> 1
  EXPECT_EQ(patternDecel(p, 0.0), p.decelNear);                               // -inf -> 0
  EXPECT_EQ(patternDecel(kDefaultParamRecord, kNaN), kDefaultParamRecord.decelNear);
}

TEST(TruncToInt32, SaturatesAndMapsNaN) {
  const struct {
    double in;
    int32_t out;
  } cases[] = {{18.9, 18},
               {-0.9, 0},
               {-1.5, -1},
               {2147483647.9, kInt32Max},
               {2147483648.0, kInt32Max},
               {1e300, kInt32Max},
               {kInf, kInt32Max},
               {-2147483648.9, kInt32Min},
               {-2147483649.0, kInt32Min},
               {-kInf, kInt32Min},
               {kNaN, 77}};
  for (const auto& t : cases) EXPECT_EQ(truncToInt32(t.in, 77), t.out) << t.in;
}

TEST(AddSaturated, StopsAtTheBounds) {
  EXPECT_EQ(addSaturated(16, 16), 32);
  EXPECT_EQ(addSaturated(kInt32Max - 10, 16), kInt32Max);
  EXPECT_EQ(addSaturated(kInt32Max, kInt32Max), kInt32Max);
  EXPECT_EQ(addSaturated(kInt32Min + 1, -16), kInt32Min);
}

// --- maxBrakeSteps ---

struct StepsCase {
  double distance;
  int32_t steps;
};

class MaxBrakeSteps : public CycleTest, public ::testing::WithParamInterface<StepsCase> {};

TEST_P(MaxBrakeSteps, FollowsTheBlendedPatternDeceleration) {
  c.remainingDistance = GetParam().distance;
  cycle(0.0f, 0);
  EXPECT_EQ(c.maxBrakeSteps, GetParam().steps);
}

INSTANTIATE_TEST_SUITE_P(DefaultRecord, MaxBrakeSteps,
                         ::testing::Values(StepsCase{-10.0, 18}, StepsCase{1.0, 18},
                                           StepsCase{26.0, 20}, StepsCase{51.0, 21},
                                           StepsCase{500.0, 21}));

// --- phase control ---

TEST_F(CycleTest, FirstArmedCycleAt40KmhAnd100mStartsBrakingAndLowersToTest2) {
  const double travel = (40.0 / 3.6) * (16 / 1000.0);
  arm(100.0 + travel);
  cycle(40.0f, 16);
  EXPECT_NEAR(c.remainingDistance, 100.0, 1e-9);
  EXPECT_EQ(c.maxBrakeSteps, 21);
  // Tests 0, 1 and 2 fire, 3 and 4 do not: 0, then 8, then 21 / 3.
  EXPECT_EQ(c.brakePhase, BrakePhase::Staircase);
  EXPECT_EQ(c.brakeCommand, 7);
  EXPECT_EQ(c.panelLamps[kLampBraking], 1);
}

TEST_F(CycleTest, BrakingStartNeedsTheFirstLookAheadTest) {
  arm(300.0);
  cycle(40.0f, 0);
  EXPECT_EQ(c.brakePhase, BrakePhase::Waiting);
  EXPECT_EQ(c.brakeCommand, -1);
  EXPECT_EQ(c.panelLamps[kLampBraking], 0);
}

TEST_F(CycleTest, StaircaseStepsThroughCommandsAsTheTrainClosesIn) {
  // At a constant 40 km/h the commands rise 0, 8, 7 (=21/3), 10 (=21/2) and
  // then tracking takes over: each new command appears in that order.
  arm(140.0);
  std::vector<int32_t> seen;
  while (c.brakePhase != BrakePhase::Tracking && c.remainingDistance > 0.0) {
    cycle(40.0f, 16);
    if (c.brakePhase == BrakePhase::Staircase && (seen.empty() || seen.back() != c.brakeCommand)) {
      seen.push_back(c.brakeCommand);
    }
  }
  EXPECT_EQ(seen, (std::vector<int32_t>{0, 8, 7, 10}));
  EXPECT_EQ(c.brakePhase, BrakePhase::Tracking);
}

TEST_F(CycleTest, StaircaseWithThePatternCancelledGivesNoCommandButKeepsTheLamp) {
  c.brakePhase = BrakePhase::Staircase;
  c.patternActive = false;
  c.remainingDistance = 20.0;
  cycle(40.0f, 0);
  EXPECT_EQ(c.brakeCommand, -1);
  EXPECT_EQ(c.panelLamps[kLampBraking], 1);
  EXPECT_EQ(c.brakePhase, BrakePhase::Staircase);
}

TEST_F(CycleTest, NoPatternInWaitingGivesNoCommand) {
  c.remainingDistance = 5.0;
  cycle(60.0f, 0);
  EXPECT_EQ(c.brakeCommand, -1);
  EXPECT_EQ(c.brakePhase, BrakePhase::Waiting);
}

struct TrackingCase {
  float speed;
  double distance;
  int32_t command;
};

class Tracking : public CycleTest, public ::testing::WithParamInterface<TrackingCase> {};

// Tracking does not need an armed pattern: the pattern is left unarmed here.
TEST_P(Tracking, CommandFollowsThePattern) {
  c.brakePhase = BrakePhase::Tracking;
  c.remainingDistance = GetParam().distance;
  cycle(GetParam().speed, 0);
  EXPECT_EQ(c.brakeCommand, GetParam().command);
  EXPECT_EQ(c.brakePhase, BrakePhase::Tracking);
  EXPECT_EQ(c.panelLamps[kLampBraking], 1);
}

INSTANTIATE_TEST_SUITE_P(
    DefaultRecord, Tracking,
    ::testing::Values(TrackingCase{20.0f, 20.0, 26},     // (20 - 19.15) / 0.12 + 19
                      TrackingCase{40.0f, 60.0, 28},     // above 28: clamped
                      TrackingCase{0.0f, 0.0, 8},        // 18, limited to 8 below 1.2
                      TrackingCase{1.19f, 0.0, 8},       // still below 1.2
                      TrackingCase{1.2f, 0.0, 17},       // 1.2f widens above 1.2: no limit
                      TrackingCase{10.0f, 200.0, -406},  // (10 - 61.27) / 0.12 + 21: no lower limit
                      TrackingCase{-5.0f, 0.0, -23}));   // rolling back

TEST(TrackingCommand, UnlimitedValueOnThePointIsMaxBrakeSteps) {
  EXPECT_EQ(trackingCommand(0.0, 0.0, 0.1, 2.2, 0.12, 18), 18);
}

TEST_F(CycleTest, TestFourSwitchesToTrackingInTheSameCycle) {
  arm(30.0);
  c.brakePhase = BrakePhase::Staircase;
  cycle(60.0f, 0);  // far above the pattern: every test fires
  EXPECT_EQ(c.brakePhase, BrakePhase::Tracking);
  EXPECT_EQ(c.brakeCommand, 28);  // tracking replaces the staircase command
}

// --- holding brake ---

TEST_F(CycleTest, HoldingBrakeNeedsStandstillAResultAndNoPower) {
  c.timers[kStandstillTimer] = 5000;
  c.stopResult = StopResult::Short;
  c.brakePhase = BrakePhase::Tracking;
  power() = 1;
  cycle(0.0f);
  EXPECT_EQ(c.brakeCommand, 8);  // tracking, limited; no hold with power on
  power() = 0;
  cycle(0.0f);
  EXPECT_EQ(c.brakeCommand, 16);
  EXPECT_EQ(c.brakePhase, BrakePhase::Waiting);
  EXPECT_EQ(c.panelLamps[kLampBraking], 1);
}

// --- low-speed commands ---

struct LowSpeedCase {
  float speed;
  bool toggle;
  int32_t command;
  int32_t brakingLamp;
};

class LowSpeedCommands : public CycleTest, public ::testing::WithParamInterface<LowSpeedCase> {};

TEST_P(LowSpeedCommands, ByThe32BitSpeed) {
  c.lowSpeedMode = true;
  c.uKeyLatch = true;
  c.brakePhase = BrakePhase::Staircase;  // frozen while the mode is on
  c.beacon400Toggle = GetParam().toggle;
  power() = 1;
  cycle(GetParam().speed);
  EXPECT_EQ(c.brakeCommand, GetParam().command);
  EXPECT_EQ(c.panelLamps[kLampBraking], GetParam().brakingLamp);
  EXPECT_EQ(c.panelLamps[kLampPatternArmed], 1);
  EXPECT_EQ(c.brakePhase, BrakePhase::Staircase);
  EXPECT_TRUE(c.lowSpeedMode);
}

INSTANTIATE_TEST_SUITE_P(
    All, LowSpeedCommands,
    ::testing::Values(LowSpeedCase{0.0f, false, -1, 0}, LowSpeedCase{0.5f, false, -1, 0},
                      LowSpeedCase{0.8f, false, 1, 1}, LowSpeedCase{1.0f, false, 1, 1},
                      LowSpeedCase{1.5f, false, 2, 1}, LowSpeedCase{-3.0f, false, -1, 0},
                      LowSpeedCase{0.0f, true, 16, 0}, LowSpeedCase{0.5f, true, 16, 0},
                      LowSpeedCase{0.8f, true, 16, 1}, LowSpeedCase{1.5f, true, 16, 1}));

// --- stop evaluation ---

struct StopCase {
  double distance;
  bool armed;
  bool toggle;
  StopResult result;
};

class StopEvaluation : public CycleTest, public ::testing::WithParamInterface<StopCase> {};

TEST_P(StopEvaluation, ByTheRemainingDistanceOnceStanding) {
  c.timers[kStandstillTimer] = 1000;
  c.remainingDistance = GetParam().distance;
  c.patternActive = GetParam().armed;
  c.beacon400Toggle = GetParam().toggle;
  cycle(0.0f);
  ASSERT_TRUE(c.standstill);
  EXPECT_EQ(c.stopResult, GetParam().result) << GetParam().distance;
}

INSTANTIATE_TEST_SUITE_P(All, StopEvaluation,
                         ::testing::Values(StopCase{0.5, true, false, StopResult::OnTarget},
                                           StopCase{-0.5, true, false, StopResult::OnTarget},
                                           StopCase{1.0, true, false, StopResult::Short},
                                           StopCase{3.0, true, false, StopResult::Short},
                                           StopCase{5.0, true, false, StopResult::None},
                                           StopCase{6.0, true, false, StopResult::None},
                                           StopCase{-1.0, true, false, StopResult::None},
                                           StopCase{-1.5, true, false, StopResult::Overrun},
                                           StopCase{0.0, false, false, StopResult::None},
                                           StopCase{100.0, false, true, StopResult::OnTarget},
                                           StopCase{-50.0, true, true, StopResult::OnTarget}));

TEST_F(CycleTest, StandstillTimerOfExactly1000IsNotYetAStandstill) {
  arm(0.0);
  c.timers[kStandstillTimer] = 984;
  cycle(0.0f);
  EXPECT_EQ(c.timers[kStandstillTimer], 1000);
  EXPECT_FALSE(c.standstill);
  EXPECT_EQ(c.stopResult, StopResult::None);
  cycle(0.0f);
  EXPECT_TRUE(c.standstill);
  EXPECT_EQ(c.stopResult, StopResult::OnTarget);
}

TEST_F(CycleTest, StopResultStandsWhileStandingAndClearsWhenMoving) {
  c.timers[kStandstillTimer] = 2000;
  c.stopResult = StopResult::Short;
  c.remainingDistance = 0.2;  // pattern not armed: nothing re-evaluates
  cycle(0.0f);
  EXPECT_EQ(c.stopResult, StopResult::Short);
  cycle(-1.2f);  // 1.2 km/h backwards is moving
  EXPECT_EQ(c.stopResult, StopResult::None);
  EXPECT_FALSE(c.standstill);
}

// --- values of the previous cycle ---

TEST_F(CycleTest, StopResultCancelsAndHoldsOnlyFromTheNextCycle) {
  arm(0.3);
  c.brakePhase = BrakePhase::Tracking;
  c.timers[kStandstillTimer] = 2000;
  cycle(0.0f);
  EXPECT_EQ(c.stopResult, StopResult::OnTarget);
  EXPECT_TRUE(c.patternActive);  // step 7 saw the result of the cycle before
  EXPECT_EQ(c.brakeCommand, 0);  // tracking: (0 - 2.18) / 0.12 + 18; not yet the hold
  cycle(0.0f);
  EXPECT_FALSE(c.patternActive);
  EXPECT_EQ(c.panelLamps[kLampPatternArmed], 0);
  EXPECT_EQ(c.brakeCommand, 16);
  EXPECT_EQ(c.brakePhase, BrakePhase::Waiting);
  EXPECT_EQ(c.stopResult, StopResult::OnTarget);  // kept: the pattern is gone
}

TEST_F(CycleTest, SlowRunningTimerReadsTheCommandOfTheCycleBefore) {
  c.lowSpeedMode = true;
  c.uKeyLatch = true;
  c.beacon400Toggle = true;
  c.brakeCommand = -1;
  power() = 1;
  cycle(0.3f);
  EXPECT_EQ(c.brakeCommand, 16);
  EXPECT_EQ(c.timers[kSlowRunningTimer], 0);
  cycle(0.3f);
  EXPECT_EQ(c.timers[kSlowRunningTimer], 16);
}

TEST_F(CycleTest, LowSpeedModeEndingKeepsTheCommandOfThatCycle) {
  c.lowSpeedMode = true;
  c.uKeyLatch = true;
  c.timers[kNoPowerTimer] = 29990;
  cycle(1.5f);
  EXPECT_FALSE(c.lowSpeedMode);
  EXPECT_EQ(c.brakeCommand, 2);  // step 9 saw the mode still on
  cycle(1.5f);
  EXPECT_EQ(c.brakeCommand, -1);
  EXPECT_EQ(c.timers[kNoPowerTimer], 0);
}

// --- cut-out ---

TEST_F(CycleTest, CutOutCycleStopsEverythingButDistanceTimersAndEvaluation) {
  arm(100.0);
  c.brakePhase = BrakePhase::Tracking;
  c.lowSpeedMode = true;
  c.uKeyLatch = true;
  c.panelLamps = {1, 1, 1, 0, 1};
  c.maxBrakeSteps = 99;
  setKeys(true, true);
  cycle(36.0f, 100);
  EXPECT_TRUE(c.cutOut);
  EXPECT_DOUBLE_EQ(c.remainingDistance, 99.0);
  EXPECT_EQ(c.brakeCommand, -1);
  EXPECT_EQ(c.brakePhase, BrakePhase::Waiting);
  EXPECT_FALSE(c.lowSpeedMode);
  EXPECT_FALSE(c.patternActive);
  EXPECT_EQ(c.maxBrakeSteps, 99);  // step 8 did not run
  EXPECT_EQ(c.panelLamps, (std::array<int32_t, 5>{1, 0, 0, 1, 0}));
  EXPECT_EQ(c.timers[kStandstillTimer], 0);

  // Standing in the cut-out: the evaluation still runs, only the toggle can
  // give a result.
  setKeys(false, false);
  c.timers[kStandstillTimer] = 2000;
  c.remainingDistance = 0.0;
  cycle(0.0f);
  EXPECT_EQ(c.stopResult, StopResult::None);
  c.beacon400Toggle = true;
  cycle(0.0f);
  EXPECT_EQ(c.stopResult, StopResult::OnTarget);
  EXPECT_EQ(c.brakeCommand, -1);  // no holding brake in the cut-out

  // Switching it off: this cycle already runs the pattern step; the cut-out
  // lamp stays lit until the next reset.
  c.beacon400Toggle = false;
  c.remainingDistance = 51.0;
  setKeys(true, true);
  cycle(10.0f, 0);
  EXPECT_FALSE(c.cutOut);
  EXPECT_EQ(c.maxBrakeSteps, 21);
  EXPECT_EQ(c.panelLamps[kLampCutOut], 1);
  EXPECT_FALSE(c.patternActive);  // no pattern until the next beacon
}

// --- unusual numbers ---

TEST_F(CycleTest, MaxBrakeStepsOfNaNIsZero) {
  c.activeParam.decelFar = 0.0;
  c.activeParam.decelNear = 0.0;
  c.b7Dec = 0.0;  // 0 / 0
  c.maxBrakeSteps = 5;
  cycle(10.0f, 0);
  EXPECT_EQ(c.maxBrakeSteps, 0);
}

TEST_F(CycleTest, MaxBrakeStepsSaturatesInsteadOfOverflowing) {
  c.b7Dec = 1e-300;
  cycle(10.0f, 0);
  EXPECT_EQ(c.maxBrakeSteps, kInt32Max);
  c.activeParam.decelFar = -2.6;
  c.activeParam.decelNear = -2.2;
  cycle(10.0f, 0);
  EXPECT_EQ(c.maxBrakeSteps, kInt32Min);
}

TEST_F(CycleTest, TrackingCommandOfNaNIsNoCommand) {
  c.b7Dec = 0.0;  // (0 - 0) / 0 on the point
  c.brakePhase = BrakePhase::Tracking;
  cycle(0.0f, 0);
  EXPECT_EQ(c.brakeCommand, -1);  // not turned into 8 by the limit below 1.2
}

TEST_F(CycleTest, TrackingCommandFarBelowSaturatesNegative) {
  c.b7Dec = 1e-300;
  c.brakePhase = BrakePhase::Tracking;
  c.remainingDistance = 500.0;
  cycle(10.0f, 0);
  EXPECT_EQ(c.brakeCommand, kInt32Min);
}

TEST_F(CycleTest, TimersStopAtTheirLimitInsteadOfOverflowing) {
  c.timers = {kInt32Max - 10, 0, 0, 0};
  cycle(0.0f, 16);
  EXPECT_EQ(c.timers[kStandstillTimer], kInt32Max);
  cycle(0.0f, kInt32Max);
  EXPECT_EQ(c.timers[kStandstillTimer], kInt32Max);
  EXPECT_TRUE(c.standstill);
}

TEST_F(CycleTest, BlendLengthZeroAtTheBlendStartUsesTheNearDeceleration) {
  c.activeParam.blendLength = 0.0;
  c.remainingDistance = c.activeParam.blendStart;  // ratio 0 / 0
  cycle(0.0f, 0);
  EXPECT_EQ(c.maxBrakeSteps, 18);
}

// --- before the first Initialize ---

TEST(CycleBeforeInitialize, ReadsAndWritesNoTimer) {
  releaseAllKeys();
  int32_t step = 5000;
  VehicleStateRecord state{};
  std::array<int32_t, 3> handles{0, 0, 0};
  TascController c;
  c.elapsedMsRef = &step;
  c.vehicleStateRef = &state;
  c.driverHandlesRef = handles.data();
  // Leftover values in slots that do not exist yet must not be used.
  c.timers = {5000, 5000, 9000, 40000};
  c.remainingDistance = 0.2;
  c.patternActive = true;
  platform::setKeyState(kKeyU, true);
  c.update();
  releaseAllKeys();
  EXPECT_EQ(c.timers, (std::array<int32_t, 4>{5000, 5000, 9000, 40000}));
  EXPECT_FALSE(c.standstill);
  EXPECT_EQ(c.stopResult, StopResult::None);
  EXPECT_FALSE(c.lowSpeedMode);
  EXPECT_EQ(c.brakeCommand, -1);
  EXPECT_TRUE(c.uKeyHeld);
}

TEST(CycleBeforeInitialize, WorksUnattached) {
  TascController c;  // no references: speed, step and handles read as 0
  c.update();
  EXPECT_EQ(c.remainingDistance, 0.0);
  EXPECT_EQ(c.brakeCommand, -1);
  EXPECT_EQ(c.stopResult, StopResult::None);
}

}  // namespace
}  // namespace tasc::test
