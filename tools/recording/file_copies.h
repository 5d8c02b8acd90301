// The part of a recording's header that the recording module and `tasc sim
// --record` write alike: the copies of the files the run reads, found as the
// plug-in finds them, and the column line of the frame rows.
#pragma once

#include <string>
#include <string_view>

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

// TASC.ini at `settingsPath`, then csvPath.ini and every parameter file it
// names, as `list` (a module after its Initialize) holds their paths. A file
// that does not open is written as missing.
void writeFileCopies(Writer& writer, const std::string& settingsPath, const plugin::Module& list);

}  // namespace tasc::recording
