// The vehicle folder copied where a module copy runs, so that the module
// reads what it would read beside the real one: TASC.ini and csvPath.ini
// byte for byte (Shift-JIS entries stay as written), and each file that a
// relative entry names at the same place relative to the copy, with the
// vehicle folder's own names for the steps that entries climb above it
// ("..\common\a.csv"). Absolute entries name the same files from anywhere.
#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace tasc::engine {

struct VehicleCopy {
  std::filesystem::path folder;  // the copy's plug-in folder: the module goes here
  // Original file and its copy, for every parameter file copied.
  std::vector<std::pair<std::filesystem::path, std::filesystem::path>> files;
  // An entry that the plug-in would read beside the real folder but not
  // from the copy, or reads differently; a file the plug-in cannot read
  // (UTF-16). One line each, naming the entry and why.
  std::vector<std::string> warnings;
};

// Copies `vehicleFolder` under `root` (an empty folder of the caller's).
// Throws std::filesystem::filesystem_error when a copy cannot be written.
VehicleCopy copyVehicleFolder(const std::filesystem::path& vehicleFolder,
                              const std::filesystem::path& root);

// The warnings of a copy of `vehicleFolder`, made in a temporary folder and
// removed: for a run whose module copies are made out of sight (a sweep).
// Throws files::FileError when no folder can be made.
std::vector<std::string> copyWarnings(const std::filesystem::path& vehicleFolder);

}  // namespace tasc::engine
