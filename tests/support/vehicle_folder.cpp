#include "support/vehicle_folder.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace tasc::test {

fs::path TempFolder::write(std::string_view relative, std::string_view content) const {
  const fs::path target = path() / fs::path(std::string(relative));
  fs::create_directories(target.parent_path());
  files::writeWholeFile(target, content);
  return target;
}

const char* pluginModulePath() {
  return TASC_MODULE_PATH;
}
const char* recorderModulePath() {
  return TASC_RECORDER_PATH;
}

namespace {

// Copies the module to folder/relative, making folders; returns the copy.
fs::path copyModule(const fs::path& folder, std::string_view relative, const char* source) {
  const fs::path target = folder / fs::path(std::string(relative));
  fs::create_directories(target.parent_path());
  fs::copy_file(source ? source : TASC_MODULE_PATH, target, fs::copy_options::overwrite_existing);
  return target;
}

}  // namespace

LoadedPlugin::LoadedPlugin(const fs::path& folder, std::string_view relative, const char* source)
    : module_(copyModule(folder, relative, source)) {
  if (!module_.loaded()) {
    ADD_FAILURE() << "cannot load " << relative << ": " << module_.problem();
    return;
  }
  const MissingExports missing =
      bindPluginApi(api_, [this](const char* name) { return module_.find(name); });
  for (std::size_t i = 0; i < missing.count; ++i)
    ADD_FAILURE() << "export missing: " << missing.names[i];
  if (api_.SetKeyState == nullptr) ADD_FAILURE() << "export missing: SetKeyState";
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
