// The axes of the charts (ticks of 1, 2 or 5 x 10^k; the error range that
// leaves far-off stops on the edge) and the geometry of the chart of many
// stops: where the bands, the marks and the ticks go, by literal pixels.
#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "chart/axis.h"
#include "chart/error_chart.h"

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

bool has(const std::string& svg, const std::string& piece) {
  return svg.find(piece) != std::string::npos;
}

// Three stops at 30, 42.5 and 50 km/h: the speed axis 30..50 by 5, the error
// axis -0.4..+0.3 m by 0.1 over 290 px from y 40.
TEST(ErrorChart, BandsMarksAndTicksSitWhereTheAxesPutThem) {
  const std::vector<ErrorPoint> points = {
      {30.0, 0.05, false, "a<b&c.csv, stop 1", "a%3Cb%26c-stop1.svg"},
      {42.5, -0.4, true, "r.csv, stop 1", ""},
      {50.0, 0.2, false, "r.csv, stop 2", ""},
      {kNan, 0.1, false, "no far beacon", ""},
  };
  const ErrorLayout l = layoutErrors(points);
  EXPECT_DOUBLE_EQ(l.x.first, 30.0);
  EXPECT_DOUBLE_EQ(l.x.step, 5.0);
  EXPECT_EQ(l.x.count, 5);
  EXPECT_NEAR(l.y.first, -0.4, 1e-12);
  EXPECT_NEAR(l.y.step, 0.1, 1e-12);
  EXPECT_EQ(l.y.count, 8);
  const std::string svg = renderErrorChart("t", points);
  const struct {
    const char* what;
    const char* piece;
  } rows[] = {
      {"+-0.10 m band", "<rect x=\"70.00\" y=\"122.86\" width=\"660.00\" height=\"82.86\""},
      {"+-0.25 m band", "<rect x=\"70.00\" y=\"60.71\" width=\"660.00\" height=\"207.14\""},
      {"a stop: a dot", "<circle cx=\"80.00\" cy=\"143.57\""},
      {"out of reach: a cross", "<path d=\"M476.00 326.00L484.00 334.00M476.00 334.00L484.00"},
      {"its hover text says so", "r.csv, stop 1: 42.5 km/h, -0.400 m (could not be made)"},
      {"the last speed tick", ">50</text>"},
      {"the lowest error tick", ">-0.4</text>"},
      {"names escaped", "<title>a&lt;b&amp;c.csv, stop 1: 30.0 km/h, +0.050 m</title>"},
      {"the link to the stop's chart", "<a href=\"a%3Cb%26c-stop1.svg\">"},
      {"a stop without a speed is counted, not drawn",
       "1 without a far beacon or an error, not drawn"},
  };
  for (const auto& r : rows) EXPECT_TRUE(has(svg, r.piece)) << r.what << "\n" << svg;
}

TEST(ErrorChart, AStopFarBeyondTheAxisSitsOnItsEdgeAsATriangle) {
  std::vector<ErrorPoint> points;
  for (int i = 0; i < 9; ++i) points.push_back({30.0 + 2 * i, 0.02 * (i % 3), false, "s", ""});
  points.push_back({40.0, -17.0, true, "far", ""});
  const ErrorLayout l = layoutErrors(points);
  EXPECT_NEAR(l.y.first, -0.3, 1e-12);  // not stretched to -17 m
  EXPECT_TRUE(l.clipped(-17.0));
  const std::string svg = renderErrorChart("t", points);
  // px(40) = 70 + 10 + (40 - 30) / 20 * 640; the tip on the bottom edge, y 330.
  EXPECT_TRUE(has(svg, "<polygon points=\"400.00,330.00 395.00,321.00 405.00,321.00\"")) << svg;
  EXPECT_TRUE(has(svg, "1 beyond the error axis, drawn on its edge"));
}

}  // namespace
}  // namespace tasc::chart
