// The plug-in boundary: module-level state and the attach step. The exports
// themselves are in exports.cpp.
#pragma once

#include <array>
#include <cstdint>

#include "control/tasc_controller.h"
#include "plugin/host_records.h"

namespace tasc::plugin {

// Module-level state of the boundary; zero at load.
struct Boundary {
  std::array<int32_t, 3> driverHandles{};  // brake, power, reverser
  VehicleStateRecord vehicleState{};       // the latest frame's record
  HandleRecord handleOutput{};             // built by every frame
  int32_t elapsedMs = 0;                   // step of the current frame
  int32_t brakeNotchCount = 0;
  PathBuffer settingsPath{};  // TASC.ini beside the module; empty if it does not fit
};

Boundary& boundary();
TascController& controller();

// The module attach step: runs on every notification of the library's entry
// routine. Finds the module's own file, builds the path of TASC.ini beside it
// and points the controller at the boundary's variables.
void attachModule() noexcept;

// The frame step: new time - previous time in 32-bit wrap-around arithmetic,
// 0 when not positive.
int32_t frameStep(int32_t newTimeMs, int32_t previousTimeMs);

// A brake command in quarter notches as the vehicle's brake notch: whole
// notches at their numbers, quarter positions from 11 up. c must be >= 0.
int32_t encodeBrakeNotch(int32_t command);

// Handle mix of a frame: driver's handles, the power cut and the brake
// override by the controller's command.
HandleRecord mixHandles(const TascController& c, const std::array<int32_t, 3>& driver, float speed);

// SetBeaconData's dispatch: 400 toggles, 501..503 are stopping beacons (only
// while the stored speed is not exactly 0), 504 selects the HmPtn pattern
// 0..3, any other type is ignored.
void dispatchBeacon(TascController& c, const BeaconRecord& beacon, float storedSpeed);

}  // namespace tasc::plugin
