#include "tune/trial_folder.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <fstream>
#include <random>
#include <sstream>

#include "control/tasc_controller.h"
#include "engine/run.h"
#include "platform/tool_system.h"

namespace fs = std::filesystem;

namespace tasc::tune {
namespace {

constexpr const char* kTrialFile = "tuned.csv";

fs::path uniqueTempFolder() {
  std::random_device rd;
  std::mt19937_64 gen((static_cast<uint64_t>(rd()) << 32) ^ rd());
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::ostringstream name;
    name << "tasc-tune-" << std::hex << gen();
    fs::path p = fs::temp_directory_path() / name.str();
    std::error_code ec;
    if (fs::create_directory(p, ec)) return p;
  }
  throw RecordError("cannot create a folder under " + fs::temp_directory_path().string());
}

void writeFile(const fs::path& file, const std::string& text) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << text;
  out.flush();
  if (!out) throw RecordError("cannot write " + file.string());
}

}  // namespace

TrialFolder::TrialFolder(const fs::path& vehicleFolder, const RecordLine& line,
                         const fs::path& plugin, unsigned jobs)
    : path_(uniqueTempFolder()), line_(line) {
  try {
    std::error_code ec;
    const fs::path settings = vehicleFolder / "TASC.ini";
    if (fs::is_regular_file(settings, ec)) fs::copy_file(settings, path_ / "TASC.ini");
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
    writeFile(path_ / "csvPath.ini", list.str());
    write(line.record);
    const unsigned workers = jobs == 0 ? platform::coreCount() : jobs;
    for (unsigned w = 0; w < workers; ++w) {
      hosts_.push_back(std::make_unique<engine::PluginHost>(plugin, path_));
    }
  } catch (...) {
    std::error_code ec;
    fs::remove_all(path_, ec);
    throw;
  }
}

TrialFolder::~TrialFolder() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

void TrialFolder::write(const ParamRecord& record) {
  writeFile(path_ / kTrialFile, replaceLine(line_.text, line_.line, formatRecordLine(record)));
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
