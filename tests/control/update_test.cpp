// The control cycle: pattern numbers, the phase control, the low-speed
// commands, the holding brake, the stop evaluation and the guards against
// unusual numbers.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <ostream>

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

// Rows past the default record: 0 / 0 is 0, an overflow saturates, and a
// blend length of 0 at the blend start uses the near deceleration.
struct StepsCase {
  const char* name;
  double distance;
  int32_t steps;
  double b7Dec = 3.36, decelFar = 2.6, decelNear = 2.2, blendLength = 50.0;
};

// The row name labels the CTest entry.
void PrintTo(const StepsCase& c, std::ostream* os) {
  *os << c.name;
}

class MaxBrakeSteps : public CycleTest, public ::testing::WithParamInterface<StepsCase> {};

TEST_P(MaxBrakeSteps, FollowsTheBlendedPatternDeceleration) {
  const StepsCase& p = GetParam();
  c.b7Dec = p.b7Dec;
  c.activeParam.decelFar = p.decelFar;
  c.activeParam.decelNear = p.decelNear;
  c.activeParam.blendLength = p.blendLength;
  c.remainingDistance = p.distance;
  c.maxBrakeSteps = 5;
  cycle(0.0f, 0);
  EXPECT_EQ(c.maxBrakeSteps, p.steps) << p.name;
}

INSTANTIATE_TEST_SUITE_P(
    All, MaxBrakeSteps,
    ::testing::Values(
        StepsCase{"behind", -10.0, 18}, StepsCase{"near", 1.0, 18}, StepsCase{"blend", 26.0, 20},
        StepsCase{"far", 51.0, 21}, StepsCase{"beyond", 500.0, 21},
        StepsCase{"MaxBrakeStepsOfNaNIsZero", 0.0, 0, 0.0, 0.0, 0.0},
        StepsCase{"MaxBrakeStepsSaturatesInsteadOfOverflowing", 0.0, kInt32Max, 1e-300},
        StepsCase{"negative decelerations saturate low", 0.0, kInt32Min, 1e-300, -2.6, -2.2},
        StepsCase{"BlendLengthZeroAtTheBlendStartUsesTheNearDeceleration", 1.0, 18, 3.36, 2.6, 2.2,
                  0.0}));

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

// One cycle with a frame step of 0 from a given phase. Tracking needs no armed
// pattern; the staircase and waiting give no command without one.
struct PhaseCase {
  const char* name;
  BrakePhase from;
  bool armed;
  float speed;
  double distance;
  int32_t command;
  BrakePhase to;
  int32_t brakingLamp;
  double b7Dec = 3.36;
};

void PrintTo(const PhaseCase& c, std::ostream* os) {
  *os << c.name;
}

class PhaseControl : public CycleTest, public ::testing::WithParamInterface<PhaseCase> {};

TEST_P(PhaseControl, OneCycle) {
  const PhaseCase& p = GetParam();
  if (p.armed) arm(p.distance);
  c.remainingDistance = p.distance;
  c.brakePhase = p.from;
  c.b7Dec = p.b7Dec;
  cycle(p.speed, 0);
  EXPECT_EQ(c.brakeCommand, p.command) << p.name;
  EXPECT_EQ(c.brakePhase, p.to) << p.name;
  EXPECT_EQ(c.panelLamps[kLampBraking], p.brakingLamp) << p.name;
}

constexpr auto W = BrakePhase::Waiting, S = BrakePhase::Staircase, T = BrakePhase::Tracking;
INSTANTIATE_TEST_SUITE_P(
    DefaultRecord, PhaseControl,
    ::testing::Values(
        PhaseCase{"BrakingStartNeedsTheFirstLookAheadTest", W, true, 40.0f, 300.0, -1, W, 0},
        PhaseCase{"NoPatternInWaitingGivesNoCommand", W, false, 60.0f, 5.0, -1, W, 0},
        PhaseCase{"StaircaseWithThePatternCancelledGivesNoCommandButKeepsTheLamp", S, false, 40.0f,
                  20.0, -1, S, 1},
        PhaseCase{"TestFourSwitchesToTrackingInTheSameCycle", S, true, 60.0f, 30.0, 28, T, 1},
        PhaseCase{"(20 - 19.15) / 0.12 + 19", T, false, 20.0f, 20.0, 26, T, 1},
        PhaseCase{"above 28: clamped", T, false, 40.0f, 60.0, 28, T, 1},
        PhaseCase{"18, limited to 8 below 1.2", T, false, 0.0f, 0.0, 8, T, 1},
        PhaseCase{"still below 1.2", T, false, 1.19f, 0.0, 8, T, 1},
        PhaseCase{"1.2f widens above 1.2: no limit", T, false, 1.2f, 0.0, 17, T, 1},
        PhaseCase{"(10 - 61.27) / 0.12 + 21: no lower limit", T, false, 10.0f, 200.0, -406, T, 1},
        PhaseCase{"rolling back", T, false, -5.0f, 0.0, -23, T, 1},
        PhaseCase{"TrackingCommandOfNaNIsNoCommand, not 8 below 1.2", T, false, 0.0f, 0.0, -1, T, 1,
                  0.0},
        PhaseCase{"TrackingCommandFarBelowSaturatesNegative", T, false, 10.0f, 500.0, kInt32Min, T,
                  1, 1e-300}));

TEST(TrackingCommand, UnlimitedValueOnThePointIsMaxBrakeSteps) {
  EXPECT_EQ(trackingCommand(0.0, 0.0, 0.1, 2.2, 0.12, 18), 18);
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

TEST_F(CycleTest, TimersStopAtTheirLimitInsteadOfOverflowing) {
  c.timers = {kInt32Max - 10, 0, 0, 0};
  cycle(0.0f, 16);
  EXPECT_EQ(c.timers[kStandstillTimer], kInt32Max);
  cycle(0.0f, kInt32Max);
  EXPECT_EQ(c.timers[kStandstillTimer], kInt32Max);
  EXPECT_TRUE(c.standstill);
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
