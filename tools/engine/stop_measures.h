// The measures of a stop that `tasc sim` takes of its runs and `tasc report`
// of a recording's stops alike: the plug-in's brake override as the vehicle
// applies it, the holding brake, brake-command changes and the peaks of
// deceleration and jerk over the approach, the verdict and the accuracy band.
#pragma once

#include <cstdint>
#include <string>

#include "control/tasc_controller.h"

namespace tasc::engine {

// The plug-in's brake override among the handles it returned.
struct Override {
  bool active = false;    // the brake sent is the plug-in's
  int32_t quarters = -1;  // quarter notches the vehicle applies; -1: none, or the emergency brake
  bool beyond = false;    // the notch sent is one the vehicle lacks
};
// From the brake notch and constant-speed value sent (2: the brake is the
// plug-in's), for a vehicle of `brakeNotches` service notches.
Override overrideOf(int32_t brake, int32_t constantSpeed, int32_t brakeNotches);

// Whether the handles sent hold the standing train: the override at notch 4.
bool holdsTrain(int32_t brake, int32_t constantSpeed);

enum class Verdict { NoPattern, NotEvaluated, OnTarget, Short, Overrun, DidNotStop };
const char* verdictName(Verdict verdict);
// The plug-in's own evaluation; NotEvaluated for none.
Verdict verdictOf(StopResult result);

// "within 0.5 m" or "outside 0.5 m" for a stop error in m.
std::string stopBand(double stopError);

// Brake-command changes and the peaks of deceleration and jerk over an
// approach, fed one frame at a time.
class ApproachMeter {
 public:
  // One frame after the first.
  struct Frame {
    int32_t command = -1;       // quarter notches of the override; -1: none
    bool countsChange = false;  // a change of command in this frame counts
    bool moving = false;        // `accel` was measured over this step while the train moved
    double accel = 0;           // km/h/s over the step
    int32_t stepMs = 0;
  };

  // The approach's first frame: its command is what the next one changes.
  void start(int32_t command);
  void frame(const Frame& f);

  int32_t brakeChanges() const { return brakeChanges_; }
  double peakDecel() const { return peakDecel_; }  // km/h/s, 0 without braking
  double peakJerk() const { return peakJerk_; }    // km/h/s^2, between two moving steps

 private:
  int32_t brakeChanges_ = 0;
  double peakDecel_ = 0;
  double peakJerk_ = 0;
  int32_t previousCommand_ = -1;
  double previousAccel_ = 0;
  bool previousMoving_ = false;  // the previous frame measured an acceleration
};

}  // namespace tasc::engine
