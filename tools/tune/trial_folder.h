// A temporary vehicle folder in which the plug-in reads a candidate record: its
// TASC.ini copied, its csvPath.ini with every entry made absolute but the
// tuned file's, which names a copy of that file whose record line is the
// candidate's. The plug-in reads its files at every Initialize, so every stop
// run on this folder uses the candidate written last. The plug-in instances
// (one per worker, as a sweep has them) are loaded once for the whole search:
// a sweep of the example costs less than loading them.
#pragma once

#include <filesystem>
#include <memory>
#include <vector>

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
  // force, on every worker, as engine::runSweep does.
  std::vector<engine::SweepOutcome> run(const engine::Scenario& scenario,
                                        const std::vector<engine::SweepCase>& cases,
                                        const ParamRecord& record);

 private:
  files::TempFolder folder_;
  const RecordLine& line_;
  std::vector<std::unique_ptr<engine::PluginHost>> hosts_;
};

}  // namespace tasc::tune
