#include "support/vehicle_folder.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <fstream>

namespace fs = std::filesystem;

namespace tasc::test {

TempFolder::TempFolder() {
  static std::atomic<int> counter{0};
  const std::string name =
      "tasc-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1));
  path_ = fs::temp_directory_path() / name;
  fs::remove_all(path_);
  fs::create_directories(path_);
}

TempFolder::~TempFolder() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

fs::path TempFolder::write(std::string_view relative, std::string_view content) const {
  const fs::path target = path_ / fs::path(std::string(relative));
  fs::create_directories(target.parent_path());
  std::ofstream out(target, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
  return target;
}

const char* pluginModulePath() {
  return TASC_MODULE_PATH;
}
const char* recorderModulePath() {
  return TASC_RECORDER_PATH;
}

LoadedPlugin::LoadedPlugin(const fs::path& folder, std::string_view relative, const char* source) {
  const fs::path target = folder / fs::path(std::string(relative));
  fs::create_directories(target.parent_path());
  fs::copy_file(source ? source : TASC_MODULE_PATH, target, fs::copy_options::overwrite_existing);
  handle_ = ::dlopen(target.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) {
    ADD_FAILURE() << "dlopen " << target << ": " << ::dlerror();
    return;
  }
  auto bind = [this](auto& fn, const char* name) {
    fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(::dlsym(handle_, name));
    if (fn == nullptr) ADD_FAILURE() << "export missing: " << name;
  };
  bind(api_.Load, "Load");
  bind(api_.Dispose, "Dispose");
  bind(api_.GetPluginVersion, "GetPluginVersion");
  bind(api_.SetVehicleSpec, "SetVehicleSpec");
  bind(api_.Initialize, "Initialize");
  bind(api_.Elapse, "Elapse");
  bind(api_.SetPower, "SetPower");
  bind(api_.SetBrake, "SetBrake");
  bind(api_.SetReverser, "SetReverser");
  bind(api_.KeyDown, "KeyDown");
  bind(api_.KeyUp, "KeyUp");
  bind(api_.HornBlow, "HornBlow");
  bind(api_.DoorOpen, "DoorOpen");
  bind(api_.DoorClose, "DoorClose");
  bind(api_.SetSignal, "SetSignal");
  bind(api_.SetBeaconData, "SetBeaconData");
  bind(api_.SetKeyState, "SetKeyState");
}

LoadedPlugin::~LoadedPlugin() {
  if (handle_ != nullptr) ::dlclose(handle_);
}

void* LoadedPlugin::symbol(const char* name) const {
  return handle_ ? ::dlsym(handle_, name) : nullptr;
}

HandleRecord LoadedPlugin::frame(float speedKmh, int32_t timeMs) {
  return api_.Elapse(makeState(speedKmh, timeMs), panel_, sound_);
}

VehicleStateRecord makeState(float speedKmh, int32_t timeMs) {
  VehicleStateRecord s{};
  s.speed = speedKmh;
  s.timeMs = timeMs;
  return s;
}

}  // namespace tasc::test
