// The sixteen exports as a host calls them, with the host's calling
// convention (stdcall on 32-bit Windows), for the programs that play the host
// (tasc-host, tasc sim, the recording module, the tests and benchmarks that
// load a built module), and the one binding of them by name.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "abi/abi.h"
#include "abi/host_records.h"

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

// The address of an entry point as a module lookup gives it (dlsym,
// GetProcAddress), to be cast to its real function type.
using ExportAddress = void (*)();

// The exports of the host's interface that a module lacks, in the order of
// PluginApi.
struct MissingExports {
  std::array<const char*, 16> names{};
  std::size_t count = 0;

  bool empty() const { return count == 0; }
};

// Binds every member of `api` to the entry point of its name, as
// `find(const char* name)` gives it (an ExportAddress, null when the module
// has none of that name). The sixteen of the host's interface are required;
// SetKeyState is optional. Returns the required ones that are missing; their
// members are null.
template <typename Find>
MissingExports bindPluginApi(PluginApi& api, Find&& find) {
  MissingExports missing;
  auto bind = [&](auto& fn, const char* name, bool required) {
    const ExportAddress address = find(name);
    fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(address);
    if (address == nullptr && required) missing.names[missing.count++] = name;
  };
  bind(api.Load, "Load", true);
  bind(api.Dispose, "Dispose", true);
  bind(api.GetPluginVersion, "GetPluginVersion", true);
  bind(api.SetVehicleSpec, "SetVehicleSpec", true);
  bind(api.Initialize, "Initialize", true);
  bind(api.Elapse, "Elapse", true);
  bind(api.SetPower, "SetPower", true);
  bind(api.SetBrake, "SetBrake", true);
  bind(api.SetReverser, "SetReverser", true);
  bind(api.KeyDown, "KeyDown", true);
  bind(api.KeyUp, "KeyUp", true);
  bind(api.HornBlow, "HornBlow", true);
  bind(api.DoorOpen, "DoorOpen", true);
  bind(api.DoorClose, "DoorClose", true);
  bind(api.SetSignal, "SetSignal", true);
  bind(api.SetBeaconData, "SetBeaconData", true);
  bind(api.SetKeyState, "SetKeyState", false);
  return missing;
}

}  // namespace tasc
