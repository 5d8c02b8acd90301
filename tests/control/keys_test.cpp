// Driver switches at 16 ms frames: the low-speed mode by a long U press, the
// cut-out by U + left Ctrl, the timers that end the low-speed mode and the
// reverser at -1.
#include <gtest/gtest.h>

#include "cycle_rig.h"

namespace tasc::test {
namespace {

struct KeyTest : CycleTest {
  // A fresh rig for the next table row.
  void fresh() {
    c = TascController{};
    state = {};
    handles = {0, 0, 1};
    SetUp();
  }
};

TEST_F(KeyTest, HoldingUSwitchesTheLowSpeedModeOnAtThe63rdCycle) {
  setKeys(true, false);
  cycle(10.0f);
  EXPECT_TRUE(c.uKeyHeld);
  EXPECT_EQ(c.timers[kUKeyTimer], 16);
  for (int i = 2; i <= 62; ++i) cycle(10.0f);
  EXPECT_EQ(c.timers[kUKeyTimer], 992);
  EXPECT_FALSE(c.lowSpeedMode);
  cycle(10.0f);  // the 63rd: 1008 ms
  EXPECT_EQ(c.timers[kUKeyTimer], 1008);
  EXPECT_TRUE(c.lowSpeedMode);
  EXPECT_TRUE(c.uKeyLatch);
  EXPECT_EQ(c.panelLamps[kLampLowSpeed], 1);
  EXPECT_EQ(c.brakeCommand, -1);  // the switch replaces this cycle's command
}

TEST_F(KeyTest, HoldingOnChangesNothingAndASecondLongPressSwitchesOff) {
  setKeys(true, false);
  cycles(63, 10.0f);
  ASSERT_TRUE(c.lowSpeedMode);
  cycles(500, 10.0f);  // the latch keeps a held key from switching again
  EXPECT_TRUE(c.lowSpeedMode);

  setKeys(false, false);
  cycle(10.0f);
  EXPECT_FALSE(c.uKeyLatch);
  EXPECT_EQ(c.timers[kUKeyTimer], 0);
  setKeys(true, false);
  cycles(62, 10.0f);
  EXPECT_TRUE(c.lowSpeedMode);
  cycle(10.0f);
  EXPECT_FALSE(c.lowSpeedMode);
  EXPECT_EQ(c.panelLamps[kLampLowSpeed], 0);
  EXPECT_TRUE(c.uKeyLatch);
}

TEST_F(KeyTest, SwitchOnCycleNeverSwitchesOffAgainAndClearsTheSlowRunningTimer) {
  c.timers[kSlowRunningTimer] = 9000;  // would end the mode if the switch-off missed the clear
  c.timers[kUKeyTimer] = 990;
  setKeys(true, false);
  power() = 1;
  cycle(0.2f);
  EXPECT_TRUE(c.lowSpeedMode);
  EXPECT_EQ(c.timers[kSlowRunningTimer], 0);
}

TEST_F(KeyTest, NoPowerTimerReadsTheModeOfTheCycleBefore) {
  c.timers[kUKeyTimer] = 990;
  setKeys(true, false);
  cycle(10.0f);
  ASSERT_TRUE(c.lowSpeedMode);
  EXPECT_EQ(c.timers[kNoPowerTimer], 0);
  EXPECT_EQ(c.panelLamps[kLampPatternArmed], 0);  // no low-speed commands yet
  cycle(10.0f);
  EXPECT_EQ(c.timers[kNoPowerTimer], 16);
  EXPECT_EQ(c.panelLamps[kLampPatternArmed], 1);
  EXPECT_EQ(c.brakeCommand, 2);
}

TEST_F(KeyTest, LeftCtrlWhileUIsHeldTogglesTheCutOutOnce) {
  // Cut out first, then a long U hold: the cut-out switches no mode.
  setKeys(true, true);
  cycle(10.0f);
  ASSERT_TRUE(c.cutOut);
  setKeys(false, false);
  cycle(10.0f);
  setKeys(true, false);
  cycles(70, 10.0f);
  EXPECT_EQ(c.timers[kUKeyTimer], 1120);
  EXPECT_FALSE(c.lowSpeedMode);

  // Left Ctrl joins: the cut-out goes off, the hold timer and latch clear.
  setKeys(true, true);
  cycle(10.0f);
  EXPECT_FALSE(c.cutOut);
  EXPECT_FALSE(c.uKeyHeld);
  EXPECT_FALSE(c.uKeyLatch);
  EXPECT_EQ(c.timers[kUKeyTimer], 0);
  cycles(20, 10.0f);  // held together: one toggle only
  EXPECT_FALSE(c.cutOut);
  EXPECT_TRUE(c.prevUCtrl);

  // Left Ctrl released, U still held: a fresh hold switches the mode.
  setKeys(true, false);
  cycles(62, 10.0f);
  EXPECT_FALSE(c.lowSpeedMode);
  cycle(10.0f);
  EXPECT_TRUE(c.lowSpeedMode);
  EXPECT_FALSE(c.prevUCtrl);
}

// Held keys alone, no toggle: only U + left Ctrl cuts out.
TEST_F(KeyTest, CtrlKeysWithoutUOrTheRightCtrlNeverCutOut) {
  const struct {
    const char* name;
    bool u, leftCtrl, rightCtrl, held, mode;
    int n;
  } cases[] = {
      {"RightCtrlWithUActsAsUAlone", true, false, true, true, true, 63},
      {"LeftCtrlAloneDoesNothing", false, true, false, false, false, 100},
  };
  for (const auto& k : cases) {
    fresh();
    setKeys(k.u, k.leftCtrl);
    platform::setKeyState(kKeyRightCtrl, k.rightCtrl);
    cycles(k.n, 10.0f);
    EXPECT_FALSE(c.cutOut) << k.name;
    EXPECT_FALSE(c.prevUCtrl) << k.name;
    EXPECT_EQ(c.uKeyHeld, k.held) << k.name;
    EXPECT_EQ(c.lowSpeedMode, k.mode) << k.name;
  }
}

TEST_F(KeyTest, CutOutKeepsTheLatchAndEndsTheMode) {
  c.cutOut = true;
  c.lowSpeedMode = true;
  c.uKeyLatch = true;
  c.panelLamps[kLampLowSpeed] = 1;
  setKeys(true, false);
  cycles(100, 10.0f);
  EXPECT_FALSE(c.lowSpeedMode);
  EXPECT_TRUE(c.uKeyLatch);
  EXPECT_EQ(c.panelLamps[kLampLowSpeed], 0);
}

TEST_F(KeyTest, CutOutLampStaysLitAfterTheCutOutEnds) {
  setKeys(true, true);
  cycle(10.0f);
  setKeys(false, false);
  cycle(10.0f);
  setKeys(true, true);
  cycle(10.0f);
  setKeys(false, false);
  cycles(10, 10.0f);
  EXPECT_FALSE(c.cutOut);
  EXPECT_EQ(c.panelLamps[kLampCutOut], 1);
}

// `n` cycles leave `timer` at `at` with the mode still on; the next cycle
// ends the mode if `ends`. The slow-running timer starts one cycle late.
TEST_F(KeyTest, TimersEndTheLowSpeedModeAtTheirLimit) {
  const struct {
    const char* name;
    bool toggle, ends;  // toggle: command 16 at every speed
    float speed;
    int32_t powerNotch, n, timer, at;
  } cases[] = {
      {"LowSpeedModeEndsAfter5000msCrawlingWithACommand", true, true, 0.3f, 1, 313,
       kSlowRunningTimer, 4992},
      {"CrawlWithoutTheToggleGivesNoCommandSoTheModeStays", false, false, 0.3f, 1, 1000,
       kSlowRunningTimer, 0},
      {"LowSpeedModeEndsAfter30000msWithoutPower", false, true, 10.0f, 0, 1875, kNoPowerTimer,
       30000},
  };
  for (const auto& k : cases) {
    fresh();
    c.lowSpeedMode = true;
    c.uKeyLatch = true;
    c.beacon400Toggle = k.toggle;
    c.brakeCommand = -1;
    power() = k.powerNotch;
    cycles(k.n, k.speed);
    EXPECT_EQ(c.timers[k.timer], k.at) << k.name;
    EXPECT_TRUE(c.lowSpeedMode) << k.name;
    cycle(k.speed);
    EXPECT_EQ(c.lowSpeedMode, !k.ends) << k.name;
    if (k.ends) {
      EXPECT_EQ(c.panelLamps[kLampLowSpeed], 0) << k.name;
      EXPECT_TRUE(k.timer != kSlowRunningTimer || c.timers[k.timer] == k.at + 16) << k.name;
    }
  }
}

TEST_F(KeyTest, ReverserBackwardCancelsAndBlocksTheLowSpeedMode) {
  arm(80.0);
  c.lowSpeedMode = true;
  c.panelLamps[kLampLowSpeed] = 1;
  reverser() = -1;
  setKeys(true, false);
  cycle(10.0f);
  EXPECT_FALSE(c.patternActive);
  EXPECT_FALSE(c.lowSpeedMode);
  EXPECT_EQ(c.panelLamps[kLampLowSpeed], 0);
  cycles(200, 10.0f);  // the U hold never switches the mode on
  EXPECT_GT(c.timers[kUKeyTimer], 1000);
  EXPECT_FALSE(c.lowSpeedMode);
  EXPECT_TRUE(c.uKeyLatch);
  EXPECT_EQ(c.panelLamps[kLampPatternArmed], 0);
  EXPECT_EQ(c.brakeCommand, -1);
}

}  // namespace
}  // namespace tasc::test
