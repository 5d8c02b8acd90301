// A recording replayed into the plug-in's own code: what `tasc report` says of
// a beacon is the plug-in's own decision, not worked out again afterwards.
#include "report/replay.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace tasc::report {
namespace {

// A recording of one moving frame and then a far beacon of formation 1,
// record 2/0, that names file 1.
recording::Recording switchingBeacon(const std::string& file0, const std::string& file1) {
  recording::Recording r;
  r.vehicle = {8, 5, 0, 0, 1};
  r.files = {{"settings", 0, "TASC.ini", true, "[TASCPtn]\nFormationID=1\n"},
             {"list", 0, "csvPath.ini", true, ""},
             {"param", 0, "p0.csv", true, file0},
             {"param", 1, "p1.csv", true, file1}};
  recording::FrameRow f;
  f.speed = 40.0f;
  f.timeMs = 16;
  r.frames = {f};
  recording::PlacedEvent beacon;
  beacon.row.kind = recording::EventKind::Beacon;
  beacon.row.args = {503, 0, (1 << 6) | (2 << 10) | (1 << 15)};
  beacon.framesBefore = 1;
  r.events = {beacon};
  return r;
}

// The record is selected from the table in force before the beacon's file
// switch, so the finding must name that table, not the one it loads.
TEST(Replay, BeaconFindingNamesTheTableSearchedNotTheFileItLoads) {
  // The record only before the switch is found; only in the loaded file, missing.
  for (const auto& [file0, file1, found] :
       {std::tuple{"2,0,3.5\n", "1,0\n", true}, {"1,0\n", "2,0,3.5\n", false}}) {
    const Replay rp = replay(switchingBeacon(file0, file1));
    ASSERT_EQ(rp.beacons.size(), 1u) << file0;
    EXPECT_EQ(rp.beacons[0].outcome, BeaconOutcome::Accepted) << file0;
    EXPECT_EQ(rp.beacons[0].recordFound, found) << file0;
    EXPECT_EQ(rp.beacons[0].tableEntry, 0) << file0;
  }
}

}  // namespace
}  // namespace tasc::report
