// The braking segments of a recording: from just before the brake that
// reaches the train goes on to the standstill, the frames a fit replays
// through the train model.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "recording/reader.h"

namespace tasc::fit {

// One stop's braking, frame by frame as recorded. Frame 0 is the last one
// with the brake released; the last frame is the first at rest.
struct Segment {
  std::string recording;        // the file's name, for messages and tables
  int32_t stop = 0;             // 1-based among the recording's stops
  int32_t brakeNotches = 8;     // the vehicle's service notches (SetVehicleSpec)
  std::vector<int32_t> timeMs;  // from the first frame, by the recorded steps
  std::vector<double> speed;    // km/h as recorded
  std::vector<int32_t> brake;   // the handles the plug-in returned, as the host applies them
  std::vector<int32_t> power;
  std::vector<int32_t> reverser;
  double duration() const { return (timeMs.back() - timeMs.front()) / 1000.0; }
};

// Every stop of `r` (a standstill after running) whose braking can be fitted:
// the brake on from one frame to the standstill without traction, an
// emergency notch or a frame step that is not positive in between. A stop
// that cannot be used gets a note saying why.
std::vector<Segment> brakingSegments(const recording::Recording& r, const std::string& name,
                                     std::vector<std::string>& notes);

}  // namespace tasc::fit
