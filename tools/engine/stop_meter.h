// What one simulated stop came to: the measures taken frame by frame (brake
// command changes, peaks of deceleration and jerk, the standstill) and the
// plug-in's own verdict, read from its follower.
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "abi/host_records.h"
#include "control/beacon.h"
#include "control/tasc_controller.h"
#include "engine/stop_measures.h"
#include "model/reach.h"

namespace tasc::engine {

// A beacon as the train passed it.
struct BeaconPass {
  int32_t timeMs = 0;
  double position = 0;  // m, the beacon's position
  int32_t type = 0;
  int32_t data = 0;
  BeaconOutcome outcome = BeaconOutcome::NotABeacon;
  double distance = 0;      // m it set (accepted only)
  int32_t tableIndex = -1;  // its record's place in the table in force; -1: defaults with its keys
  int32_t tableEntry = 0;   // the csvPath.ini entry that table was read from
  int32_t loadsEntry = -1;  // the entry whose file it had the plug-in read; -1: none
  int32_t lamp = -1;        // panel 86 of the loaded plug-in after the beacon's frame; -1: unseen
  int32_t ownLamp = -1;     // the same lamp of the plug-in's own code, fed the same calls
  bool accepted() const { return outcome == BeaconOutcome::Accepted; }
};

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
  int32_t brakeChanges = 0;    // changes of the plug-in's brake override
  double peakDecel = 0;        // km/h/s, while moving
  double peakJerk = 0;         // km/h/s^2, while moving
  int32_t peakCommand = -1;    // quarter notches the vehicle applied
  int32_t peakCommanded = -1;  // quarter notches the plug-in commanded
  int32_t peakSentNotch = 0;   // the notch that carried it, in the vehicle's numbering
  int32_t framesBeyond = 0;    // frames that sent a notch the vehicle lacks
  int32_t frames = 0;
  int32_t formationId = 0;    // the plug-in's FormationID in this run
  int32_t disagreements = 0;  // frames where the loaded plug-in and its own code differ
  int32_t firstDisagreeMs = -1;
  double powerCutPosition = std::numeric_limits<double>::quiet_NaN();  // m, first cut
  std::string endReason;
  std::vector<BeaconPass> beacons;
  // Whether notch 7 could have stopped the train within its far beacon's
  // distance, from the speed it passed that beacon at.
  model::Reach reach;
};

// One frame as the meter sees it, after its Elapse.
struct MeterFrame {
  int32_t frame = 0;  // 0 for the first
  int32_t nowMs = 0;
  int32_t stepMs = 0;
  double speed = 0;        // km/h of the simulated train
  double accel = 0;        // km/h/s over the step
  int32_t command = -1;    // quarter notches of the plug-in's override; -1: none
  int32_t commanded = -1;  // the plug-in's own command when it overrides; -1: none
  bool beyond = false;     // the notch sent is one the vehicle lacks
  HandleRecord sent{};
};

class StopMeter {
 public:
  void beaconPassed(const BeaconPass& pass);
  const BeaconPass& lastBeacon() const { return result_.beacons.back(); }
  // Panel 86 after the frame, for the beacons whose lamp is still unseen.
  void beaconLamps(int32_t loaded, int32_t own);
  // The loaded plug-in and its own code disagreed in this frame.
  void disagreement(int32_t nowMs);
  void powerCut(double position);
  // The frame's measures; `plugin` is the follower's controller after the frame.
  void frame(const MeterFrame& f, const TascController& plugin);
  int32_t standingMs() const { return standingMs_; }
  bool stopped() const { return result_.stopped; }
  // The result, with the run's end.
  RunResult finish(const TascController& plugin, int32_t endMs, double stopError,
                   double stopPosition, std::string endReason);

 private:
  RunResult result_;
  ApproachMeter approach_;
  int32_t standingMs_ = 0;
  bool following_ = false;  // a stopping beacon set the plug-in's distance
  bool evaluated_ = false;  // the plug-in has evaluated the present standstill
};

}  // namespace tasc::engine
