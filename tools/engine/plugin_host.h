// The host side of a simulated run: a copy of the plug-in loaded from a run
// folder of its own, and beside it the plug-in's own code (a plugin::Module)
// fed the very same calls, which shows what the loaded plug-in holds inside:
// its distance, its record in force, its verdict, what it made of a beacon.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "abi/host_records.h"
#include "abi/plugin_api.h"
#include "engine/run_recorder.h"
#include "files/files.h"
#include "plugin/plugin.h"
#include "system/host_loader.h"

namespace tasc::engine {

// The plug-in cannot be copied or loaded, or an export is missing.
class HostError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The plug-in beside this executable (a package), or of the build that holds
// it (build/tools/tasc/tasc, two levels below build/TASC.so). No path is built
// in: a tool copied elsewhere never runs its builder's plug-in. Throws
// HostError "no plug-in given: put TASC.dll beside tasc.exe, or give --plugin"
// (TASC.so and tasc on POSIX) when neither is there.
std::filesystem::path defaultPlugin();

// A temporary folder that the module runs from: a copy of the plug-in beside
// a copy of the vehicle folder that reads the same (vehicle_copy.h). Removed
// with its content on destruction.
// A module of another name (the recording module) keeps its name, and the
// plug-in it loads (TASC.so / TASC.dll, or the one TASCRec.ini names) and
// TASCRec.ini come along from beside it. Its recordings are kept: on
// destruction, once the recorder is unloaded, they move from the copy's
// records folder into the `records` folder beside the original recorder, as
// if the host had run it there (a name taken meanwhile gets the next number).
class RunFolder {
 public:
  // Throws HostError ("no TASC.dll beside the recorder (PATH)" among them);
  // files::FileError when no folder can be made.
  RunFolder(const std::filesystem::path& plugin, const std::filesystem::path& vehicleFolder);
  ~RunFolder();
  RunFolder(const RunFolder&) = delete;
  RunFolder& operator=(const RunFolder&) = delete;

  const std::filesystem::path& path() const { return folder_.path(); }
  const std::filesystem::path& modulePath() const { return module_; }
  // The vehicle folder it copies, whose files a recording names.
  const std::filesystem::path& source() const { return source_; }
  // What the module reads differently from the vehicle folder, one line each.
  const std::vector<std::string>& warnings() const { return warnings_; }
  // Each parameter file copied: the original and the copy the module reads.
  const std::vector<std::pair<std::filesystem::path, std::filesystem::path>>& files() const {
    return files_;
  }

 private:
  // The recorder, the plug-in it loads and its settings into `here`, the
  // copy's plug-in folder.
  void takeRecorder(const std::filesystem::path& recorder, const std::filesystem::path& here);

  files::TempFolder folder_;
  std::filesystem::path module_;
  std::filesystem::path source_;
  std::vector<std::pair<std::filesystem::path, std::filesystem::path>> files_;
  std::vector<std::string> warnings_;
  std::filesystem::path recorderPlugin_;  // the copy the recorder loads
  std::filesystem::path records_;         // beside the original recorder; empty: none
};

// What the follower reads when it runs alone (PluginHost::followOnly): the
// settings as read, the list's lookups and the parameter files.
struct FollowerFiles {
  Settings settings;
  ListReader list;
  FileReader files;
};

// The loaded plug-in and its follower. Every call goes to both, in the same
// order with the same arguments. Runs are sequential on one instance.
class PluginHost {
 public:
  // Throws HostError; files::FileError when no run folder can be made.
  PluginHost(const std::filesystem::path& plugin, const std::filesystem::path& vehicleFolder);
  ~PluginHost();
  PluginHost(const PluginHost&) = delete;
  PluginHost& operator=(const PluginHost&) = delete;

  const RunFolder& folder() const { return folder_; }
  int32_t pluginVersion() const { return api_.GetPluginVersion(); }
  // Whether scripted keys reach the plug-in: only a build with the POSIX key
  // stand-in has SetKeyState; the Windows one reads the keyboard itself.
  bool takesKeys() const { return api_.SetKeyState != nullptr; }

  void setVehicleSpec(const VehicleSpecRecord& vehicle);
  void initialize(int32_t brakeMode);
  void setDriverHandle(DriverHandle which, int32_t value);
  void setKey(int32_t virtualKey, bool down);
  // What the plug-in decided on the beacon, as the follower saw it.
  BeaconDecision setBeaconData(const BeaconRecord& beacon);
  // The loaded plug-in's handles; panel() holds its panel afterwards, and
  // agrees() whether the plug-in's own code returned the same handles and
  // panel values.
  HandleRecord elapse(const VehicleStateRecord& state);
  bool agrees() const { return agrees_; }

  const std::array<int32_t, 256>& panel() const { return panel_; }
  const plugin::Module& follower() const { return *follower_; }

  // From the next call on, the loaded plug-in is left out and the follower
  // alone runs, reading `files` (which must outlive the use) at Initialize
  // and at a beacon's file switch instead of the files beside it; its handles
  // and panel stand for the plug-in's. The two agree frame for frame wherever
  // both run, so a search may try its candidates this way and drive the one
  // it keeps through the plug-in. Null: both again; every run starts with an
  // Initialize that resets them alike.
  void followOnly(const FollowerFiles* files) { followOnly_ = files; }

  // `tasc sim --record`: the next Initialize starts a recording into `file`,
  // which takes every call to the loaded plug-in up to the next Initialize
  // or Dispose. Null until the first call.
  void recordNextRun(const std::filesystem::path& file);
  const RunRecorder* recorder() const { return recorder_.get(); }

 private:
  RunFolder folder_;
  std::unique_ptr<platform::HostModule> module_;
  PluginApi api_{};
  std::unique_ptr<plugin::Module> follower_;
  std::array<int32_t, 256> panel_{};
  std::array<int32_t, 256> sound_{};
  bool agrees_ = true;
  std::filesystem::path pluginFile_;
  std::unique_ptr<RunRecorder> recorder_;
  const FollowerFiles* followOnly_ = nullptr;
};

}  // namespace tasc::engine
