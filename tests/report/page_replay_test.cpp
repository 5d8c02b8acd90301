// What the report's page makes of names that come from files: text escaped,
// links percent-encoded, so that no name breaks the page or loses its chart.
// A recording replayed into the plug-in's own code: what `tasc report` says of
// a beacon is the plug-in's own decision, not worked out again afterwards.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "chart/svg.h"
#include "report/replay.h"
#include "report/report_page.h"
#include "support/cases.h"

namespace tasc::report {
namespace {

TEST(ReportPage, NamesFromFilesAreEscapedAndLinksEncoded) {
  for (const test::Case& c : test::readCases("report/data/names.txt")) {
    EXPECT_EQ(svg::escape(c.f[0]), c.f[1]) << c.where;
    EXPECT_EQ(urlPath(c.f[0]), c.f[2]) << c.where;
  }
}

// One table row per stop; one stop shows its own chart, several the chart of
// all their errors, with a stop out of reach named in its row; a name from a
// file never raw.
TEST(ReportPage, OneRowPerStopAndTheChartOfManyOnlyForSeveralGolden) {
  RecordingLines r;
  r.name = "x<y.csv";
  r.frames = 10;
  r.stops.push_back({1, 3723000, 41.4, -0.457, "on target", "", "x<y-stop1.svg", false});
  tasc::test::expectGolden("report/golden/page-one-stop.html", formatPage({r}));
  r.stops.push_back({2, 0, 55.0, -12.5, "overrun", "a & b", "", true});
  tasc::test::expectGolden("report/golden/page-four-stops.html", formatPage({r, r}));
}

// The record is selected from the table in force before the beacon's file
// switch, so the finding must name that table, not the one it loads.
TEST(Replay, BeaconFindingNamesTheTableSearchedNotTheFileItLoads) {
  // The record only before the switch is found; only in the loaded file, missing.
  for (const auto& [file0, file1, found] :
       {std::tuple{"2,0,3.5\n", "1,0\n", true}, {"1,0\n", "2,0,3.5\n", false}}) {
    // One moving frame, then a far beacon of formation 1, record 2/0, that names file 1.
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
    const Replay rp = replay(r);
    ASSERT_EQ(rp.beacons.size(), 1u) << file0;
    EXPECT_EQ(rp.beacons[0].outcome, BeaconOutcome::Accepted) << file0;
    EXPECT_EQ(rp.beacons[0].recordFound, found) << file0;
    EXPECT_EQ(rp.beacons[0].tableEntry, 0) << file0;
  }
}

}  // namespace
}  // namespace tasc::report
