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

constinit Boundary g_boundary{};
constinit TascController g_controller{};

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

}  // namespace

Boundary& boundary() {
  return g_boundary;
}
TascController& controller() {
  return g_controller;
}

void attachModule() noexcept {
  TascController& c = g_controller;
  Boundary& b = g_boundary;
  PathBuffer scratch{};
  std::array<char, kDriveSize> drive{};
  std::array<char, kDirSize> dir{};
  if (platform::moduleFileName(scratch) && platform::moduleFileName(c.modulePath) &&
      platform::splitPath(scratch.data(), drive, dir)) {
    joinPath(b.settingsPath, drive.data(), dir.data(), "TASC.ini");
  } else {
    b.settingsPath[0] = '\0';  // an unknown or too long path: TASC.ini counts as missing
  }
  c.elapsedMsRef = &b.elapsedMs;
  c.vehicleStateRef = &b.vehicleState;
  c.driverHandlesRef = b.driverHandles.data();
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

void dispatchBeacon(TascController& c, const BeaconRecord& beacon, float storedSpeed) {
  switch (beacon.type) {
    case 400:
      c.beacon400Toggle = !c.beacon400Toggle;
      break;
    case 501:
    case 502:
    case 503:
      // +0.0 and -0.0 stop here; a NaN or a negative speed passes.
      if (storedSpeed != 0.0f) c.onBeacon(beacon.type - 500, beacon.data);
      break;
    case 504:
      c.patternSelect = beacon.data < 0 ? 0 : beacon.data > 3 ? 3 : beacon.data;
      break;
    default:
      break;
  }
}

}  // namespace tasc::plugin

using tasc::BeaconRecord;
using tasc::HandleRecord;
using tasc::VehicleSpecRecord;
using tasc::VehicleStateRecord;
using tasc::plugin::g_boundary;
using tasc::plugin::g_controller;

// Called after loading and before unloading; nothing to do.
TASC_EXPORT void TASC_CALL Load() {}
TASC_EXPORT void TASC_CALL Dispose() {}

// The interface version the host expects of this plug-in.
TASC_EXPORT int32_t TASC_CALL GetPluginVersion() {
  return tasc::kPluginVersion;
}

// Stores the vehicle's number of brake notches; the rest is not read.
TASC_EXPORT void TASC_CALL SetVehicleSpec(VehicleSpecRecord vehicle) {
  g_boundary.brakeNotchCount = vehicle.brakeNotches;
}

// Start of a run: driver's handle defaults, TASC.ini, then the controller reset.
// The argument (the host's initial-brake mode) is not read.
TASC_EXPORT void TASC_CALL Initialize(int32_t /*brakeMode*/) {
  try {
    auto& h = g_boundary.driverHandles;
    h[tasc::kDriverReverser] = 1;
    g_boundary.elapsedMs = 0;
    h[tasc::kDriverPower] = 0;
    h[tasc::kDriverBrake] = g_boundary.brakeNotchCount;
    tasc::applySettings(g_controller, g_boundary.settingsPath.data());
    g_controller.reset();
  } catch (...) {
  }
}

// One frame: stores the state, runs a control cycle and returns the handles
// that reach the train. Writes panel indices 85..89 only; the sound array is
// not touched.
TASC_EXPORT HandleRecord TASC_CALL Elapse(VehicleStateRecord state, int32_t* panel,
                                          int32_t* /*sound*/) {
  try {
    g_boundary.elapsedMs = tasc::plugin::frameStep(state.timeMs, g_boundary.vehicleState.timeMs);
    g_boundary.vehicleState = state;
    g_controller.update();
    g_boundary.handleOutput = tasc::plugin::mixHandles(g_controller, g_boundary.driverHandles,
                                                       g_boundary.vehicleState.speed);
    if (panel != nullptr) {
      for (int i = 0; i < tasc::kPanelLampCount; ++i) {
        panel[tasc::kFirstPanelIndex + i] = g_controller.panelLamps[static_cast<std::size_t>(i)];
      }
    }
  } catch (...) {
  }
  return g_boundary.handleOutput;
}

// The driver's handles, applied at the next frame.
TASC_EXPORT void TASC_CALL SetPower(int32_t notch) {
  g_boundary.driverHandles[tasc::kDriverPower] = notch;
}
TASC_EXPORT void TASC_CALL SetBrake(int32_t notch) {
  g_boundary.driverHandles[tasc::kDriverBrake] = notch;
}
TASC_EXPORT void TASC_CALL SetReverser(int32_t position) {
  g_boundary.driverHandles[tasc::kDriverReverser] = position;
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
    tasc::plugin::dispatchBeacon(g_controller, beacon, g_boundary.vehicleState.speed);
  } catch (...) {
  }
}
