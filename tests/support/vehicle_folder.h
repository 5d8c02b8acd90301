// Test support: a temporary vehicle folder holding a copy of the built
// plug-in, and a host that loads that copy by path and calls its exports by
// name, as the simulator does. The copy matters: the module finds TASC.ini
// and csvPath.ini beside itself.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "abi/host_records.h"
#include "abi/plugin_api.h"
#include "files/files.h"
#include "system/host_loader.h"

namespace tasc::test {

// A fresh folder under the system's temporary directory (the tools' own),
// removed with its content on destruction.
class TempFolder : public files::TempFolder {
 public:
  TempFolder() : files::TempFolder("tasc-test-") {}
  // Writes `content` as is (bytes) to the relative path, making folders.
  std::filesystem::path write(std::string_view relative, std::string_view content) const;
};

// The built plug-in copied into a vehicle folder (the folder's root, or a
// sub-folder) and loaded from there.
class LoadedPlugin {
 public:
  // Copies the module (the built plug-in unless `source` names another) to
  // folder/relative (e.g. "TASC.so" or "bin/TASC.so") and loads the copy.
  // Fails the current test when it does not load.
  explicit LoadedPlugin(const std::filesystem::path& folder, std::string_view relative = "TASC.so",
                        const char* source = nullptr);

  bool loaded() const { return module_.loaded(); }
  const PluginApi& api() const { return api_; }
  ExportAddress symbol(const char* name) const { return module_.find(name); }

  // Host conveniences: one frame at a speed and time; panel and sound arrays
  // of 256 entries each, kept between frames as a host keeps them.
  HandleRecord frame(float speedKmh, int32_t timeMs);
  const int32_t* panel() const { return panel_; }
  const int32_t* sound() const { return sound_; }
  int32_t* mutablePanel() { return panel_; }

 private:
  platform::HostModule module_;
  PluginApi api_{};
  int32_t panel_[256] = {};
  int32_t sound_[256] = {};
};

// The built modules: the plug-in and the recording module.
const char* pluginModulePath();
const char* recorderModulePath();

// A vehicle state record with the given speed and time, other fields zero.
VehicleStateRecord makeState(float speedKmh, int32_t timeMs);

}  // namespace tasc::test
