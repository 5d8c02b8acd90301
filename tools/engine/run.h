// One simulated stop: the host's frame loop over the train, the beacons the
// receiver passes and the driver's script, through a PluginHost.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "abi/host_records.h"
#include "engine/plugin_host.h"
#include "engine/scenario.h"
#include "engine/stop_meter.h"

namespace tasc::engine {

// One frame of the trace, after its Elapse.
struct FrameRow {
  int32_t timeMs = 0;
  double position = 0;         // m, the train's front
  double speed = 0;            // km/h
  double accel = 0;            // km/h/s over the frame's step
  double trueRemaining = 0;    // m from the front to the stopping point
  double pluginRemaining = 0;  // m, the plug-in's own distance; NaN before a stopping beacon
  double patternSpeed = 0;     // km/h at the train for that distance; NaN: no pattern lit
  double brakeDecel = 0;       // km/h/s applied after dead time and lag
  int32_t brakeCommand = -1;   // quarter notches of the plug-in's override; -1: none
  HandleRecord sent{};         // the handles that Elapse returned
  int32_t driverPower = 0;
  int32_t driverBrake = 0;
  std::array<int32_t, kPanelLampCount> panel{};  // indices 85..89
  int32_t beacon = 0;                            // type of a beacon passed in this frame, 0: none
};

// The beacons of a scenario in track order, handed out as the receiver
// passes them.
class BeaconTrack {
 public:
  // Beacons at or behind the receiver's start are never passed.
  BeaconTrack(const std::vector<BeaconEntry>& beacons, double receiverStart);
  // The beacons in (before, after], in order.
  std::span<const BeaconEntry> passed(double before, double after);

 private:
  const std::vector<BeaconEntry>& beacons_;
  std::size_t next_ = 0;
};

// One stop of `scenario` on `host`. Appends a row per frame to `trace` when given.
RunResult runStop(PluginHost& host, const Scenario& scenario,
                  std::vector<FrameRow>* trace = nullptr);

}  // namespace tasc::engine
