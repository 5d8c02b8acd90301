// One approach through the exported functions on the default record: a train
// that cruises with power on passes a far stopping beacon, and the module cuts
// power, steps the brake up, tracks the pattern to the point and holds the
// train at notch 4.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "control/beacon.h"
#include "plugin/plugin.h"
#include "support/vehicle_folder.h"

namespace tasc::test {
namespace {

// Quarter notches of a brake notch in the vehicle's numbering: whole notches
// as they stand, 11 + (3q + r - 1) for q whole notches and r = 1..3 quarters.
int32_t quartersOf(int32_t notch) {
  if (notch <= 8) return 4 * notch;
  const int32_t k = notch - 10;  // 3q + r
  const int32_t q = (k - 1) / 3;
  return 4 * q + (k - 3 * q);
}

TEST(NotchDecoding, InvertsTheEncoding) {
  for (int32_t q = 0; q <= 28; ++q) EXPECT_EQ(quartersOf(plugin::encodeBrakeNotch(q)), q) << q;
}

struct Frame {
  int32_t quarters;  // brake override in quarter notches, 0 when none
  bool powerCut;
  bool overridden;
  int32_t brakingLamp, armedLamp;
  double speed;
};

TEST(ApproachThroughExports, PowerCutStaircaseTrackingStopAndHold) {
  TempFolder folder;  // no settings: B7Dec 3.36, FormationID 1, default record
  LoadedPlugin plugin(folder.path());
  ASSERT_TRUE(plugin.loaded());
  const PluginApi& api = plugin.api();
  api.SetKeyState(0x55, 0);
  api.SetKeyState(0xA2, 0);
  api.SetVehicleSpec(VehicleSpecRecord{8, 5, 0, 0, 6});
  api.Initialize(0);
  api.SetBrake(0);
  api.SetPower(3);

  constexpr double kStepS = 0.016;
  constexpr double kQuarterDecel = 3.36 / 28.0;  // km/h/s per quarter notch
  constexpr double kBeaconAt = 10.0;             // m
  double speed = 40.0, position = 0.0, stopPoint = 0.0;
  bool beaconPassed = false;
  std::vector<Frame> frames;
  int32_t time = 0;
  for (int i = 0; i < 4000; ++i) {
    time += 16;
    const HandleRecord h = plugin.frame(static_cast<float>(speed), time);
    // The module integrates the speed it was given over this frame's step.
    position += static_cast<double>(static_cast<float>(speed)) / 3.6 * kStepS;
    const bool overridden = h.constantSpeed == 2;
    const int32_t quarters = overridden ? quartersOf(h.brake) : 4 * h.brake;
    frames.push_back({overridden ? quarters : 0, h.power == 0, overridden, plugin.panel()[87],
                      plugin.panel()[86], speed});
    if (h.power == 0) api.SetPower(0);  // the driver lets go once power is cut
    if (h.power == 0 || quarters > 0) {
      speed -= quarters * kQuarterDecel * kStepS;
      if (speed < 0.0) speed = 0.0;
    }
    if (!beaconPassed && position >= kBeaconAt) {
      beaconPassed = true;
      stopPoint = position + kBaseDistance[3];
      api.SetBeaconData(BeaconRecord{503, 0, 0.0f, 1 << 6});  // formation 1, code 0
    }
  }
  ASSERT_TRUE(beaconPassed);

  auto first = [&](std::size_t from, auto pred) {
    for (std::size_t i = from; i < frames.size(); ++i) {
      if (pred(frames[i])) return i;
    }
    return frames.size();
  };
  const std::size_t armed = first(0, [](const Frame& f) { return f.armedLamp == 1; });
  ASSERT_LT(armed, frames.size());
  EXPECT_FALSE(frames[armed].powerCut) << "40 km/h is below the pattern at the beacon";

  // Command 0: power cut without a brake override, braking lamp lit.
  const std::size_t cut = first(armed, [](const Frame& f) { return f.powerCut; });
  ASSERT_LT(cut, frames.size());
  EXPECT_FALSE(frames[cut].overridden);
  EXPECT_EQ(frames[cut].brakingLamp, 1);

  // The staircase: 8 (notch 2), 21 / 3 and 21 / 2 as the look-ahead tests
  // fire, then the tracking up to 28.
  const std::size_t brake = first(cut, [](const Frame& f) { return f.overridden; });
  ASSERT_LT(brake, frames.size());
  // The hold: the stop is evaluated once the train has been below 1.2 km/h for
  // more than 1000 ms; the next cycle cancels the pattern and holds at notch 4.
  const std::size_t hold = first(brake, [](const Frame& f) { return f.armedLamp == 0; });
  ASSERT_LT(hold, frames.size()) << "the stop is evaluated";
  std::vector<int32_t> changes;
  for (std::size_t i = brake; i < hold; ++i) {
    EXPECT_EQ(frames[i].brakingLamp, 1) << i;
    EXPECT_TRUE(frames[i].powerCut) << i;
    if (changes.empty() || changes.back() != frames[i].quarters) {
      changes.push_back(frames[i].quarters);
    }
  }
  ASSERT_GE(changes.size(), 5u);
  EXPECT_EQ(std::vector<int32_t>(changes.begin(), changes.begin() + 3),
            (std::vector<int32_t>{8, 7, 10}));
  EXPECT_EQ(*std::max_element(changes.begin(), changes.end()), 28);
  EXPECT_EQ(changes.back(), 8) << "limited to 8 below 1.2 km/h";

  EXPECT_LT(frames[hold].speed, 1.2);
  EXPECT_EQ(frames[hold].quarters, 16);
  EXPECT_EQ(frames[hold].brakingLamp, 1);
  for (std::size_t i = hold; i < frames.size(); ++i) ASSERT_EQ(frames[i].quarters, 16) << i;
  EXPECT_EQ(speed, 0.0);
  EXPECT_LT(std::fabs(stopPoint - position), 1.0) << "stop error " << stopPoint - position;
  EXPECT_EQ(plugin.panel()[85], 1);
  EXPECT_EQ(plugin.panel()[88], 0);
  EXPECT_EQ(plugin.panel()[89], 0);
}

}  // namespace
}  // namespace tasc::test
