// The recording module: stands in the plug-in's place, forwards every export
// to the plug-in beside it and records the run. Module-level state; the
// exports are in exports.cpp.
#pragma once

#include <array>
#include <cstdint>

#include "abi/host_records.h"
#include "abi/plugin_api.h"
#include "recording/format.h"

namespace tasc::recorder {

// Finds the recorder's own file and loads the plug-in beside it (once per
// process; every export calls it, so that a Windows host that loads the
// module gets the plug-in at its first call).
void attach() noexcept;
// The module is being unloaded: the recording in progress is written out.
// `processEnding` (Windows): the system has already ended the writer thread.
void detach(bool processEnding = false) noexcept;

// The plug-in's exports; all null when the plug-in is absent.
const PluginApi& plugin() noexcept;

// The driver's handles as the host last set them (Initialize puts them at the
// plug-in's start values: brake at the notch count, power 0, reverser 1).
void setDriverHandle(DriverHandle which, int32_t value) noexcept;
// An absent plug-in's frame: the driver's handles, constant-speed 0.
HandleRecord standInHandles() noexcept;

// Before the plug-in's Initialize: ends the recording in progress and starts
// the next one with its header.
void startRun(int32_t mode) noexcept;
// After the plug-in's Dispose.
void endRun() noexcept;

// The answer of GetPluginVersion and the vehicle, for the next header.
void noteVersion(int32_t version) noexcept;
void noteVehicle(const VehicleSpecRecord& vehicle) noexcept;

// Windows: the keys the plug-in reads itself, recorded when they change.
// Called before the plug-in's Elapse.
void pollKeys() noexcept;
// After the plug-in's Elapse: the frame's row, and the write-out at most once
// per second of host time.
void recordFrame(const VehicleStateRecord& state, const int32_t* panel,
                 const HandleRecord& handles) noexcept;
// Every other call, in call order.
void recordEvent(recording::EventKind kind, std::array<int32_t, 5> args = {},
                 float distance = 0.0f) noexcept;

}  // namespace tasc::recorder
