// Shared by the fuzzers: a private temporary module folder, file writing, the
// module attach pointed at that folder, and the exports linked in.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>

#include "abi/host_records.h"
#include "plugin/plugin.h"

// The exports, linked into the fuzzer from the boundary object.
extern "C" {
void Load();
void Dispose();
int32_t GetPluginVersion();
void SetVehicleSpec(tasc::VehicleSpecRecord);
void Initialize(int32_t);
tasc::HandleRecord Elapse(tasc::VehicleStateRecord, int32_t*, int32_t*);
void SetPower(int32_t);
void SetBrake(int32_t);
void SetReverser(int32_t);
void KeyDown(int32_t);
void KeyUp(int32_t);
void HornBlow(int32_t);
void DoorOpen();
void DoorClose();
void SetSignal(int32_t);
void SetBeaconData(tasc::BeaconRecord);
void SetKeyState(int32_t, int32_t);
}

namespace tasc::fuzz {

// Stops the run: a fuzzer's way of reporting a broken invariant.
[[noreturn]] inline void fail(const char* what) {
  std::fprintf(stderr, "fuzz invariant broken: %s\n", what);
  std::abort();
}
inline void check(bool ok, const char* what) {
  if (!ok) fail(what);
}

// A fresh folder under TMPDIR (or /tmp), removed when the process exits
// normally. One per process, so fuzzers running side by side never share one.
inline const std::filesystem::path& moduleFolder() {
  static const std::filesystem::path folder = [] {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/tasc-fuzz-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) fail("mkdtemp");
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(moduleFolder(), ignored);
    });
    return std::filesystem::path(pattern);
  }();
  return folder;
}

// Writes the bytes as they are to folder/relative, making folders.
inline void writeFile(std::string_view relative, std::string_view bytes) {
  const std::filesystem::path path = moduleFolder() / relative;
  std::filesystem::create_directories(path.parent_path());
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) fail("cannot write a fuzz file");
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) {
    fail("short write of a fuzz file");
  }
  std::fclose(f);
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
  if (module.size() >= kPathSize) fail("temporary folder path too long");
  m.attach(module.c_str());
  Load();
}

// The driver's handles as the host last set them.
struct DriverHandles {
  int32_t brake = 0;
  int32_t power = 0;
  int32_t reverser = 0;
};

// What a frame may return: the driver's handles, the power cut while the
// controller commands, and the controller's brake command, in quarter notches
// 0..28 (notch 7: no step or tracking command goes past it, whatever the
// settings, files or call order), only over a driver's brake lighter than it.
// The command as a notch is a whole notch 0..7 or a quarter position 11..31.
// Panel lamps are 0 or 1.
inline void checkFrame(const HandleRecord& h, const DriverHandles& driver, const int32_t* panel) {
  constexpr int64_t maxCommand = 28;
  const TascController& c = plugin::instance().controller;
  check(h.reverser == driver.reverser, "reverser is the driver's");
  check(h.power == driver.power || h.power == 0, "power is the driver's or cut");
  const bool overrides = c.brakeCommand >= 0 && int64_t{4} * driver.brake < c.brakeCommand;
  if (overrides) {
    check(h.constantSpeed == 2, "an override is flagged");
    check(c.brakeCommand <= maxCommand, "brake command above its limit");
    if (!c.lowSpeedMode) check(h.power == 0, "power is cut under a command");
    const int64_t q = maxCommand / 4;
    check(h.brake >= 0 && h.brake <= 10 + 3 * q + 3, "override notch out of range");
    check(h.brake < 8 || h.brake > 10, "override notch between notch 7 and the quarter positions");
    if (h.brake <= 7) check(h.brake * 4 == c.brakeCommand, "whole notch is a multiple of 4");
  } else {
    check(h.constantSpeed == 0, "no override, no flag");
    check(h.brake == driver.brake, "brake is the driver's");
  }
  for (int i = 0; i < kPanelLampCount; ++i) {
    const int32_t lamp = panel[kFirstPanelIndex + i];
    check(lamp == 0 || lamp == 1, "panel lamp is 0 or 1");
  }
}

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
  float f32() {
    const uint32_t bits = u32();
    float f = 0.0f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
  }

 private:
  const uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

}  // namespace tasc::fuzz
