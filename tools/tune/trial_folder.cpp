#include "tune/trial_folder.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <exception>
#include <sstream>

#include "control/tasc_controller.h"
#include "engine/run.h"
#include "files/files.h"
#include "plugin/files.h"
#include "readers/profile.h"
#include "system/tool_system.h"

namespace fs = std::filesystem;

namespace tasc::tune {
namespace {

constexpr const char* kTrialFile = "tuned.csv";

// Throws RecordError when the file cannot be written.
void writeFile(const fs::path& file, const std::string& text) {
  if (!files::writeWholeFile(file, text)) throw RecordError("cannot write " + file.string());
}

using Files = TrialFolder::Files;

uint32_t readList(const void* files, const char* section, const char* key, const char* fallback,
                  char* out, uint32_t size) {
  return profile::getString(static_cast<const Files*>(files)->list, section, key,
                            fallback ? fallback : "", out, size);
}

// The candidate's file by its entry, the others as read at the start.
bool readEntry(const void* context, const char* entry, ChunkSink sink) {
  const Files& files = *static_cast<const Files*>(context);
  if (std::strcmp(entry, kTrialFile) == 0) {
    sink(files.candidate);
    return true;
  }
  for (const auto& [name, bytes] : files.entries) {
    if (name == entry) {
      if (bytes) sink(*bytes);
      return bytes.has_value();
    }
  }
  return false;
}

// The list's entries as the plug-in reads them, and the bytes of each file
// but the candidate's, read by the plug-in's own readers.
Files readFiles(const fs::path& folder) {
  Files f;
  const std::string listPath = (folder / "csvPath.ini").string();
  f.list = files::readWholeFile(listPath).value_or(std::string());
  const FileReader disk = plugin::fileReader(listPath.c_str());
  for (int k = 0; k < kParamFileCount; ++k) {
    PathBuffer entry{};
    profile::getString(f.list, "ParamData", std::to_string(k), "NULL", entry.data(),
                       static_cast<uint32_t>(entry.size()));
    const std::string name = entry.data();
    if (name == "NULL" || name == kTrialFile) continue;
    std::string bytes;
    const ChunkSink sink{
        [](void* out, std::string_view chunk) { static_cast<std::string*>(out)->append(chunk); },
        &bytes};
    const bool opened = disk.readFile(name.c_str(), sink);
    f.entries.emplace_back(name, opened ? std::optional<std::string>(bytes) : std::nullopt);
  }
  return f;
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
  files_ = readFiles(here);
  followerFiles_ = {readSettings((here / "TASC.ini").string().c_str()),
                    ListReader{&readList, &files_}, FileReader{&readEntry, &files_}};
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
