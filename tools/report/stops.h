// Every stop of a recording, measured: where the train came to rest, the
// stopping point the beacons named, the error, the plug-in's verdict, the
// approach, and what explains a miss.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "model/reach.h"
#include "recording/reader.h"
#include "report/replay.h"

namespace tasc::report {

inline constexpr double kNone = std::numeric_limits<double>::quiet_NaN();

// A stopping beacon the plug-in accepted, and the point it named.
struct NamedPoint {
  int32_t type = 0;
  double position = 0;  // m, the train at the call (the frame before it)
  double distance = 0;  // m the beacon set
  double point() const { return position + distance; }
};

struct Stop {
  std::size_t first = 0;       // the approach's first frame
  std::size_t standstill = 0;  // the first frame at rest
  std::size_t last = 0;        // the last frame at rest (or of the recording)
  double position = 0;         // m at rest
  std::vector<NamedPoint> named;
  double stopPoint = kNone;  // m, the last named point; NaN: none
  double error = kNone;      // m, stopPoint - position: positive short, negative overrun
  double marker = kNone;     // m, the nearest --stop-at marker
  double markerError = kNone;
  std::string verdict;       // the plug-in's, from its own code, panel and handles
  double farSpeed = kNone;   // km/h at the first 503 heard
  double farToStop = kNone;  // s from that beacon to the standstill
  int32_t brakeChanges = 0;
  double peakDecel = 0;     // km/h/s
  double peakJerk = 0;      // km/h/s^2
  double powerCut = kNone;  // m, the first frame that cut power while the plug-in commanded
  std::vector<std::string> findings;  // what explains a miss
  model::Reach reach;                 // whether notch 7 could stop within the far beacon's distance
};

struct Analysis {
  bool positionFromLocation = true;  // the host's offset 0 behaves as a position
  int32_t brakeNotches = 8;          // the vehicle's, 8 when the recording has none
  std::vector<double> position;      // m per frame
  std::vector<Stop> stops;
  std::vector<std::string> notes;  // about the recording as a whole
};

// The train as the reach of a recorded stop is judged: notch 7 at B7Dec of the
// recording, the brake's dead time and lag, resistance and traction of a
// fitted vehicle, or the model's defaults (`source` says which).
struct ReachVehicle {
  model::VehicleModel vehicle;
  std::string source = "defaults";  // "defaults" or the vehicle file's name
  bool fitted = false;              // its b7_decel wins over the recording's B7Dec
  double gradient = 0;              // per mille, uphill positive
};

// The frame whose state the plug-in held when the call came.
std::size_t frameAt(const BeaconCall& b);
// Whether the call came within the stop's frames.
bool inStop(const Stop& s, const BeaconCall& b);
// The stopping beacons: 501..503.
bool isStopping(int32_t type);

// `markers`: the true stopping points (--stop-at), each stop measured against
// the nearest.
Analysis analyse(const recording::Recording& recording, const Replay& replay,
                 const std::vector<double>& markers, const ReachVehicle& vehicle = {});

}  // namespace tasc::report
