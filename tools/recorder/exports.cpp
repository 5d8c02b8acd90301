// The sixteen entry points of the recording module (and SetKeyState on
// POSIX): each forwards to the plug-in's export with the same arguments and
// returns its result unchanged, and records the call. With the plug-in absent
// the module answers as a plug-in that never commands. The recorder's own
// work is noexcept; what the plug-in does is its own.
#include "abi/abi.h"
#include "recorder.h"
#include "recording/run_rows.h"

using tasc::BeaconRecord;
using tasc::HandleRecord;
using tasc::VehicleSpecRecord;
using tasc::VehicleStateRecord;
using tasc::recording::EventKind;
namespace rec = tasc::recorder;

// After loading, before the first run.
TASC_EXPORT void TASC_CALL Load() {
  const auto& p = rec::plugin();
  if (p.Load) p.Load();
  rec::recordEvent(EventKind::Load);
}

// Before unloading: the run's recording ends here.
TASC_EXPORT void TASC_CALL Dispose() {
  const auto& p = rec::plugin();
  if (p.Dispose) p.Dispose();
  rec::endRun();
}

// The plug-in's answer; the interface version the host expects when absent.
TASC_EXPORT int32_t TASC_CALL GetPluginVersion() {
  const auto& p = rec::plugin();
  const int32_t version = p.GetPluginVersion ? p.GetPluginVersion() : tasc::kPluginVersion;
  if (p.GetPluginVersion) rec::noteVersion(version);
  rec::recordEvent(EventKind::Version, {version});
  return version;
}

// The vehicle's notch counts and cars; kept for the next recording's header.
TASC_EXPORT void TASC_CALL SetVehicleSpec(VehicleSpecRecord v) {
  const auto& p = rec::plugin();
  if (p.SetVehicleSpec) p.SetVehicleSpec(v);
  rec::noteVehicle(v);
  rec::recordEvent(EventKind::Vehicle, tasc::recording::vehicleValues(v));
}

// Start of a run: a new recording, whose header holds the files the plug-in
// is about to read, then the plug-in's Initialize.
TASC_EXPORT void TASC_CALL Initialize(int32_t mode) {
  const auto& p = rec::plugin();
  rec::startRun(mode);
  if (p.Initialize) p.Initialize(mode);
}

// One frame: the plug-in's handles (the driver's when it is absent), recorded
// with the state, the driver's handles and panel 85..89.
TASC_EXPORT HandleRecord TASC_CALL Elapse(VehicleStateRecord state, int32_t* panel,
                                          int32_t* sound) {
  const auto& p = rec::plugin();
  rec::pollKeys();
  const HandleRecord out = p.Elapse ? p.Elapse(state, panel, sound) : rec::standInHandles();
  rec::recordFrame(state, panel, out);
  return out;
}

// The driver's handles.
TASC_EXPORT void TASC_CALL SetPower(int32_t notch) {
  const auto& p = rec::plugin();
  if (p.SetPower) p.SetPower(notch);
  rec::setDriverHandle(tasc::kDriverPower, notch);
  rec::recordEvent(EventKind::Power, {notch});
}
TASC_EXPORT void TASC_CALL SetBrake(int32_t notch) {
  const auto& p = rec::plugin();
  if (p.SetBrake) p.SetBrake(notch);
  rec::setDriverHandle(tasc::kDriverBrake, notch);
  rec::recordEvent(EventKind::Brake, {notch});
}
TASC_EXPORT void TASC_CALL SetReverser(int32_t position) {
  const auto& p = rec::plugin();
  if (p.SetReverser) p.SetReverser(position);
  rec::setDriverHandle(tasc::kDriverReverser, position);
  rec::recordEvent(EventKind::Reverser, {position});
}

// Host events, forwarded and recorded.
TASC_EXPORT void TASC_CALL KeyDown(int32_t key) {
  const auto& p = rec::plugin();
  if (p.KeyDown) p.KeyDown(key);
  rec::recordEvent(EventKind::KeyDown, {key});
}
TASC_EXPORT void TASC_CALL KeyUp(int32_t key) {
  const auto& p = rec::plugin();
  if (p.KeyUp) p.KeyUp(key);
  rec::recordEvent(EventKind::KeyUp, {key});
}
TASC_EXPORT void TASC_CALL HornBlow(int32_t horn) {
  const auto& p = rec::plugin();
  if (p.HornBlow) p.HornBlow(horn);
  rec::recordEvent(EventKind::Horn, {horn});
}
TASC_EXPORT void TASC_CALL DoorOpen() {
  const auto& p = rec::plugin();
  if (p.DoorOpen) p.DoorOpen();
  rec::recordEvent(EventKind::DoorOpen);
}
TASC_EXPORT void TASC_CALL DoorClose() {
  const auto& p = rec::plugin();
  if (p.DoorClose) p.DoorClose();
  rec::recordEvent(EventKind::DoorClose);
}
TASC_EXPORT void TASC_CALL SetSignal(int32_t aspect) {
  const auto& p = rec::plugin();
  if (p.SetSignal) p.SetSignal(aspect);
  rec::recordEvent(EventKind::Signal, {aspect});
}

// A beacon, with all four fields.
TASC_EXPORT void TASC_CALL SetBeaconData(BeaconRecord b) {
  const auto& p = rec::plugin();
  if (p.SetBeaconData) p.SetBeaconData(b);
  rec::recordEvent(EventKind::Beacon, {b.type, b.signal, b.data}, b.distance);
}

#if !defined(_WIN32)
// POSIX hosts report the keys the plug-in reads (U 0x55, left Ctrl 0xA2).
TASC_EXPORT void TASC_CALL SetKeyState(int32_t virtualKey, int32_t isDown) {
  const auto& p = rec::plugin();
  if (p.SetKeyState) p.SetKeyState(virtualKey, isDown);
  rec::recordEvent(EventKind::KeyState, {virtualKey, isDown});
}
#endif
