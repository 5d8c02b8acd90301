// The run folders in which the plug-in reads a candidate record: each a copy
// of the vehicle folder that reads as the real one (engine::RunFolder), but
// for its copy of the tuned file, whose record line is the candidate's (an
// entry that names the tuned file by an absolute path names a trial file
// beside the copy instead). The plug-in reads its files at every Initialize,
// so every stop run uses the candidate written last. The plug-in instances
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

  // Writes `record` as the tuned line of the copies.
  void write(const ParamRecord& record);
  // What the plug-in reads differently in the run folders (RunFolder).
  const std::vector<std::string>& warnings() const;
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
    // (none: it does not open); an entry that reads the tuned file's copy
    // reads `candidate` instead.
    struct Entry {
      std::string name;
      std::optional<std::string> bytes;
      bool candidate = false;
    };
    std::vector<Entry> entries;
    std::string candidate;  // the tuned file with the candidate's line
  };

 private:
  std::vector<engine::SweepOutcome> runAll(const engine::Scenario& scenario,
                                           const std::vector<engine::SweepCase>& cases);

  const RecordLine& line_;
  std::vector<std::filesystem::path> trials_;  // every copy of the tuned file
  std::vector<std::unique_ptr<engine::PluginHost>> hosts_;
  Files files_;
  engine::FollowerFiles followerFiles_{};
};

}  // namespace tasc::tune
