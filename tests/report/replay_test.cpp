// A recording replayed into the plug-in's own code: what `tasc report` says of
// a beacon is the plug-in's own decision, not worked out again afterwards.
#include "report/replay.h"

#include <gtest/gtest.h>

#include <string>

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
  const struct {
    const char* name;
    const char* file0;
    const char* file1;
    bool found;
  } cases[] = {
      {"RecordOnlyBeforeTheSwitchIsFound", "2,0,3.5\n", "1,0\n", true},
      {"RecordOnlyInTheLoadedFileIsMissing", "1,0\n", "2,0,3.5\n", false},
  };
  for (const auto& c : cases) {
    const Replay rp = replay(switchingBeacon(c.file0, c.file1));
    ASSERT_EQ(rp.beacons.size(), 1u) << c.name;
    EXPECT_EQ(rp.beacons[0].outcome, BeaconOutcome::Accepted) << c.name;
    EXPECT_EQ(rp.beacons[0].recordFound, c.found) << c.name;
    EXPECT_EQ(rp.beacons[0].tableEntry, 0) << c.name;
  }
}

}  // namespace
}  // namespace tasc::report
