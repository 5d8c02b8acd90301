// The axes of the charts (ticks of 1, 2 or 5 x 10^k; the error range that
// leaves far-off stops on the edge) and the chart of many stops, against
// committed goldens.
#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "chart/axis.h"
#include "chart/error_chart.h"
#include "support/cases.h"

namespace tasc::chart {
namespace {

constexpr double kNan = std::numeric_limits<double>::quiet_NaN();

TEST(Axis, TicksFollowTheNiceNumberRuleAtAnyRange) {
  const struct {
    double lo, hi;
    double first, step;
    int count;
  } rows[] = {
      {-0.3, 0.3, -0.3, 0.1, 7},     // the least error range shown
      {-0.4, 0.3, -0.4, 0.1, 8},     // eight ticks still fit
      {-17.0, 0.3, -20.0, 5.0, 6},   // stops 17 m past the point
      {0.05, 0.75, 0.0, 0.2, 5},     // 0.1 would need 9 ticks: the next step
      {25.0, 55.0, 25.0, 5.0, 7},    // approach speeds
      {30.0, 50.0, 30.0, 5.0, 5},    //
      {41.4, 41.4, 40.8, 0.2, 7},    // one speed: a span of 1 around it
      {0.0, 1000.0, 0.0, 200.0, 6},  // a huge range
      {kNan, 1.0, -0.6, 0.2, 7},     // nonsense: a span of 1 around 0
  };
  for (const auto& r : rows) {
    const Ticks t = niceTicks(r.lo, r.hi);
    EXPECT_NEAR(t.first, r.first, 1e-9) << r.lo << ".." << r.hi;
    EXPECT_NEAR(t.step, r.step, 1e-12) << r.lo << ".." << r.hi;
    EXPECT_EQ(t.count, r.count) << r.lo << ".." << r.hi;
  }
}

TEST(Axis, ErrorRangeLeavesOutFarOffStopsAndShowsAtLeastThirtyCentimetres) {
  std::vector<double> fewFarOff(95, 0.05);
  fewFarOff.insert(fewFarOff.end(), {-17.0, -16.0, -15.5, 0.2, 0.25});
  std::vector<double> manyFarOff(80, -0.05);
  manyFarOff.insert(manyFarOff.end(), 20, -4.0);
  const struct {
    const char* what;
    std::vector<double> errors;
    double lo, hi;
  } rows[] = {
      {"none", {}, -0.3, 0.3},
      {"small errors", {0.02, -0.05, 0.1}, -0.3, 0.3},
      {"an overrun, shown", {-0.6, -0.42, -0.18, 0.12, -0.05}, -0.6, 0.3},
      {"5 of 100 stops 15 m out: left on the edge", fewFarOff, -0.3, 0.3},
      {"a fifth far out: shown", manyFarOff, -4.0, 0.3},
      {"a stop without an error counts nowhere", {kNan, 0.4, -0.1}, -0.3, 0.4},
  };
  for (const auto& r : rows) {
    const ErrorRange range = shownErrors(r.errors);
    EXPECT_DOUBLE_EQ(range.lo, r.lo) << r.what;
    EXPECT_DOUBLE_EQ(range.hi, r.hi) << r.what;
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

}  // namespace
}  // namespace tasc::chart
