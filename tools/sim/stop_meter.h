// What one simulated stop came to: the measures taken frame by frame (brake
// command changes, peaks of deceleration and jerk, the standstill) and the
// plug-in's own verdict, read from its follower.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "control/beacon.h"
#include "control/tasc_controller.h"
#include "plugin/host_records.h"

namespace tasc::sim {

// A beacon as the train passed it.
struct BeaconPass {
  int32_t timeMs = 0;
  double position = 0;  // m, the beacon's position
  int32_t type = 0;
  int32_t data = 0;
  BeaconOutcome outcome = BeaconOutcome::NotABeacon;
  double distance = 0;  // m it set (accepted only)
  bool accepted() const { return outcome == BeaconOutcome::Accepted; }
};

enum class Verdict { NoPattern, NotEvaluated, OnTarget, Short, Overrun, DidNotStop };
const char* verdictName(Verdict verdict);

struct RunResult {
  bool stopped = false;
  double stopPosition = 0;  // m, the front where the train came to rest (or ended)
  double stopError = 0;     // m, stopping point - front: positive short, negative overrun
  Verdict verdict = Verdict::NoPattern;
  bool holdingBrake = false;        // the plug-in holds the train after its evaluation
  double pluginDistanceAtStop = 0;  // m, the plug-in's distance when it evaluated the stop
  int32_t firstBeaconMs = -1;       // first stopping beacon passed
  int32_t stopMs = -1;              // the train came to rest
  int32_t endMs = 0;
  int32_t brakeChanges = 0;  // changes of the plug-in's brake override
  double peakDecel = 0;      // km/h/s, while moving
  double peakJerk = 0;       // km/h/s^2, while moving
  int32_t peakCommand = -1;  // quarter notches
  int32_t frames = 0;
  std::string endReason;
  std::vector<BeaconPass> beacons;
};

// One frame as the meter sees it, after its Elapse.
struct MeterFrame {
  int32_t frame = 0;  // 0 for the first
  int32_t nowMs = 0;
  int32_t stepMs = 0;
  double speed = 0;      // km/h of the simulated train
  double accel = 0;      // km/h/s over the step
  int32_t command = -1;  // quarter notches of the plug-in's override; -1: none
  HandleRecord sent{};
};

class StopMeter {
 public:
  void beaconPassed(const BeaconPass& pass);
  // The frame's measures; `plugin` is the follower's controller after the frame.
  void frame(const MeterFrame& f, const TascController& plugin);
  int32_t standingMs() const { return standingMs_; }
  bool stopped() const { return result_.stopped; }
  // The result, with the run's end.
  RunResult finish(const TascController& plugin, int32_t endMs, double stopError,
                   double stopPosition, std::string endReason);

 private:
  RunResult result_;
  int32_t standingMs_ = 0;
  int32_t previousCommand_ = -1;
  double previousAccel_ = 0;
  bool previousMoving_ = false;
  bool following_ = false;  // a stopping beacon set the plug-in's distance
  bool evaluated_ = false;  // the plug-in has evaluated the present standstill
};

}  // namespace tasc::sim
