// What the report's page makes of names that come from files: text escaped,
// links percent-encoded, so that no name breaks the page or loses its chart.
#include <gtest/gtest.h>

#include <string>

#include "chart/svg.h"
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

}  // namespace
}  // namespace tasc::report
