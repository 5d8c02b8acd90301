#include "tune/trial_folder.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <exception>

#include "engine/run.h"
#include "files/files.h"
#include "folder/vehicle_folder.h"
#include "readers/profile.h"
#include "system/text.h"
#include "system/tool_system.h"

namespace fs = std::filesystem;

namespace tasc::tune {
namespace {

constexpr const char* kTrialFile = "tuned.csv";

// Throws RecordError when the file cannot be written.
void writeFile(const fs::path& file, const std::string& text) {
  if (!files::writeWholeFile(file, text))
    throw RecordError("cannot write " + platform::utf8Of(file));
}

// The entries of the list copy in `runFolder` that name `tuned` by an
// absolute path name the trial file beside it instead; every other byte of
// the list stays. Returns the trial file, or nothing when no entry needed it.
std::optional<fs::path> redirectAbsolute(const fs::path& runFolder, const fs::path& tuned) {
  const fs::path list = runFolder / "csvPath.ini";
  std::string text = files::readWholeFile(list).value_or(std::string());
  bool changed = false;
  for (const folder::ListEntry& e : folder::readList(runFolder).entries) {
    if (!e.opens || fs::absolute(e.file).lexically_normal() != tuned) continue;
    const auto value = profile::findValue(text, "ParamData", std::to_string(e.index));
    if (!value) continue;
    const auto at = static_cast<std::size_t>(value->data() - text.data());
    text.replace(at, value->size(), kTrialFile);
    changed = true;
  }
  if (!changed) return std::nullopt;
  writeFile(list, text);
  return fs::absolute(runFolder / kTrialFile).lexically_normal();
}

using Files = TrialFolder::Files;

uint32_t readList(const void* files, const char* section, const char* key, const char* fallback,
                  char* out, uint32_t size) {
  return profile::getString(static_cast<const Files*>(files)->list, section, key,
                            fallback ? fallback : "", out, size);
}

// The candidate's file for an entry that reads the tuned file, the others
// as read at the start.
bool readEntry(const void* context, const char* entry, ChunkSink sink) {
  const Files& files = *static_cast<const Files*>(context);
  for (const Files::Entry& e : files.entries) {
    if (e.name != entry) continue;
    if (e.candidate) {
      sink(files.candidate);
      return true;
    }
    if (e.bytes) sink(*e.bytes);
    return e.bytes.has_value();
  }
  return false;
}

// The list's entries in `folder` (a run folder) as the plug-in reads them,
// and the bytes of each file it opens; the entries that open one of `trials`
// read the candidate.
Files readFiles(const fs::path& folder, const std::vector<fs::path>& trials) {
  Files f;
  f.list = files::readWholeFile(folder / "csvPath.ini").value_or(std::string());
  for (folder::ListEntry& le : folder::readList(folder).entries) {
    Files::Entry e{le.value, std::nullopt, false};
    if (le.opens) {
      const fs::path file = fs::absolute(le.file).lexically_normal();
      e.candidate = std::find(trials.begin(), trials.end(), file) != trials.end();
      if (!e.candidate) e.bytes = std::move(le.bytes);
    }
    f.entries.push_back(std::move(e));
  }
  return f;
}

}  // namespace

TrialFolder::TrialFolder(const fs::path& vehicleFolder, const RecordLine& line,
                         const fs::path& plugin, unsigned jobs)
    : line_(line) {
  const fs::path tuned = fs::absolute(line.file).lexically_normal();
  const unsigned workers = jobs == 0 ? platform::coreCount() : jobs;
  for (unsigned w = 0; w < workers; ++w) {
    hosts_.push_back(std::make_unique<engine::PluginHost>(plugin, vehicleFolder));
    // Each run folder reads its own copy of the tuned file: the copy that
    // a relative entry reads, or a trial file for an absolute entry.
    const engine::RunFolder& run = hosts_.back()->folder();
    for (const auto& [original, copy] : run.files()) {
      if (fs::absolute(original).lexically_normal() == tuned)
        trials_.push_back(fs::absolute(copy).lexically_normal());
    }
    if (auto trial = redirectAbsolute(run.modulePath().parent_path(), tuned)) {
      trials_.push_back(*trial);
    }
    if (trials_.empty()) {
      throw RecordError("the plug-in reads no copy of " + platform::utf8Of(line.file) +
                        " in its run folder, so no candidate would reach it: " +
                        (run.warnings().empty() ? std::string("name it by a relative entry")
                                                : run.warnings().front()));
    }
  }
  write(line.record);
  // The follower reads the first run folder's files from memory; every run
  // folder reads the same.
  const fs::path first = hosts_.front()->folder().modulePath().parent_path();
  files_ = readFiles(first, trials_);
  const std::string settings = folder::pluginPath(first / "TASC.ini").value_or(std::string());
  followerFiles_ = {readSettings(settings.c_str()), ListReader{&readList, &files_},
                    FileReader{&readEntry, &files_}};
}

void TrialFolder::write(const ParamRecord& record) {
  const std::string text = replaceLine(line_.text, line_.line, formatRecordLine(record));
  for (const fs::path& trial : trials_) writeFile(trial, text);
}

const std::vector<std::string>& TrialFolder::warnings() const {
  return hosts_.front()->folder().warnings();
}

std::vector<engine::SweepOutcome> TrialFolder::run(const engine::Scenario& s,
                                                   const std::vector<engine::SweepCase>& cases,
                                                   const ParamRecord& record) {
  files_.candidate = replaceLine(line_.text, line_.line, formatRecordLine(record));
  for (const auto& host : hosts_) host->followOnly(&followerFiles_);
  return runAll(s, cases);
}

std::vector<engine::SweepOutcome> TrialFolder::validate(const engine::Scenario& s,
                                                        const std::vector<engine::SweepCase>& cases,
                                                        const ParamRecord& record) {
  write(record);
  for (const auto& host : hosts_) host->followOnly(nullptr);
  return runAll(s, cases);
}

std::vector<engine::SweepOutcome> TrialFolder::runAll(const engine::Scenario& s,
                                                      const std::vector<engine::SweepCase>& cases) {
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
