#include "engine/plugin_host.h"

#include <algorithm>
#include <cctype>

#include "engine/vehicle_copy.h"
#include "files/files.h"
#include "folder/vehicle_folder.h"
#include "platform/platform.h"
#include "readers/profile.h"
#include "system/text.h"
#include "system/tool_system.h"

namespace fs = std::filesystem;

namespace tasc::engine {

namespace {

// The plug-in a recording module loads: [Recorder] Plugin= of TASCRec.ini
// beside it, else TASC.so / TASC.dll, in its folder.
fs::path recordedPlugin(const fs::path& recorder) {
  const fs::path from = recorder.parent_path();
  const std::string ini = files::readWholeFile(from / "TASCRec.ini").value_or(std::string());
  const std::optional<std::string_view> name = profile::findValue(ini, "Recorder", "Plugin");
  return from / (name && !name->empty() ? fs::path(std::string(*name))
                                        : fs::path(platform::pluginFileName()));
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
#ifdef _WIN32
  const char* const tool = "tasc.exe";
#else
  const char* const tool = "tasc";
#endif
  throw HostError(std::string("no plug-in given: put ") + platform::pluginFileName() + " beside " +
                  tool + ", or give --plugin");
}

RunFolder::RunFolder(const fs::path& plugin, const fs::path& vehicleFolder)
    : folder_("tasc-sim-"), source_(vehicleFolder) {
  std::error_code ec;
  if (!fs::is_regular_file(plugin, ec))
    throw HostError("no plug-in at " + platform::utf8Of(plugin));
  try {
    VehicleCopy copy = copyVehicleFolder(vehicleFolder, folder_.path());
    module_ = copy.folder / platform::pluginFileName();
    if (plugin.filename() != module_.filename()) {
      takeRecorder(plugin, copy.folder);
    } else {
      fs::copy_file(plugin, module_, fs::copy_options::overwrite_existing);
    }
    files_ = std::move(copy.files);
    warnings_ = std::move(copy.warnings);
  } catch (const fs::filesystem_error& e) {
    throw HostError(std::string("cannot prepare the run folder: ") + e.what());
  }
}

void RunFolder::takeRecorder(const fs::path& recorder, const fs::path& here) {
  const fs::path plugin = recordedPlugin(recorder);
  // The recording module by its name; any other name (a renamed plug-in, a
  // file that is no module) goes on to be loaded and says what it is.
  std::string name = platform::utf8Of(recorder.filename()).substr(0, 7);
  std::transform(name.begin(), name.end(), name.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  const bool isRecorder = name == "tascrec";
  std::error_code ec;
  if (fs::is_regular_file(plugin, ec)) {
    recorderPlugin_ = here / plugin.filename();
    fs::copy_file(plugin, recorderPlugin_);
  } else if (isRecorder) {
    throw HostError("no " + platform::utf8Of(plugin.filename()) + " beside the recorder (" +
                    platform::utf8Of(recorder) + ")");
  }
  if (fs::is_regular_file(recorder.parent_path() / "TASCRec.ini", ec)) {
    fs::copy_file(recorder.parent_path() / "TASCRec.ini", here / "TASCRec.ini");
  }
  module_ = here / recorder.filename();
  fs::copy_file(recorder, module_);
  if (isRecorder) records_ = fs::absolute(recorder.parent_path() / "records");
}

RunFolder::~RunFolder() {
  if (records_.empty()) return;
  // The recorder is unloaded by now, the plug-in it loaded not yet.
  platform::releaseLeftModule(recorderPlugin_);
  std::error_code ec;
  const fs::path made = module_.parent_path() / "records";
  if (!fs::is_directory(made, ec)) return;
  fs::create_directories(records_, ec);
  for (const fs::directory_entry& e : fs::directory_iterator(made, ec)) {
    fs::path to = records_ / e.path().filename();
    // YYYYMMDD-HHMMSS-N.csv: a name taken in the meantime gets the next N.
    const std::string stem = to.stem().string();
    const std::size_t dash = stem.rfind('-');
    for (int n = 2; fs::exists(to, ec) && dash != std::string::npos && n < 10000; ++n) {
      to = records_ / (stem.substr(0, dash + 1) + std::to_string(n) + to.extension().string());
    }
    fs::rename(e.path(), to, ec);
    if (ec) fs::copy_file(e.path(), to, ec);  // another file system
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
  if (!followOnly_) api_.SetVehicleSpec(vehicle);
  follower_->setVehicleSpec(vehicle);
  if (recorder_) recorder_->vehicle(vehicle);
}

void PluginHost::initialize(int32_t brakeMode) {
  if (followOnly_) {
    follower_->initialize(followOnly_->settings, followOnly_->list, followOnly_->files);
  } else {
    api_.Initialize(brakeMode);
    follower_->initialize();
  }
  if (recorder_) {
    recorder_->initialize(brakeMode, *follower_, folder_.path() / "TASC.ini", folder_.source());
  }
}

void PluginHost::setDriverHandle(DriverHandle which, int32_t value) {
  if (!followOnly_) {
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
  }
  follower_->setDriverHandle(which, value);
  if (recorder_) recorder_->driverHandle(which, value);
}

void PluginHost::setKey(int32_t virtualKey, bool down) {
  if (api_.SetKeyState == nullptr) return;
  if (!followOnly_) api_.SetKeyState(virtualKey, down ? 1 : 0);
  if (recorder_) recorder_->event(recording::EventKind::KeyState, {virtualKey, down ? 1 : 0});
  follower_->setKeyState(virtualKey, down);
}

BeaconDecision PluginHost::setBeaconData(const BeaconRecord& beacon) {
  if (followOnly_) return follower_->setBeaconData(beacon, followOnly_->files);
  api_.SetBeaconData(beacon);
  if (recorder_) {
    recorder_->event(recording::EventKind::Beacon, {beacon.type, beacon.signal, beacon.data},
                     beacon.distance);
  }
  return follower_->setBeaconData(beacon);
}

HandleRecord PluginHost::elapse(const VehicleStateRecord& state) {
  if (followOnly_) {
    agrees_ = true;
    // The scripted keys: the keyboard is no input of a simulated run.
    return follower_->elapse(state, panel_.data(), follower_->reportedKeys());
  }
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
