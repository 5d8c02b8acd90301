// A whole stop through the exports: the built module in a vehicle folder with
// its settings, list and two parameter files, a simple train, and the three
// stopping beacons before the point.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "control/beacon.h"
#include "support/train.h"
#include "support/vehicle_folder.h"

namespace tasc::test {
namespace {

constexpr double kStopPoint = 400.0;  // m from the start

int32_t word(int32_t code, int32_t formation, int32_t record, int32_t file) {
  return code | (formation << 6) | (record << 10) | (file << 15);
}

struct FrameLog {
  int32_t timeMs;
  double position;
  int32_t brake, power, constantSpeed;
  int32_t panel[5];
};

struct StopRun {
  std::vector<FrameLog> frames;
  double stopError = 0.0;  // m, positive short of the point
};

// Drives from 45 km/h at 0 m with power on; the beacons stand at their base
// distances before the point. fileIndex: file named by the 503 beacon.
StopRun driveStop(LoadedPlugin& plugin, int32_t farFile, int32_t nearFile) {
  const PluginApi& api = plugin.api();
  api.SetVehicleSpec(VehicleSpecRecord{8, 5, 0, 0, 6});
  api.Initialize(0);
  api.SetBrake(0);
  api.SetPower(3);

  SimpleTrain train;
  train.speed = train.cruiseSpeed = 45.0;
  struct Beacon {
    int32_t type;
    double at;
    int32_t data;
    bool passed;
  } beacons[] = {
      {503, kStopPoint - kBaseDistance[3], word(0, 1, 1, farFile), false},
      {502, kStopPoint - kBaseDistance[2], word(0, 1, 1, nearFile), false},
      {501, kStopPoint - kBaseDistance[1], word(0, 1, 1, nearFile), false},
  };
  StopRun run;
  HandleRecord h{};
  int32_t time = 0;
  for (int i = 0; i < 60 * 90; ++i) {
    time += (i % 3 == 0) ? 16 : 17;  // 60 frames a second in whole milliseconds
    h = plugin.frame(static_cast<float>(train.speed), time);
    run.frames.push_back({time, train.position, h.brake, h.power, h.constantSpeed, {}});
    for (int k = 0; k < 5; ++k) run.frames.back().panel[k] = plugin.panel()[85 + k];
    // The driver lets go of power once the plug-in has cut it.
    if (h.power == 0) api.SetPower(0);
    const double dt = (i % 3 == 0 ? 16 : 17) / 1000.0;
    train.step(dt, h.brake, h.power);
    for (auto& b : beacons) {
      if (!b.passed && train.position >= b.at) {
        b.passed = true;
        api.SetBeaconData(BeaconRecord{b.type, 0, 0.0f, b.data});
      }
    }
  }
  run.stopError = kStopPoint - train.position;
  return run;
}

class WholeStop : public ::testing::Test {
 protected:
  void SetUp() override {
    // Record 1/0: the default lead times and a blend of 50 m.
    folder_.write("base.csv", "1,0,3.5,2.5,1.5,0.5,0.1,2.6,2.2,50,1,0,0,0,0\r\n");
    // Another file with a softer pattern under the same keys.
    folder_.write("params/soft.csv", "1,0,3.5,2.5,1.5,0.5,0.1,1.8,1.6,50,1,0,0,0,0\n");
  }
  TempFolder folder_;
};

TEST_F(WholeStop, FileNamedByTheFarBeaconServesTheNextBeacons) {
  // The far beacon names file 3 in one vehicle folder; the other has no file 3.
  LoadedPlugin soft(folder_.path() / "a");
  folder_.write("a/TASC.ini", "[TASCPtn]\nB7Dec=3.36\n");
  folder_.write("a/csvPath.ini", "[ParamData]\n0=../base.csv\n3=..\\params\\soft.csv\n");
  LoadedPlugin base(folder_.path() / "b");
  folder_.write("b/TASC.ini", "[TASCPtn]\nB7Dec=3.36\n");
  folder_.write("b/csvPath.ini", "[ParamData]\n0=../base.csv\n");
  ASSERT_TRUE(soft.loaded() && base.loaded());
  const StopRun withSoft = driveStop(soft, 3, 0);
  const StopRun withBase = driveStop(base, 0, 0);

  // The far beacon's own record comes from the table in force before its
  // switch, so both runs brake alike until the 502 beacon selects record 1/0
  // from file 3.
  std::size_t differ = 0;
  const std::size_t n = std::min(withSoft.frames.size(), withBase.frames.size());
  while (differ < n && withSoft.frames[differ].brake == withBase.frames[differ].brake) ++differ;
  ASSERT_LT(differ, n) << "file 3 changes the braking";
  EXPECT_GE(withSoft.frames[differ].position, kStopPoint - kBaseDistance[2] - 0.5);
  EXPECT_LT(withSoft.frames[differ].position, kStopPoint);
  EXPECT_LT(std::fabs(withSoft.stopError), 1.0) << withSoft.stopError;
  EXPECT_LT(std::fabs(withBase.stopError), 1.0) << withBase.stopError;
}

}  // namespace
}  // namespace tasc::test
