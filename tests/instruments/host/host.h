// tasc-host: plays the host simulator from a call script. It loads the
// plug-in by path, finds the sixteen entry points by name, makes the calls
// the script lists and prints every frame's handle record and the panel
// values 85..89. Only integers are printed, so the outputs of different
// builds of the plug-in compare byte for byte.
//
// Script: one command per line, '#' starts a comment.
//   vehicle BRAKES [POWER [ATS [B67 [CARS]]]]   SetVehicleSpec
//   load | dispose                          Load, Dispose
//   init [MODE]                             Initialize
//   frame SPEED TIME                        Elapse at SPEED km/h, TIME ms
//   ramp V0 V1 T0 STEP COUNT                COUNT frames from T0 every STEP ms,
//                                           the speed going linearly V0 -> V1
//   power N | brake N | reverser N          SetPower, SetBrake, SetReverser
//   beacon TYPE DATA                        SetBeaconData (DATA may be 0x...)
//   keydown K | keyup K | horn K | signal N | door open|close
//   key VK 0|1                              physical key state (POSIX module
//                                           only; ignored where the module
//                                           reads the keyboard itself)
//   version                                 prints GetPluginVersion
#pragma once

#include <cstdio>

namespace tasc::host {

// Runs the script `text` against the module at `modulePath`, printing to
// `out`. Returns the exit status: 0 done, 1 the module or an entry point is
// missing, 2 a script error (reported on stderr with its line).
int runScript(const char* scriptName, const char* text, const char* modulePath, std::FILE* out);

}  // namespace tasc::host
