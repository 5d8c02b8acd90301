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

// The whole state of one plug-in instance, the boundary and its controller,
// with one operation per export that does something. The module holds one,
// statically; a tool that follows a loaded plug-in holds another and feeds it
// the same calls. The operations may throw (std::bad_alloc from a parameter
// file); the exports catch.
class Module {
 public:
  // The attach step for a module whose own file is `moduleFile` (null or
  // empty: unknown). Builds the path of TASC.ini beside it and points the
  // controller at the boundary's variables. Safe to repeat.
  void attach(const char* moduleFile) noexcept;
  // SetVehicleSpec: stores the brake notch count.
  void setVehicleSpec(const VehicleSpecRecord& vehicle) {
    boundary.brakeNotchCount = vehicle.brakeNotches;
  }
  // Initialize: driver's handle defaults, TASC.ini, the controller reset.
  void initialize();
  // Elapse: frame step, state, one control cycle, the handle mix; writes
  // panel[85..89] when `panel` is not null.
  HandleRecord elapse(const VehicleStateRecord& state, int32_t* panel);
  // SetPower, SetBrake, SetReverser: stored for the next frame.
  void setDriverHandle(DriverHandle which, int32_t value) { boundary.driverHandles[which] = value; }
  // SetBeaconData.
  BeaconOutcome setBeaconData(const BeaconRecord& beacon);

  Boundary boundary{};
  TascController controller{};
};

Boundary& boundary();
TascController& controller();

// The module attach step: runs on every notification of the library's entry
// routine. Finds the module's own file and attaches the module's instance.
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
// 0..3, any other type is ignored. Returns what the beacon did.
BeaconOutcome dispatchBeacon(TascController& c, const BeaconRecord& beacon, float storedSpeed);

}  // namespace tasc::plugin
