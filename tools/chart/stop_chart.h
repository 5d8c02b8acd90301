// The SVG chart of one stop: speed against position with the plug-in's
// pattern at the train, the beacons, the stopping point, the power cut and the
// brake notch on a second axis; below, the last 10 m zoomed in with the stop
// error. It draws from a neutral description of the stop that both `tasc sim`
// and `tasc report` fill.
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace tasc::chart {

inline constexpr double kNoValue = std::numeric_limits<double>::quiet_NaN();

struct ChartBeacon {
  double position = 0;  // m
  int32_t type = 0;
  bool accepted = true;  // a stopping beacon that the plug-in took
};

// One frame of the stop.
struct ChartPoint {
  double position = 0;        // m, the train's front
  double speed = 0;           // km/h
  double pattern = kNoValue;  // km/h at the train; NaN: no pattern lit
  int32_t command = -1;       // quarter notches the vehicle applies; -1: no override
  bool beyond = false;        // the notch sent is one the vehicle lacks
};

struct StopChart {
  std::string name;
  double stopError = kNoValue;      // m, positive short; NaN: no stopping point
  std::string band;                 // as the summary says it, e.g. "within 0.5 m"
  std::string verdict;              // the plug-in's own
  double stopPoint = kNoValue;      // m; NaN: none known
  double stopPosition = 0;          // m where the train came to rest (or ended)
  double startPosition = kNoValue;  // m, the chart's left end at the latest
  double powerCut = kNoValue;       // m, the first power cut; NaN: none
  int32_t brakeNotches = 8;         // the vehicle's service notches
  std::vector<ChartBeacon> beacons;
  std::vector<ChartPoint> points;
};

// A complete standalone SVG document.
std::string renderChart(const StopChart& stop);

}  // namespace tasc::chart
