// The sixteen entry points that the host calls, on the module's one instance.
// Every export catches everything: an exception must never reach the host.
#include "abi/abi.h"
#include "platform/platform.h"
#include "plugin/plugin.h"

namespace tasc::plugin {
namespace {

constinit Module g_module{};

}  // namespace

Module& instance() {
  return g_module;
}

void attachModule() noexcept {
  PathBuffer own{};
  g_module.attach(platform::moduleFileName(own) ? own.data() : nullptr);
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
