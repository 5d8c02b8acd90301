#include "engine/plugin_host.h"

#include <algorithm>

#include "engine/vehicle_copy.h"
#include "files/files.h"
#include "folder/vehicle_folder.h"
#include "platform/platform.h"
#include "system/text.h"
#include "system/tool_system.h"

namespace fs = std::filesystem;

namespace tasc::engine {

namespace {

// A recording module in the plug-in's place: the plug-in beside it, its
// settings, and the records folder shared with the original.
void copyRecorder(const fs::path& recorder, const fs::path& runFolder, fs::path& module) {
  const fs::path from = recorder.parent_path();
  for (const fs::path& name : {module.filename(), fs::path("TASCRec.ini")}) {
    std::error_code ec;
    if (fs::is_regular_file(from / name, ec)) fs::copy_file(from / name, runFolder / name);
  }
  module = runFolder / recorder.filename();
  std::error_code ec;
  fs::create_directories(from / "records", ec);
  fs::create_directory_symlink(fs::absolute(from / "records"), runFolder / "records", ec);
}

}  // namespace

fs::path defaultPlugin() {
  const fs::path exe = platform::executablePath();
  if (!exe.empty()) {
    for (const fs::path& p : {exe.parent_path() / platform::pluginFileName(),
                              exe.parent_path() / ".." / ".." / platform::pluginFileName()}) {
      std::error_code ec;
      if (fs::is_regular_file(p, ec)) return p.lexically_normal();
    }
  }
  return TASC_DEFAULT_PLUGIN;
}

RunFolder::RunFolder(const fs::path& plugin, const fs::path& vehicleFolder) : folder_("tasc-sim-") {
  std::error_code ec;
  if (!fs::is_regular_file(plugin, ec))
    throw HostError("no plug-in at " + platform::utf8Of(plugin));
  try {
    VehicleCopy copy = copyVehicleFolder(vehicleFolder, folder_.path());
    module_ = copy.folder / platform::pluginFileName();
    if (plugin.filename() != module_.filename()) copyRecorder(plugin, copy.folder, module_);
    fs::copy_file(plugin, module_, fs::copy_options::overwrite_existing);
    files_ = std::move(copy.files);
    warnings_ = std::move(copy.warnings);
  } catch (const fs::filesystem_error& e) {
    throw HostError(std::string("cannot prepare the run folder: ") + e.what());
  }
}

PluginHost::PluginHost(const fs::path& plugin, const fs::path& vehicleFolder)
    : folder_(plugin, vehicleFolder),
      follower_(std::make_unique<plugin::Module>()),
      pluginFile_(plugin) {
  module_ = std::make_unique<platform::HostModule>(folder_.modulePath());
  if (!module_->loaded()) {
    throw HostError("cannot load " + platform::utf8Of(plugin) + " (" + module_->problem() + ")");
  }
  const MissingExports missing =
      bindPluginApi(api_, [this](const char* name) { return module_->find(name); });
  if (!missing.empty()) {
    std::string names;
    for (std::size_t i = 0; i < missing.count; ++i)
      names += (i ? ", " : "") + std::string(missing.names[i]);
    throw HostError(platform::utf8Of(plugin) + ": missing exports: " + names);
  }
  api_.Load();
  // The follower finds the same files: it is attached as the module copy.
  // As the plug-in's own code reads its file name: the system's code page.
  const std::optional<std::string> modulePath = folder::pluginPath(folder_.modulePath());
  if (!modulePath) {
    throw HostError("the run folder's name has characters the system's code page cannot write: " +
                    platform::utf8Of(folder_.modulePath()));
  }
  if (modulePath->size() >= kPathSize)
    throw HostError("run folder path too long: " + platform::utf8Of(folder_.modulePath()));
  follower_->attach(modulePath->c_str());
}

PluginHost::~PluginHost() {
  if (api_.Dispose) api_.Dispose();
  if (recorder_) recorder_->dispose();
}

void PluginHost::recordNextRun(const fs::path& file) {
  if (!recorder_) {
    recorder_ = std::make_unique<RunRecorder>(platform::utf8Of(fs::absolute(pluginFile_)));
    recorder_->noteVersion(api_.GetPluginVersion());
  }
  recorder_->nextFile(file);
}

void PluginHost::setVehicleSpec(const VehicleSpecRecord& vehicle) {
  api_.SetVehicleSpec(vehicle);
  follower_->setVehicleSpec(vehicle);
  if (recorder_) recorder_->vehicle(vehicle);
}

void PluginHost::initialize(int32_t brakeMode) {
  api_.Initialize(brakeMode);
  follower_->initialize();
  if (recorder_) recorder_->initialize(brakeMode, *follower_, folder_.path() / "TASC.ini");
}

void PluginHost::setDriverHandle(DriverHandle which, int32_t value) {
  switch (which) {
    case kDriverBrake:
      api_.SetBrake(value);
      break;
    case kDriverPower:
      api_.SetPower(value);
      break;
    case kDriverReverser:
      api_.SetReverser(value);
      break;
  }
  follower_->setDriverHandle(which, value);
  if (recorder_) recorder_->driverHandle(which, value);
}

void PluginHost::setKey(int32_t virtualKey, bool down) {
  if (api_.SetKeyState == nullptr) return;
  api_.SetKeyState(virtualKey, down ? 1 : 0);
  if (recorder_) recorder_->event(recording::EventKind::KeyState, {virtualKey, down ? 1 : 0});
  follower_->setKeyState(virtualKey, down);
}

BeaconDecision PluginHost::setBeaconData(const BeaconRecord& beacon) {
  api_.SetBeaconData(beacon);
  if (recorder_) {
    recorder_->event(recording::EventKind::Beacon, {beacon.type, beacon.signal, beacon.data},
                     beacon.distance);
  }
  return follower_->setBeaconData(beacon);
}

HandleRecord PluginHost::elapse(const VehicleStateRecord& state) {
  const HandleRecord sent = api_.Elapse(state, panel_.data(), sound_.data());
  if (recorder_) recorder_->frame(state, sent, panel_.data());
  const HandleRecord own = follower_->elapse(state, nullptr);
  agrees_ = sent.brake == own.brake && sent.power == own.power && sent.reverser == own.reverser &&
            sent.constantSpeed == own.constantSpeed;
  for (std::size_t i = 0; i < follower_->controller.panelLamps.size(); ++i) {
    agrees_ = agrees_ && panel_[kFirstPanelIndex + i] == follower_->controller.panelLamps[i];
  }
  return sent;
}

}  // namespace tasc::engine
