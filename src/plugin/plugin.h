// The plug-in module: the boundary's variables and the controller of one
// instance, wired to the host's records and to the operating system. The
// exports themselves are in exports.cpp.
#pragma once

#include <array>
#include <cstdint>

#include "abi/host_records.h"
#include "control/tasc_controller.h"
#include "plugin/settings.h"
#include "readers/entry_path.h"

namespace tasc::plugin {

// Module-level state of the boundary; zero at load.
struct Boundary {
  std::array<int32_t, 3> driverHandles{};  // brake, power, reverser
  VehicleStateRecord vehicleState{};       // the latest frame's record
  HandleRecord handleOutput{};             // built by every frame
  int32_t elapsedMs = 0;                   // step of the current frame
  int32_t brakeNotchCount = 0;
  PathBuffer modulePath{};     // the module's own file; empty when unknown or too long
  PathBuffer settingsPath{};   // TASC.ini beside the module; empty if it does not fit
  PathBuffer paramListPath{};  // csvPath.ini beside the module; empty if it does not fit
  bool keyU = false;           // POSIX: U as the host last reported it
  bool keyLeftCtrl = false;    // POSIX: left Ctrl as the host last reported it
};

// The whole state of one plug-in instance, the boundary and its controller,
// with one operation per export that does something. Each operation builds
// the controller's inputs from the boundary and hands it the readers over
// the operating system: the keys (on Windows the keyboard itself, on POSIX
// the host's reports) and the files beside the module. The module holds one,
// statically; a tool that follows a loaded plug-in holds another and feeds it
// the same calls. The operations may throw (std::bad_alloc from a parameter
// file); the exports catch.
class Module {
 public:
  // The attach step for a module whose own file is `moduleFile` (null or
  // empty: unknown). Builds the paths of TASC.ini and csvPath.ini beside it.
  // Safe to repeat.
  void attach(const char* moduleFile) noexcept;
  // SetVehicleSpec: stores the brake notch count.
  void setVehicleSpec(const VehicleSpecRecord& vehicle) {
    boundary.brakeNotchCount = vehicle.brakeNotches;
  }
  // Initialize: driver's handle defaults, TASC.ini, the controller reset.
  void initialize();
  // The same steps with the settings, the list and the parameter files
  // supplied by the caller instead of read beside the module: a tool that
  // tries many versions of a file gives them from memory.
  void initialize(const Settings& settings, const ListReader& list, const FileReader& files);
  // Elapse: frame step, state, one control cycle, the handle mix; writes
  // panel[85..89] when `panel` is not null.
  HandleRecord elapse(const VehicleStateRecord& state, int32_t* panel);
  // The same with the keys read through `keys`: a tool that runs the module
  // alone gives it reportedKeys(), the keys it scripts, where a Windows
  // module would ask the keyboard at every frame.
  HandleRecord elapse(const VehicleStateRecord& state, int32_t* panel, const KeyReader& keys);
  // The keys as last given to setKeyState, on every system.
  KeyReader reportedKeys() const;
  // SetPower, SetBrake, SetReverser: stored for the next frame.
  void setDriverHandle(DriverHandle which, int32_t value) { boundary.driverHandles[which] = value; }
  // SetKeyState (POSIX): the physical state of U (0x55) and left Ctrl (0xA2)
  // for the frames that follow; other codes are ignored. A Windows module
  // reads the keyboard itself and never looks at it.
  void setKeyState(int32_t virtualKey, bool down);
  // SetBeaconData: what the plug-in decided. A file switch reads `files`,
  // by default the files that the list beside the module names.
  BeaconDecision setBeaconData(const BeaconRecord& beacon);
  BeaconDecision setBeaconData(const BeaconRecord& beacon, const FileReader& files);

  Boundary boundary{};
  TascController controller{};
};

// The module's one instance, as the exports see it.
Module& instance();

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
// while the stored speed is not exactly 0; a file switch reads from `files`),
// 504 selects the HmPtn pattern 0..3, any other type is ignored.
BeaconDecision dispatchBeacon(TascController& c, const BeaconRecord& beacon, float storedSpeed,
                              const FileReader& files);

}  // namespace tasc::plugin
