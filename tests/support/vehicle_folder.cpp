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
  const MissingExports missing = bindPluginApi(api_, [this](const char* name) {
    return reinterpret_cast<ExportAddress>(::dlsym(handle_, name));
  });
  for (std::size_t i = 0; i < missing.count; ++i)
    ADD_FAILURE() << "export missing: " << missing.names[i];
  if (api_.SetKeyState == nullptr) ADD_FAILURE() << "export missing: SetKeyState";
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
