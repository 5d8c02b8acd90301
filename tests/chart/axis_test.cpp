// The axes of the charts (ticks of 1, 2 or 5 x 10^k; the error range that
// leaves far-off stops on the edge), the SVG pieces every chart shares by
// their literal text, and the chart of many stops, against committed goldens.
#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "chart/axis.h"
#include "chart/error_chart.h"
#include "chart/svg.h"
#include "support/cases.h"

namespace tasc::chart {
namespace {

constexpr double kNan = std::numeric_limits<double>::quiet_NaN();

TEST(Axis, TicksFollowTheNiceNumberRuleAtAnyRange) {
  for (const tasc::test::Case& c : tasc::test::readCases("chart/data/ticks.txt")) {
    const Ticks t = niceTicks(std::stod(c.f[1]), std::stod(c.f[2]));
    EXPECT_NEAR(t.first, std::stod(c.f[3]), 1e-9) << c.where;
    EXPECT_NEAR(t.step, std::stod(c.f[4]), 1e-12) << c.where;
    EXPECT_EQ(t.count, std::stoi(c.f[5])) << c.where;
  }
}

TEST(Axis, ErrorRangeLeavesOutFarOffStopsAndShowsAtLeastThirtyCentimetres) {
  for (const tasc::test::Case& c : tasc::test::readCases("chart/data/error_ranges.txt")) {
    const ErrorRange range = shownErrors(tasc::test::numbers(tasc::test::expand(c.f[1])));
    EXPECT_DOUBLE_EQ(range.lo, std::stod(c.f[2])) << c.where;
    EXPECT_DOUBLE_EQ(range.hi, std::stod(c.f[3])) << c.where;
  }
}

// Three stops at 30, 42.5 and 50 km/h: the speed axis 30..50 by 5, the error
// axis -0.4..+0.3 m by 0.1 over 290 px from y 40; one out of reach (a cross,
// its hover text says so), names escaped in the hover text and the link to
// the stop's chart, and a stop without a speed counted, not drawn.
TEST(ErrorChart, BandsMarksAndTicksGolden) {
  tasc::test::expectGolden(
      "chart/golden/three-stops.svg",
      renderErrorChart("t", {{30.0, 0.05, false, "a<b&c.csv, stop 1", "a%3Cb%26c-stop1.svg"},
                             {42.5, -0.4, true, "r.csv, stop 1", ""},
                             {50.0, 0.2, false, "r.csv, stop 2", ""},
                             {kNan, 0.1, false, "no far beacon", ""}}));
}

// A stop 17 m out among nine within 0.04 m: the axis is not stretched to it,
// and the stop sits on its bottom edge as a triangle.
TEST(ErrorChart, AStopFarBeyondTheAxisSitsOnItsEdgeGolden) {
  std::vector<ErrorPoint> points;
  for (int i = 0; i < 9; ++i) points.push_back({30.0 + 2 * i, 0.02 * (i % 3), false, "s", ""});
  points.push_back({40.0, -17.0, true, "far", ""});
  EXPECT_TRUE(layoutErrors(points).clipped(-17.0));
  tasc::test::expectGolden("chart/golden/far-off-stop.svg", renderErrorChart("t", points));
}

TEST(Svg, NumbersLabelsAndTicks) {
  for (const tasc::test::Case& c : tasc::test::readCases("chart/data/svg.txt")) {
    const std::string& fn = c.f[0];
    const std::vector<double> a = tasc::test::numbers(c.f[1]);
    const std::string got = fn == "escape"  ? svg::escape(c.f[1])
                            : fn == "num"   ? svg::num(a.at(0))
                            : fn == "label" ? svg::label(a.at(0))
                            : fn == "tickStep"
                                ? tasc::test::num(svg::tickStep(a.at(0), static_cast<int>(a.at(1))))
                                : std::to_string(svg::tickCount(a.at(0), a.at(1), a.at(2)));
    EXPECT_EQ(got, c.f[2]) << c.where;
  }
}

}  // namespace
}  // namespace tasc::chart
