// One plug-in instance: the boundary's operations, the frame's inputs and
// readers handed to the controller, the handle mix and the beacon dispatch.
#include <cstring>
#include <string_view>

#include "platform/platform.h"
#include "plugin/files.h"
#include "plugin/plugin.h"
#include "plugin/settings.h"

namespace tasc::plugin {
namespace {

// dst = a + b + c when it fits the buffer with its terminator, else empty (the
// file then counts as missing).
void joinPath(PathBuffer& dst, std::string_view a, std::string_view b, std::string_view c) {
  dst[0] = '\0';
  if (a.size() + b.size() + c.size() >= dst.size()) return;
  char* p = dst.data();
  for (std::string_view part : {a, b, c}) {
    std::memcpy(p, part.data(), part.size());
    p += part.size();
  }
  *p = '\0';
}

// dst = text when it fits with its terminator, else empty.
bool copyPath(PathBuffer& dst, const char* text) {
  const std::string_view t = text != nullptr ? text : "";
  dst[0] = '\0';
  if (t.empty() || t.size() >= dst.size()) return false;
  std::memcpy(dst.data(), t.data(), t.size());
  dst[t.size()] = '\0';
  return true;
}

// The module's key reader: the keyboard itself on Windows; on POSIX the state
// the host last reported with SetKeyState (any key the control never reads is
// up).
// The keys as the host last reported them (SetKeyState).
bool reportedKeyDown(const void* module, int32_t virtualKey) {
  const Boundary& b = static_cast<const Module*>(module)->boundary;
  return virtualKey == kKeyU ? b.keyU : virtualKey == kKeyLeftCtrl && b.keyLeftCtrl;
}

bool keyDown(const void* module, int32_t virtualKey) {
#if defined(_WIN32)
  static_cast<void>(module);
  return platform::isKeyDown(virtualKey);
#else
  return reportedKeyDown(module, virtualKey);
#endif
}

}  // namespace

void Module::attach(const char* moduleFile) noexcept {
  Boundary& b = boundary;
  std::array<char, platform::kDriveSize> drive{};
  std::array<char, platform::kDirSize> dir{};
  if (copyPath(b.modulePath, moduleFile) && platform::splitPath(b.modulePath.data(), drive, dir)) {
    joinPath(b.settingsPath, drive.data(), dir.data(), "TASC.ini");
    joinPath(b.paramListPath, drive.data(), dir.data(), "csvPath.ini");
  } else {
    // An unknown or too long path has no folder: a bare "TASC.ini" would be
    // looked up in the working directory. Both files count as missing.
    b.settingsPath[0] = '\0';
    b.paramListPath[0] = '\0';
  }
}

void Module::initialize() {
  // Read once here: the reset looks up its 64 entries in it.
  const platform::ProfileFile list(boundary.paramListPath.data());
  initialize(readSettings(boundary.settingsPath.data()), listReader(list),
             fileReader(boundary.paramListPath.data()));
}

void Module::initialize(const Settings& settings, const ListReader& list, const FileReader& files) {
  auto& h = boundary.driverHandles;
  h[kDriverReverser] = 1;
  boundary.elapsedMs = 0;
  h[kDriverPower] = 0;
  h[kDriverBrake] = boundary.brakeNotchCount;
  applySettings(controller, settings);
  controller.reset(list, files);
}

HandleRecord Module::elapse(const VehicleStateRecord& state, int32_t* panel) {
  return elapse(state, panel, KeyReader{&keyDown, this});
}

KeyReader Module::reportedKeys() const {
  return KeyReader{&reportedKeyDown, this};
}

HandleRecord Module::elapse(const VehicleStateRecord& state, int32_t* panel,
                            const KeyReader& keys) {
  boundary.elapsedMs = frameStep(state.timeMs, boundary.vehicleState.timeMs);
  boundary.vehicleState = state;
  controller.update(FrameInput{.stepMs = boundary.elapsedMs,
                               .speed = state.speed,
                               .handles = boundary.driverHandles,
                               .keys = keys});
  boundary.handleOutput =
      mixHandles(controller, boundary.driverHandles, boundary.vehicleState.speed);
  if (panel != nullptr) {
    for (int i = 0; i < kPanelLampCount; ++i) {
      panel[kFirstPanelIndex + i] = controller.panelLamps[static_cast<std::size_t>(i)];
    }
  }
  return boundary.handleOutput;
}

void Module::setKeyState(int32_t virtualKey, bool down) {
  if (virtualKey == kKeyU) boundary.keyU = down;
  if (virtualKey == kKeyLeftCtrl) boundary.keyLeftCtrl = down;
}

BeaconDecision Module::setBeaconData(const BeaconRecord& beacon) {
  return setBeaconData(beacon, fileReader(boundary.paramListPath.data()));
}

BeaconDecision Module::setBeaconData(const BeaconRecord& beacon, const FileReader& files) {
  return dispatchBeacon(controller, beacon, boundary.vehicleState.speed, files);
}

int32_t frameStep(int32_t newTimeMs, int32_t previousTimeMs) {
  // Unsigned subtraction wraps without overflow; the cast back is modular.
  const auto diff = static_cast<int32_t>(static_cast<uint32_t>(newTimeMs) -
                                         static_cast<uint32_t>(previousTimeMs));
  return diff > 0 ? diff : 0;
}

int32_t encodeBrakeNotch(int32_t command) {
  const int32_t q = command / 4;
  const int32_t r = command - 4 * q;
  return r == 0 ? q : 10 + 3 * q + r;
}

HandleRecord mixHandles(const TascController& c, const std::array<int32_t, 3>& driver,
                        float speed) {
  HandleRecord out{};
  out.reverser = driver[kDriverReverser];
  out.power = driver[kDriverPower];
  if (c.lowSpeedMode) {
    if (static_cast<double>(speed) > 1.8) out.power = 0;
  } else if (c.brakeCommand >= 0) {
    out.power = 0;
  }
  out.brake = driver[kDriverBrake];
  out.constantSpeed = 0;
  // 64-bit product: the driver's notch comes from the host and may be anything.
  // A negative command never overrides, whatever the driver's notch.
  if (c.brakeCommand >= 0 && int64_t{4} * driver[kDriverBrake] < c.brakeCommand) {
    out.constantSpeed = 2;
    out.brake = encodeBrakeNotch(c.brakeCommand);
  }
  return out;
}

BeaconDecision dispatchBeacon(TascController& c, const BeaconRecord& beacon, float storedSpeed,
                              const FileReader& files) {
  BeaconDecision d;
  switch (beacon.type) {
    case 400:
      c.beacon400Toggle = !c.beacon400Toggle;
      d.outcome = BeaconOutcome::Toggled400;
      return d;
    case 501:
    case 502:
    case 503:
      // +0.0 and -0.0 stop here; a NaN or a negative speed passes.
      if (storedSpeed == 0.0f) {
        d.outcome = BeaconOutcome::Standing;
        return d;
      }
      return c.onBeacon(beacon.type - 500, beacon.data, files);
    case 504:
      c.patternSelect = beacon.data < 0 ? 0 : beacon.data > 3 ? 3 : beacon.data;
      d.outcome = BeaconOutcome::PatternSelected;
      return d;
    default:
      return d;  // NotABeacon
  }
}

}  // namespace tasc::plugin
