// The chart of many stops: each stop's error against its speed at the far
// beacon, with the +-0.10 and +-0.25 m bands shaded. A stop beyond the error
// axis sits on its edge as a triangle pointing the way it went; a stop that
// could not be made (the beacon too close for notch 7 from that speed) is a
// cross, whatever its error. Each mark links to the stop's own chart.
#pragma once

#include <string>
#include <vector>

#include "chart/axis.h"
#include "chart/stop_chart.h"

namespace tasc::chart {

struct ErrorPoint {
  double speed = kNoValue;  // km/h at the far beacon; NaN: none heard (not drawn)
  double error = kNoValue;  // m, positive short; NaN: none (not drawn)
  bool outOfReach = false;  // notch 7 could not stop within the far beacon's distance
  std::string label;        // shown on hover, e.g. "run.csv, stop 2"
  std::string link;         // the stop's chart, relative to the page; empty: none
};

// Where everything goes, in px of the SVG.
struct ErrorLayout {
  static constexpr double kWidth = 760, kHeight = 400;
  static constexpr double kLeft = 70, kTop = 40, kPlotW = 660, kPlotH = 290;
  Ticks x;  // km/h
  Ticks y;  // m
  double px(double speed) const;
  double py(double error) const;  // clamped to the plot
  bool clipped(double error) const { return error < y.first || error > y.last(); }
};

// The axes for the points: speeds to whole ticks; errors as shownErrors()
// keeps them, so a few far-off stops do not flatten the rest.
ErrorLayout layoutErrors(const std::vector<ErrorPoint>& points);

// A standalone SVG document; `title` is plain text.
std::string renderErrorChart(const std::string& title, const std::vector<ErrorPoint>& points);

}  // namespace tasc::chart
