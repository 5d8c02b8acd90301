// A recording replayed into the plug-in's own code: a plugin::Module attached
// in a temporary folder that holds the recording's copies of TASC.ini,
// csvPath.ini and the parameter files, fed every recorded call in call order.
// What the plug-in made of each beacon and frame comes from there; nothing of
// the plug-in's rules is worked out again here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "control/beacon.h"
#include "control/tasc_controller.h"
#include "recording/reader.h"

namespace tasc::report {

// A beacon call and what the plug-in's own code did with it.
struct BeaconCall {
  std::size_t framesBefore = 0;  // frames recorded before the call
  int32_t type = 0;
  int32_t data = 0;
  BeaconOutcome outcome = BeaconOutcome::NotABeacon;
  double distance = 0;      // m it set (accepted stopping beacons)
  bool recordFound = true;  // its keys found a record in the table in force
  int32_t tableEntry = 0;   // the csvPath.ini entry of that table
  int32_t formationId = 0;  // the plug-in's FormationID
  double patternSpeed = 0;  // km/h of the pattern at `distance` with the record it set
};

// Per frame, after its Elapse in the plug-in's own code.
struct ReplayFrame {
  double remaining = 0;     // m, the plug-in's distance
  double patternSpeed = 0;  // km/h at the train; NaN when its pattern lamp is off
  int32_t command = -1;     // the plug-in's brake command, quarter notches; -1: none
  StopResult stopResult = StopResult::None;
  bool lowSpeed = false;
};

struct Replay {
  std::vector<BeaconCall> beacons;
  std::vector<ReplayFrame> frames;
  std::size_t disagreements = 0;  // frames whose recorded handles or panel differ
  std::size_t firstDisagreement = 0;
  double b7Dec = 0;  // km/h/s, B7Dec of the recording's TASC.ini as the plug-in read it
};

// The temporary folder cannot be made or written.
class ReplayError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Throws ReplayError.
Replay replay(const recording::Recording& recording);

}  // namespace tasc::report
