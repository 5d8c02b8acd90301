// A temporary vehicle folder in which the plug-in reads a candidate record: its
// TASC.ini copied, its csvPath.ini with every entry made absolute but the
// tuned file's, which names a copy of that file whose record line is the
// candidate's. The plug-in reads its files at every Initialize, so every stop
// run on this folder uses the candidate written last. The plug-in instances
// (one per worker, as a sweep has them) are loaded once for the whole search:
// a sweep of the example costs less than loading them.
//
// The search's candidates run on the plug-in's own code alone (the follower
// that every host runs beside the loaded plug-in, and that agrees with it
// frame for frame), reading the folder's files from memory: the settings,
// the list and the parameter files are read once, through the plug-in's own
// readers, and the candidate's file is its text. The profile reads of every
// Initialize, file system calls that a Windows build under wine makes slowly,
// and the writes of the candidate's file go. The records a search keeps are
// then run through the loaded plug-in (validate).
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/plugin_host.h"
#include "engine/scenario.h"
#include "engine/sweep.h"
#include "files/files.h"
#include "tune/record_file.h"

namespace tasc::tune {

class TrialFolder {
 public:
  // Throws files::FileError when the folder cannot be made, RecordError when
  // its files cannot be written, engine::HostError when the plug-in cannot
  // be loaded. `jobs` 0: every core.
  TrialFolder(const std::filesystem::path& vehicleFolder, const RecordLine& line,
              const std::filesystem::path& plugin, unsigned jobs);
  TrialFolder(const TrialFolder&) = delete;
  TrialFolder& operator=(const TrialFolder&) = delete;

  const std::filesystem::path& path() const { return folder_.path(); }
  // Writes `record` as the tuned line of the copy.
  void write(const ParamRecord& record);
  // Runs `cases` of `scenario` (its vehicle folder aside) with `record` in
  // force, on every worker, as engine::runSweep does: on the plug-in's own
  // code, its files from memory (a search's candidate).
  std::vector<engine::SweepOutcome> run(const engine::Scenario& scenario,
                                        const std::vector<engine::SweepCase>& cases,
                                        const ParamRecord& record);
  // The same through the loaded plug-in, `record` written to the folder.
  std::vector<engine::SweepOutcome> validate(const engine::Scenario& scenario,
                                             const std::vector<engine::SweepCase>& cases,
                                             const ParamRecord& record);

  // The folder's files as the follower reads them from memory.
  struct Files {
    std::string list;  // csvPath.ini
    // Each entry of the list as the plug-in reads it, and its file's bytes
    // (none: it does not open).
    std::vector<std::pair<std::string, std::optional<std::string>>> entries;
    std::string candidate;  // the tuned file with the candidate's line
  };

 private:
  std::vector<engine::SweepOutcome> runAll(const engine::Scenario& scenario,
                                           const std::vector<engine::SweepCase>& cases);

  files::TempFolder folder_;
  const RecordLine& line_;
  std::vector<std::unique_ptr<engine::PluginHost>> hosts_;
  Files files_;
  engine::FollowerFiles followerFiles_{};
};

}  // namespace tasc::tune
