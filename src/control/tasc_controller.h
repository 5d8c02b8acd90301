// The one controller of the plug-in: everything the stopping control keeps
// between frames. Fields are public so that the boundary and the tests can
// read them; the operations below hold the logic.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "control/beacon.h"
#include "control/param_record.h"
#include "plugin/host_records.h"

namespace tasc {

// Text buffers of the host's platform: 260 characters with the terminator,
// drive 3 and directory 256 when a module path is split.
inline constexpr std::size_t kPathSize = 260;
inline constexpr std::size_t kDriveSize = 3;
inline constexpr std::size_t kDirSize = 256;
inline constexpr int kParamFileCount = 64;
inline constexpr int kTimerCount = 4;

using PathBuffer = std::array<char, kPathSize>;

enum class BrakePhase : int32_t { Waiting = 0, Staircase = 1, Tracking = 2 };
enum class StopResult : int32_t { None = 0, OnTarget = 1, Short = 2, Overrun = 3 };

const char* brakePhaseName(BrakePhase phase);
const char* stopResultName(StopResult result);

// Timer slots, in the order the control cycle advances them.
enum TimerSlot : std::size_t {
  kStandstillTimer = 0,   // time below 1.2 km/h
  kUKeyTimer = 1,         // time with the U key held alone
  kSlowRunningTimer = 2,  // low-speed mode, below 0.5 km/h, with a command
  kNoPowerTimer = 3,      // low-speed mode, driver's power at 0
};

// Panel values, written to the host's indices 85..89.
enum PanelLamp : std::size_t {
  kLampInService = 0,
  kLampPatternArmed = 1,
  kLampBraking = 2,
  kLampCutOut = 3,
  kLampLowSpeed = 4,
};

struct TascController {
  // --- fields, in declaration order ---
  std::vector<ParamRecord> paramTable;            // records of the file loaded last; default first
  ParamRecord activeParam = kDefaultParamRecord;  // record in force for this stop
  std::array<int32_t, kTimerCount> timers{};      // ms; valid only once timersCreated
  bool timersCreated = false;                     // the reset has created the four timers
  int32_t loadedFileIndex = 0;                    // entry that the reset loaded; always 0
  double remainingDistance = 0;                   // m to the stopping point, negative past it
  bool beacon400Toggle = false;
  bool patternActive = false;
  bool standstill = false;  // below 1.2 km/h for more than 1000 ms
  StopResult stopResult = StopResult::None;
  BrakePhase brakePhase = BrakePhase::Waiting;
  int32_t maxBrakeSteps = 0;                 // quarter notches matching the pattern deceleration
  PathBuffer modulePath{};                   // full file name of the module
  std::array<char, kDriveSize> pathDrive{};  // scratch: drive of modulePath
  std::array<char, kDirSize> pathDir{};      // scratch: directory of modulePath
  PathBuffer paramListPath{};  // csvPath.ini beside the module; empty when it does not fit
  std::array<PathBuffer, kParamFileCount> paramFiles{};  // entries of csvPath.ini
  bool paramFilesRead = false;                           // the reset has filled paramFiles
  bool enableHmPtn = false;
  bool uKeyHeld = false;
  bool uKeyLatch = false;
  bool lowSpeedMode = false;
  bool cutOut = false;
  bool prevUCtrl = false;
  int32_t brakeCommand = 0;  // quarter notches; negative: no command
  double b7Dec = 0;          // km/h/s of brake notch 7
  std::array<int32_t, kPanelLampCount> panelLamps{};
  int32_t patternSelect = 0;  // 0..3, set by beacon type 504
  int32_t formationId = 0;

  // References to the boundary's variables, set when the module is attached.
  const int32_t* elapsedMsRef = nullptr;
  const VehicleStateRecord* vehicleStateRef = nullptr;
  const int32_t* driverHandlesRef = nullptr;  // brake, power, reverser

  // --- operations ---

  // Start of a run: reads csvPath.ini into paramFiles, puts the control state
  // back to its start values, loads entry 0 and creates the four timers.
  void reset();

  // Replaces paramTable by the default record followed by one record per line
  // of the file that `entry` names ("NULL": no file). Changes no other field.
  void loadParamFile(const char* entry);

  // One control cycle; runs once per frame after the frame's state is stored.
  void update();

  // A stopping beacon of kind 1 (near), 2 (middle) or 3 (far) with its data
  // word. Returns what it did; a beacon that is not accepted changes nothing.
  BeaconOutcome onBeacon(int32_t kind, int32_t data);

  // --- boundary inputs (zero until attached) ---
  float speed() const { return vehicleStateRef ? vehicleStateRef->speed : 0.0f; }
  int32_t elapsedMs() const { return elapsedMsRef ? *elapsedMsRef : 0; }
  int32_t driverHandle(DriverHandle which) const {
    return driverHandlesRef ? driverHandlesRef[which] : 0;
  }
};

}  // namespace tasc
