// The sixteen exports as a host calls them, with the host's calling
// convention (stdcall on 32-bit Windows), for the programs that play the host:
// tasc-host, tasc-sim and the tests that load the built module.
#pragma once

#include <cstdint>

#include "platform/abi.h"
#include "plugin/host_records.h"

namespace tasc {

struct PluginApi {
  void(TASC_CALL* Load)();
  void(TASC_CALL* Dispose)();
  int32_t(TASC_CALL* GetPluginVersion)();
  void(TASC_CALL* SetVehicleSpec)(VehicleSpecRecord);
  void(TASC_CALL* Initialize)(int32_t);
  HandleRecord(TASC_CALL* Elapse)(VehicleStateRecord, int32_t*, int32_t*);
  void(TASC_CALL* SetPower)(int32_t);
  void(TASC_CALL* SetBrake)(int32_t);
  void(TASC_CALL* SetReverser)(int32_t);
  void(TASC_CALL* KeyDown)(int32_t);
  void(TASC_CALL* KeyUp)(int32_t);
  void(TASC_CALL* HornBlow)(int32_t);
  void(TASC_CALL* DoorOpen)();
  void(TASC_CALL* DoorClose)();
  void(TASC_CALL* SetSignal)(int32_t);
  void(TASC_CALL* SetBeaconData)(BeaconRecord);
  void(TASC_CALL* SetKeyState)(int32_t, int32_t);  // optional: POSIX modules only
};

}  // namespace tasc
