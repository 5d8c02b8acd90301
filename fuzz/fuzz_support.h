// Shared by the fuzzers: the exports linked in, a private temporary module
// folder, file writing, the module attach pointed at that folder, and the
// host's driver with its checks after every frame.
#pragma once

#include <dlfcn.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "abi/host_records.h"
#include "abi/plugin_api.h"
#include "files/files.h"
#include "plugin/plugin.h"

namespace tasc::fuzz {

// Stops the run when `ok` is false: a fuzzer's way of reporting a broken
// invariant.
inline void check(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "fuzz invariant broken: %s\n", what);
  std::abort();
}

// The exports linked into this program, bound by name as a host binds them
// (the program exports its symbols).
inline const PluginApi& api() {
  static const PluginApi bound = [] {
    PluginApi a{};
    const MissingExports missing = bindPluginApi(a, [](const char* name) {
      return reinterpret_cast<ExportAddress>(::dlsym(RTLD_DEFAULT, name));
    });
    check(missing.empty() && a.SetKeyState != nullptr, "an export is missing");
    return a;
  }();
  return bound;
}

// A fresh folder under the temporary folder, removed when the process exits
// normally. One per process, so fuzzers running side by side never share one.
inline const std::filesystem::path& moduleFolder() {
  static const files::TempFolder folder("tasc-fuzz-");
  return folder.path();
}

// Writes the bytes as they are to folder/relative, making folders.
inline void writeFile(std::string_view relative, std::string_view bytes) {
  const std::filesystem::path path = moduleFolder() / relative;
  std::filesystem::create_directories(path.parent_path());
  check(files::writeWholeFile(path, bytes), "cannot write a fuzz file");
}

// A freshly loaded module whose file lies in moduleFolder(): the boundary and
// the controller back at their load values (keys up), then the attach step
// with the paths it builds there (statically linked, the module's own file is
// this program).
inline void loadModuleInFolder() {
  plugin::Module& m = plugin::instance();
  m.boundary = plugin::Boundary{};
  m.controller = TascController{};
  const std::string module = (moduleFolder() / "TASC.so").string();
  check(module.size() < kPathSize, "temporary folder path too long");
  m.attach(module.c_str());
  api().Load();
}

// The host's side of a run: the driver's handles as the host last set them,
// its clock and the speed it reports, and panel and sound arrays filled with
// a mark that only lamps 85..89 may overwrite.
struct Driver {
  int32_t brake = 0;
  int32_t power = 0;
  int32_t reverser = 0;
  float speed = 0.0f;
  int32_t time = 0;
  int32_t panel[256] = {}, sound[256] = {};

  Driver() { std::fill_n(panel, 256, kMark), std::fill_n(sound, 256, kMark); }

  // One frame at the current speed and time, and what it may return: the
  // driver's handles, the power cut while the controller commands, and the
  // controller's brake command, in quarter notches 0..28 (notch 7: no step or
  // tracking command goes past it, whatever the settings, files or call
  // order), only over a driver's brake lighter than it. The command as a
  // notch is a whole notch 0..7 or a quarter position 11..31. Panel lamps
  // are 0 or 1.
  HandleRecord frame() {
    const HandleRecord h = api().Elapse(VehicleStateRecord{1.0, speed, time, {}}, panel, sound);
    const TascController& c = plugin::instance().controller;
    check(h.reverser == reverser, "reverser is the driver's");
    check(h.power == power || h.power == 0, "power is the driver's or cut");
    if (c.brakeCommand >= 0 && int64_t{4} * brake < c.brakeCommand) {
      check(h.constantSpeed == 2, "an override is flagged");
      check(c.brakeCommand <= 28, "brake command above its limit");
      check(c.lowSpeedMode || h.power == 0, "power is cut under a command");
      check((h.brake >= 0 && h.brake <= 7 && h.brake * 4 == c.brakeCommand) ||
                (h.brake >= 11 && h.brake <= 31),
            "override notch: a whole notch 0..7 or a quarter position 11..31");
    } else {
      check(h.constantSpeed == 0, "no override, no flag");
      check(h.brake == brake, "brake is the driver's");
    }
    for (int i = 0; i < 256; ++i) {
      const bool lamp = i >= kFirstPanelIndex && i < kFirstPanelIndex + kPanelLampCount;
      check(lamp ? panel[i] == 0 || panel[i] == 1 : panel[i] == kMark, "panel index written");
      check(sound[i] == kMark, "the sound array was written");
    }
    return h;
  }

  // `frames` frames of `stepMs` each of a crude train: 0.12 km/h/s per
  // quarter notch of the override, `drag` km/h/s otherwise.
  void run(int frames, int32_t stepMs, float drag) {
    for (int i = 0; i < frames; ++i) {
      time = static_cast<int32_t>(static_cast<uint32_t>(time) + static_cast<uint32_t>(stepMs));
      const HandleRecord h = frame();
      const float command = static_cast<float>(plugin::instance().controller.brakeCommand);
      const float decel = h.constantSpeed == 2 ? 0.12f * command : drag;
      if (speed > 0.0f) speed -= decel * static_cast<float>(stepMs) / 1000.0f;
      if (speed < 0.0f) speed = 0.0f;
    }
  }

 private:
  static constexpr int32_t kMark = -7;
};

// Reads the input front to back; past the end every read gives zeros.
class Input {
 public:
  Input(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool empty() const { return pos_ >= size_; }
  uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  uint32_t u32() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= uint32_t{byte()} << (8 * i);
    return v;
  }
  int32_t i32() { return static_cast<int32_t>(u32()); }
  float f32() { return std::bit_cast<float>(u32()); }

 private:
  const uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

}  // namespace tasc::fuzz
