// The rows of a run's recording that the recording module and `tasc sim
// --record` write alike: the header at Initialize, with the copies of the
// files the run reads found as the plug-in finds them, and each frame's row.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "abi/host_records.h"
#include "recording/format.h"
#include "recording/writer.h"

namespace tasc::plugin {
class Module;
}

namespace tasc::recording {

// The frame rows' columns, written as a comment before the first frame.
inline constexpr std::string_view kFrameColumns =
    "frame,location,speed,time,raw16,raw20,raw24,raw28,raw32,raw36,step,driver_brake,"
    "driver_power,driver_reverser,brake,power,reverser,constant_speed,panel85,panel86,panel87,"
    "panel88,panel89";

// A local date and time, as the header's `started` row holds it.
struct LocalTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// What the header of a run's recording says, in the order of its rows.
struct RunHeader {
  std::string_view recorder;                   // the recording program's file
  std::string_view plugin;                     // the plug-in's file
  const char* absentReason = nullptr;          // why the plug-in is absent; null: loaded
  int32_t version = 0;                         // GetPluginVersion of the loaded plug-in
  const VehicleSpecRecord* vehicle = nullptr;  // the last SetVehicleSpec; null: none yet
  int32_t initialize = 0;                      // the brake mode Initialize is called with
  LocalTime started;
  // The copies: TASC.ini at `settings`, then csvPath.ini and every parameter
  // file that `list` (a module after its Initialize) names. Null: none.
  std::string_view settings;
  const plugin::Module* list = nullptr;
  // The names the rows give TASC.ini and csvPath.ini; empty: where they were
  // read (the recording module's own folder).
  std::string_view settingsShown;
  std::string_view listShown;
};

// The header rows, from the comment that names the format to the frame
// columns. A file that does not open is written as missing.
void writeHeader(Writer& writer, const RunHeader& header);

// SetVehicleSpec's record as the header's row and a vehicle event hold it.
inline std::array<int32_t, 5> vehicleValues(const VehicleSpecRecord& v) noexcept {
  return {v.brakeNotches, v.powerNotches, v.atsNotch, v.b67Notch, v.cars};
}

// Milliseconds from one frame's time to the next, with 32-bit wrap-around.
inline int32_t frameStep(int32_t timeMs, int32_t previousMs) noexcept {
  return static_cast<int32_t>(static_cast<uint32_t>(timeMs) - static_cast<uint32_t>(previousMs));
}

// One Elapse as its row: the state whole, the step since the frame before,
// the driver's handles as last set (brake, power, reverser), the handles
// returned, and panel 85..89 when the host passed a panel. No allocation: the
// recording module fills it in the host's frame.
inline void fillFrameRow(FrameRow& row, const VehicleStateRecord& state, int32_t stepMs,
                         const std::array<int32_t, 3>& driver, const HandleRecord& sent,
                         const int32_t* panel) noexcept {
  row.location = state.location;
  row.speed = state.speed;
  row.timeMs = state.timeMs;
  std::memcpy(row.reserved.data(), state.reserved, sizeof state.reserved);
  row.stepMs = stepMs;
  row.driver = driver;
  row.handles = {sent.brake, sent.power, sent.reverser, sent.constantSpeed};
  row.hasPanel = panel != nullptr;
  if (panel != nullptr) std::memcpy(row.panel.data(), panel + kFirstPanelIndex, sizeof row.panel);
}

}  // namespace tasc::recording
