// The run folders in which the plug-in reads a candidate record: each a copy
// of the vehicle folder that reads as the real one (engine::RunFolder), but
// for its copy of the tuned file, whose record line is the candidate's (an
// entry that names the tuned file by an absolute path names a trial file
// beside the copy instead). The plug-in reads its files at every Initialize,
// so every stop run uses the candidate written last. The plug-in instances
// (one per worker, as a sweep has them) are loaded once for the whole search:
// a sweep of the example costs less than loading them.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

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
  // force, on every worker, as engine::runSweep does.
  std::vector<engine::SweepOutcome> run(const engine::Scenario& scenario,
                                        const std::vector<engine::SweepCase>& cases,
                                        const ParamRecord& record);

 private:
  const RecordLine& line_;
  std::vector<std::filesystem::path> trials_;  // every copy of the tuned file
  std::vector<std::unique_ptr<engine::PluginHost>> hosts_;
};

}  // namespace tasc::tune
