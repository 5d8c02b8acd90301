// The host: a plug-in copy loaded in a run folder of its own, driven through
// its exports over one stop of a scenario, frame by frame.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "control/tasc_controller.h"
#include "platform/host_loader.h"
#include "plugin/host_records.h"
#include "plugin/plugin_api.h"
#include "sim/host_system.h"
#include "sim/scenario.h"

namespace tasc::sim {

// The plug-in cannot be copied or loaded, or an export is missing.
class HostError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A temporary folder that the module runs from: a copy of the plug-in, the
// vehicle folder's TASC.ini and its csvPath.ini with every relative entry made
// absolute against the vehicle folder. Removed with its content on destruction.
class RunFolder {
 public:
  RunFolder(const std::filesystem::path& plugin, const std::filesystem::path& vehicleFolder);
  ~RunFolder();
  RunFolder(const RunFolder&) = delete;
  RunFolder& operator=(const RunFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  const std::filesystem::path& modulePath() const { return module_; }
  const std::vector<std::string>& warnings() const { return warnings_; }

 private:
  std::filesystem::path path_;
  std::filesystem::path module_;
  std::vector<std::string> warnings_;
};

// One frame of the trace, after its Elapse.
struct FrameRow {
  int32_t timeMs = 0;
  double position = 0;       // m, the train's front
  double speed = 0;          // km/h
  double accel = 0;          // km/h/s over the frame's step
  double trueRemaining = 0;  // m from the front to the stopping point
  double pluginRemaining =
      0;                    // m, the plug-in's own distance as the simulator follows it; NaN: none
  double patternSpeed = 0;  // km/h at the train for that distance; NaN: no pattern lit
  double brakeDecel = 0;    // km/h/s applied after dead time and lag
  int32_t brakeCommand = -1;  // quarter notches of the plug-in's override; -1: none
  HandleRecord sent{};        // the handles that Elapse returned
  int32_t driverPower = 0;
  int32_t driverBrake = 0;
  std::array<int32_t, kPanelLampCount> panel{};  // indices 85..89
  int32_t beacon = 0;                            // type of a beacon passed in this frame, 0: none
};

// A beacon as the train passed it.
struct BeaconPass {
  int32_t timeMs = 0;
  double position = 0;  // m, the beacon's position
  int32_t type = 0;
  int32_t data = 0;
  bool accepted = false;  // a stopping beacon that set a distance
  double distance = 0;    // m it set (accepted only)
};

enum class Verdict { NoPattern, NotEvaluated, OnTarget, Short, Overrun, DidNotStop };
const char* verdictName(Verdict verdict);

struct RunResult {
  bool stopped = false;
  double stopPosition = 0;  // m, the front where the train came to rest (or ended)
  double stopError = 0;     // m, stopping point - front: positive short, negative overrun
  Verdict verdict = Verdict::NoPattern;
  bool holdingBrake = false;        // the plug-in holds the train after its evaluation
  double pluginDistanceAtStop = 0;  // m, the distance the plug-in evaluated (followed)
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

// A loaded plug-in instance. Runs are sequential on one instance: each run
// starts with SetVehicleSpec and Initialize, which reset the controller.
class PluginHost {
 public:
  // Throws HostError.
  PluginHost(const std::filesystem::path& plugin, const std::filesystem::path& vehicleFolder);
  ~PluginHost();
  PluginHost(const PluginHost&) = delete;
  PluginHost& operator=(const PluginHost&) = delete;

  int32_t pluginVersion() const { return api_.GetPluginVersion(); }
  const RunFolder& folder() const { return folder_; }
  // Whether scripted keys reach the plug-in: only a build with the POSIX key
  // stand-in has SetKeyState; the Windows one reads the keyboard itself.
  bool takesKeys() const { return api_.SetKeyState != nullptr; }

  // One stop. Appends a row per frame to `trace` when given.
  RunResult run(const Scenario& scenario, std::vector<FrameRow>* trace = nullptr);

 private:
  void setKey(int32_t vk, bool down);

  RunFolder folder_;
  std::unique_ptr<platform::HostModule> module_;
  PluginApi api_{};
  // The simulator's own follower of the plug-in's distance and record: the
  // same beacon decoding and parameter files, fed the same speeds.
  std::unique_ptr<TascController> shadow_;
  std::array<int32_t, 256> panel_{};
  std::array<int32_t, 256> sound_{};
};

// Pattern speed at `distance` m for a record, as the plug-in computes it.
double patternSpeed(const ParamRecord& record, double distance);

}  // namespace tasc::sim
