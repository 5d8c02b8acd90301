// The braking segments of a recording: from just before the brake that
// reaches the train goes on (or, for an approach under power, from shortly
// before the power cut) to the standstill, the frames a fit replays through
// the train model.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "recording/reader.h"

namespace tasc::fit {

// One stop's braking, frame by frame as recorded. Frame 0 has the brake
// released; the last frame is the first at rest. An approach under power
// starts up to 2 s before the cut with one power notch held: the traction at
// the cut is unknown, so a fit takes it as steady over those frames and
// lets it decay after the cut with the vehicle's traction lag.
struct Segment {
  std::string recording;        // the file's name, for messages and tables
  int32_t stop = 0;             // 1-based among the recording's stops
  int32_t brakeNotches = 8;     // the vehicle's service notches (SetVehicleSpec)
  std::size_t brakeFrom = 0;    // the frame before the braking proper: the last
                                // one under power, or the last released one
  std::vector<int32_t> timeMs;  // from the first frame, by the recorded steps
  std::vector<double> speed;    // km/h as recorded
  std::vector<int32_t> brake;   // the handles the plug-in returned, as the host applies them
  std::vector<int32_t> power;
  std::vector<int32_t> reverser;
  bool underPower() const { return !power.empty() && power.front() > 0; }
  // Seconds from brakeFrom to the standstill.
  double duration() const { return (timeMs.back() - timeMs[brakeFrom]) / 1000.0; }
};

// Every stop of `r` (a standstill after running) whose braking can be fitted:
// the brake on from one frame to the standstill without traction, an
// emergency notch or a frame step that is not positive in between, and
// before it either released frames or, up to 5 s before the first brake,
// the power cut after at least a second of one power notch. A stop that
// cannot be used gets a one-line note naming the recording and the stop.
std::vector<Segment> brakingSegments(const recording::Recording& r, const std::string& name,
                                     std::vector<std::string>& notes);

}  // namespace tasc::fit
