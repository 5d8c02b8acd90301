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
  const struct {
    const char* name;
    const char* text;
    const char* url;
  } rows[] = {
      {"run-1.csv", "run-1.csv", "run-1.csv"},
      {"a<b&c>.csv", "a&lt;b&amp;c&gt;.csv", "a%3Cb%26c%3E.csv"},
      {"say \"hi\" 'x'", "say &quot;hi&quot; 'x'", "say%20%22hi%22%20%27x%27"},
      {"#1?x=%2", "#1?x=%2", "%231%3Fx%3D%252"},  // would cut or redirect the link
      {"dir/ä.svg", "dir/ä.svg", "dir/%C3%A4.svg"},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(svg::escape(r.name), r.text) << r.name;
    EXPECT_EQ(urlPath(r.name), r.url) << r.name;
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
