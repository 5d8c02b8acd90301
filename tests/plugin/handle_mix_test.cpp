// The per-frame exchange: frame step, brake-notch encoding, power cut and
// brake override.
#include <gtest/gtest.h>

#include <limits>

#include "plugin/plugin.h"

namespace tasc::plugin {
namespace {

TEST(BrakeNotchEncoding, WholeNotchesAndQuarterPositionsFromEleven) {
  const struct {
    int32_t command, notch;
  } cases[] = {{0, 0}, {1, 11}, {2, 12}, {3, 13},  {4, 1},  {5, 14},  {6, 15}, {7, 16},
               {8, 2}, {9, 17}, {12, 3}, {15, 22}, {16, 4}, {27, 31}, {28, 7}};
  for (const auto& c : cases) EXPECT_EQ(encodeBrakeNotch(c.command), c.notch) << c.command;
}

TEST(FrameStep, WrapsAndNeverGoesNegative) {
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
  const struct {
    int32_t now, before, step;
  } cases[] = {
      {16, 0, 16},     {1000, 1000, 0}, {900, 1000, 0},  // backwards gives 0
      {5000, 0, 5000},                                   // the first frame's step is the whole time
      {kMin, kMax, 1},                                   // wrap-around, computed without overflow
      {kMax, kMin, 0},                                   // a difference of -1 in 32-bit arithmetic
      {kMax, -1, 0},                                     // kMax - (-1) wraps to kMin: not positive
  };
  for (const auto& c : cases)
    EXPECT_EQ(frameStep(c.now, c.before), c.step) << c.now << " " << c.before;
}

struct MixCase {
  const char* name;
  bool lowSpeedMode;
  int32_t command;
  int32_t driverBrake, driverPower;
  float speed;
  HandleRecord expected;  // brake, power, reverser, constantSpeed
};

TEST(HandleMix, PowerCutAndBrakeOverride) {
  const MixCase cases[] = {
      {"no command leaves the driver", false, -1, 0, 3, 40.0f, {0, 3, 1, 0}},
      {"command 0 cuts power without overriding", false, 0, 0, 3, 40.0f, {0, 0, 1, 0}},
      {"6 over notch 1 overrides as notch 15", false, 6, 1, 0, 40.0f, {15, 0, 1, 2}},
      {"6 under notch 2 leaves notch 2", false, 6, 2, 0, 40.0f, {2, 0, 1, 0}},
      {"equal strength does not override", false, 8, 2, 0, 40.0f, {2, 0, 1, 0}},
      {"28 over the released brake is notch 7", false, 28, 0, 5, 40.0f, {7, 0, 1, 2}},
      {"low speed keeps power at 1.8", true, 2, 0, 4, 1.8f, {12, 4, 1, 2}},
      {"low speed cuts power at 1.81", true, -1, 0, 4, 1.81f, {0, 0, 1, 0}},
      {"low speed ignores the command for power", true, -1, 0, 4, 1.0f, {0, 4, 1, 0}},
      {"negative driver notch and -1: no override", false, -1, -1, 3, 10.0f, {-1, 3, 1, 0}},
      {"huge driver notch: no overflow",
       false,
       28,
       std::numeric_limits<int32_t>::max(),
       0,
       10.0f,
       {std::numeric_limits<int32_t>::max(), 0, 1, 0}},
  };
  for (const auto& c : cases) {
    TascController ctl;
    ctl.lowSpeedMode = c.lowSpeedMode;
    ctl.brakeCommand = c.command;
    const std::array<int32_t, 3> driver{c.driverBrake, c.driverPower, 1};
    const HandleRecord& expected = c.expected;
    const HandleRecord got = mixHandles(ctl, driver, c.speed);
    EXPECT_EQ(got.brake, expected.brake) << c.name;
    EXPECT_EQ(got.power, expected.power) << c.name;
    EXPECT_EQ(got.reverser, expected.reverser) << c.name;
    EXPECT_EQ(got.constantSpeed, expected.constantSpeed) << c.name;
  }
}

}  // namespace
}  // namespace tasc::plugin
