#include "tune/trial_folder.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <sstream>

#include "control/tasc_controller.h"
#include "engine/run.h"
#include "files/files.h"
#include "system/tool_system.h"

namespace fs = std::filesystem;

namespace tasc::tune {
namespace {

constexpr const char* kTrialFile = "tuned.csv";

// Throws RecordError when the file cannot be written.
void writeFile(const fs::path& file, const std::string& text) {
  if (!files::writeWholeFile(file, text)) throw RecordError("cannot write " + file.string());
}

}  // namespace

TrialFolder::TrialFolder(const fs::path& vehicleFolder, const RecordLine& line,
                         const fs::path& plugin, unsigned jobs)
    : folder_("tasc-tune-"), line_(line) {
  const fs::path& here = folder_.path();
  std::error_code ec;
  const fs::path settings = vehicleFolder / "TASC.ini";
  if (fs::is_regular_file(settings, ec)) fs::copy_file(settings, here / "TASC.ini");
  // Every entry that names the tuned file reads the copy.
  const fs::path tuned = fs::absolute(line.file).lexically_normal();
  std::ostringstream list;
  list << "[ParamData]\n";
  for (int k = 0; k < kParamFileCount; ++k) {
    const fs::path file = entryFile(vehicleFolder, k);
    if (file.empty()) continue;
    const bool isTuned = fs::absolute(file).lexically_normal() == tuned;
    list << k << '=' << (isTuned ? kTrialFile : fs::absolute(file).string()) << '\n';
  }
  writeFile(here / "csvPath.ini", list.str());
  write(line.record);
  const unsigned workers = jobs == 0 ? platform::coreCount() : jobs;
  for (unsigned w = 0; w < workers; ++w) {
    hosts_.push_back(std::make_unique<engine::PluginHost>(plugin, here));
  }
}

void TrialFolder::write(const ParamRecord& record) {
  writeFile(folder_.path() / kTrialFile,
            replaceLine(line_.text, line_.line, formatRecordLine(record)));
}

std::vector<engine::SweepOutcome> TrialFolder::run(const engine::Scenario& s,
                                                   const std::vector<engine::SweepCase>& cases,
                                                   const ParamRecord& record) {
  write(record);
  std::vector<engine::SweepOutcome> outcomes(cases.size());
  const auto workers = static_cast<unsigned>(std::min(hosts_.size(), cases.size()));
  if (workers == 0) return outcomes;
  // Each case has its own slot and each worker its own host and error slot.
  std::atomic<std::size_t> next{0};
  std::vector<std::exception_ptr> errors(workers);
  platform::runWorkers(workers, [&](unsigned worker) {
    try {
      for (;;) {
        const std::size_t i = next.fetch_add(1);
        if (i >= cases.size()) break;
        outcomes[i].sweepCase = cases[i];
        outcomes[i].result = engine::runStop(*hosts_[worker], engine::applyCase(s, cases[i]));
      }
    } catch (...) {
      errors[worker] = std::current_exception();
      next.store(cases.size());
    }
  });
  for (const std::exception_ptr& error : errors) {
    if (error) std::rethrow_exception(error);
  }
  return outcomes;
}

}  // namespace tasc::tune
