// Shared pieces of the engine's tests (and of the tools above it): the bundled examples and a
// scenario written inline (the built plug-in: support/vehicle_folder.h).
#pragma once

#include <filesystem>
#include <string>

#include "engine/scenario.h"

namespace tasc::engine::test {

inline std::filesystem::path examplesDir() {
  return std::filesystem::path(TASC_SOURCE_DIR) / "examples";
}

// The examples' vehicle folder as a scenario's line.
inline std::string folderLine() {
  return "vehicle_folder = \"" + (examplesDir() / "vehicle").string() + "\"\n";
}

// The example stop with `extra` TOML appended to its tables (keys given in
// full, as "train.receiver_offset = 1.0" would not be valid TOML, `extra`
// holds whole tables or is placed where the text says).
inline std::string exampleText(const std::string& trainExtra = "", const std::string& tail = "",
                               const std::string& beacon503Extra = "") {
  return "name = \"test stop\"\n" + folderLine() +
         "[vehicle]\nbrake_dead_time = 0.2\nbrake_time_constant = 0.3\n"
         "[track]\nstop_point = 500.0\n"
         "[[track.beacon]]\ntype = 503\nbefore_stop = 149.045\nrecord = 1\n" +
         beacon503Extra +
         "[[track.beacon]]\ntype = 502\nbefore_stop = 29.045\nrecord = 1\n"
         "[[track.beacon]]\ntype = 501\nbefore_stop = 7.045\nrecord = 1\n"
         "[train]\ninitial_speed = 35.0\ninitial_position = 300.0\n" +
         trainExtra + tail;
}

inline Scenario exampleScenario(const std::string& trainExtra = "", const std::string& tail = "",
                                const std::string& beacon503Extra = "") {
  return parseScenario(exampleText(trainExtra, tail, beacon503Extra), "inline.toml");
}

}  // namespace tasc::engine::test
