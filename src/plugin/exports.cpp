// The sixteen entry points that the host calls, and the POSIX key stand-in.
// Every export catches everything: an exception must never reach the host.
#include <cstring>
#include <string_view>

#include "params/settings.h"
#include "platform/abi.h"
#include "platform/platform.h"
#include "plugin/plugin.h"

namespace tasc::plugin {
namespace {

constinit Module g_module{};

// dst = a + b + c when it fits the buffer with its terminator, else empty.
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

}  // namespace

Boundary& boundary() {
  return g_module.boundary;
}
TascController& controller() {
  return g_module.controller;
}

void Module::attach(const char* moduleFile) noexcept {
  TascController& c = controller;
  Boundary& b = boundary;
  std::array<char, kDriveSize> drive{};
  std::array<char, kDirSize> dir{};
  if (copyPath(c.modulePath, moduleFile) && platform::splitPath(c.modulePath.data(), drive, dir)) {
    joinPath(b.settingsPath, drive.data(), dir.data(), "TASC.ini");
  } else {
    b.settingsPath[0] = '\0';  // an unknown or too long path: TASC.ini counts as missing
  }
  c.elapsedMsRef = &b.elapsedMs;
  c.vehicleStateRef = &b.vehicleState;
  c.driverHandlesRef = b.driverHandles.data();
}

void attachModule() noexcept {
  PathBuffer own{};
  g_module.attach(platform::moduleFileName(own) ? own.data() : nullptr);
}

void Module::initialize() {
  auto& h = boundary.driverHandles;
  h[kDriverReverser] = 1;
  boundary.elapsedMs = 0;
  h[kDriverPower] = 0;
  h[kDriverBrake] = boundary.brakeNotchCount;
  applySettings(controller, boundary.settingsPath.data());
  controller.reset();
}

HandleRecord Module::elapse(const VehicleStateRecord& state, int32_t* panel) {
  boundary.elapsedMs = frameStep(state.timeMs, boundary.vehicleState.timeMs);
  boundary.vehicleState = state;
  controller.update();
  boundary.handleOutput =
      mixHandles(controller, boundary.driverHandles, boundary.vehicleState.speed);
  if (panel != nullptr) {
    for (int i = 0; i < kPanelLampCount; ++i) {
      panel[kFirstPanelIndex + i] = controller.panelLamps[static_cast<std::size_t>(i)];
    }
  }
  return boundary.handleOutput;
}

BeaconOutcome Module::setBeaconData(const BeaconRecord& beacon) {
  return dispatchBeacon(controller, beacon, boundary.vehicleState.speed);
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

BeaconOutcome dispatchBeacon(TascController& c, const BeaconRecord& beacon, float storedSpeed) {
  switch (beacon.type) {
    case 400:
      c.beacon400Toggle = !c.beacon400Toggle;
      return BeaconOutcome::Toggled400;
    case 501:
    case 502:
    case 503:
      // +0.0 and -0.0 stop here; a NaN or a negative speed passes.
      if (storedSpeed == 0.0f) return BeaconOutcome::Standing;
      return c.onBeacon(beacon.type - 500, beacon.data);
    case 504:
      c.patternSelect = beacon.data < 0 ? 0 : beacon.data > 3 ? 3 : beacon.data;
      return BeaconOutcome::PatternSelected;
    default:
      return BeaconOutcome::NotABeacon;
  }
}

}  // namespace tasc::plugin

using tasc::BeaconRecord;
using tasc::HandleRecord;
using tasc::VehicleSpecRecord;
using tasc::VehicleStateRecord;
using tasc::plugin::g_module;

// Called after loading and before unloading; nothing to do.
TASC_EXPORT void TASC_CALL Load() {}
TASC_EXPORT void TASC_CALL Dispose() {}

// The interface version the host expects of this plug-in.
TASC_EXPORT int32_t TASC_CALL GetPluginVersion() {
  return tasc::kPluginVersion;
}

// Stores the vehicle's number of brake notches; the rest is not read.
TASC_EXPORT void TASC_CALL SetVehicleSpec(VehicleSpecRecord vehicle) {
  g_module.setVehicleSpec(vehicle);
}

// Start of a run: driver's handle defaults, TASC.ini, then the controller reset.
// The argument (the host's initial-brake mode) is not read.
TASC_EXPORT void TASC_CALL Initialize(int32_t /*brakeMode*/) {
  try {
    g_module.initialize();
  } catch (...) {
  }
}

// One frame: stores the state, runs a control cycle and returns the handles
// that reach the train. Writes panel indices 85..89 only; the sound array is
// not touched.
TASC_EXPORT HandleRecord TASC_CALL Elapse(VehicleStateRecord state, int32_t* panel,
                                          int32_t* /*sound*/) {
  try {
    return g_module.elapse(state, panel);
  } catch (...) {
  }
  return g_module.boundary.handleOutput;
}

// The driver's handles, applied at the next frame.
TASC_EXPORT void TASC_CALL SetPower(int32_t notch) {
  g_module.setDriverHandle(tasc::kDriverPower, notch);
}
TASC_EXPORT void TASC_CALL SetBrake(int32_t notch) {
  g_module.setDriverHandle(tasc::kDriverBrake, notch);
}
TASC_EXPORT void TASC_CALL SetReverser(int32_t position) {
  g_module.setDriverHandle(tasc::kDriverReverser, position);
}

// Host events that the plug-in does not use: it reads the keyboard itself.
TASC_EXPORT void TASC_CALL KeyDown(int32_t /*key*/) {}
TASC_EXPORT void TASC_CALL KeyUp(int32_t /*key*/) {}
TASC_EXPORT void TASC_CALL HornBlow(int32_t /*horn*/) {}
TASC_EXPORT void TASC_CALL DoorOpen() {}
TASC_EXPORT void TASC_CALL DoorClose() {}
TASC_EXPORT void TASC_CALL SetSignal(int32_t /*aspect*/) {}

// A beacon passed by the train (see dispatchBeacon).
TASC_EXPORT void TASC_CALL SetBeaconData(BeaconRecord beacon) {
  try {
    g_module.setBeaconData(beacon);
  } catch (...) {
  }
}
