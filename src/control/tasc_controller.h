// The one controller of the plug-in: everything the stopping control keeps
// between frames. Pure: its operations take their inputs and the readers of
// the files beside the module as arguments, and reach no operating system, no
// global and no variable of the module. Fields are public so that the module
// and the tests can read them; the operations below hold the logic.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "abi/host_records.h"
#include "control/beacon.h"
#include "control/inputs.h"
#include "readers/entry_path.h"
#include "readers/param_record.h"

namespace tasc {

inline constexpr int kParamFileCount = 64;
inline constexpr int kTimerCount = 4;

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
  int32_t maxBrakeSteps = 0;  // quarter notches matching the pattern deceleration
  std::array<PathBuffer, kParamFileCount> paramFiles{};  // entries of csvPath.ini
  bool paramFilesRead = false;                           // the reset has filled paramFiles
  int32_t tableEntry = -1;  // entry whose file paramTable holds; -1 before the first reset
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

  // --- operations ---

  // Start of a run: reads the 64 entries of the list into paramFiles, puts
  // the control state back to its start values, loads entry 0 from `files`
  // and creates the four timers.
  void reset(const ListReader& list, const FileReader& files);

  // Replaces paramTable by the default record followed by one record per line
  // of the file that `entry` names ("NULL": no file), read from `files`.
  // Changes no other field; never throws (out of memory: the default record
  // alone).
  void loadParamFile(const char* entry, const FileReader& files);

  // One control cycle, once per frame. No allocation, no exception.
  void update(const FrameInput& in);

  // A stopping beacon of kind 1 (near), 2 (middle) or 3 (far) with its data
  // word; a file switch reads from `files`. Returns what it decided; a beacon
  // that is not accepted changes nothing. Allocates only to load a file.
  BeaconDecision onBeacon(int32_t kind, int32_t data, const FileReader& files);
};

}  // namespace tasc
