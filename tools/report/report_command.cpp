#include "report/report_command.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "files/files.h"
#include "report/report_format.h"
#include "system/text.h"
#include "system/tool_system.h"

namespace fs = std::filesystem;

namespace tasc::report {
namespace {

struct Options {
  std::vector<std::string> recordings;
  std::vector<double> markers;
  fs::path outDir = "tasc-report-out";
  bool json = false;
  bool noCharts = false;
};

// The charts and the page of one recording; false when a file cannot be written.
bool writeCharts(const Options& o, const RecordingReport& rep, const Replay& rp) {
  std::error_code ec;
  fs::create_directories(o.outDir, ec);
  const fs::path stem = platform::pathFromUtf8(rep.name).stem();
  std::vector<std::string> charts;
  for (std::size_t i = 0; i < rep.analysis.stops.size(); ++i) {
    charts.push_back(chart::renderChart(describeStop(rep, rp, i)));
    const fs::path p = o.outDir / fs::path(stem).concat("-stop" + std::to_string(i + 1) + ".svg");
    if (!files::writeWholeFile(p, charts.back())) {
      std::fprintf(stderr, "tasc report: cannot write %s\n", platform::utf8Of(p).c_str());
      return false;
    }
  }
  const fs::path page = o.outDir / fs::path(stem).concat(".html");
  if (!files::writeWholeFile(page, formatHtml(rep, charts))) {
    std::fprintf(stderr, "tasc report: cannot write %s\n", platform::utf8Of(page).c_str());
    return false;
  }
  if (!o.json) std::printf("page        %s\n", platform::utf8Of(page).c_str());
  return true;
}

int runReport(const Options& o) {
  int status = cli::kExitOk;
  std::vector<RecordingReport> reports;
  for (const std::string& name : o.recordings) {
    recording::ReadResult read = recording::readRecordingFile(platform::pathFromUtf8(name));
    if (!read.ok) {
      std::fprintf(stderr, "tasc report: %s\n", read.message.c_str());
      status = cli::kExitBadInput;
      continue;
    }
    for (const std::string& w : read.warnings) {
      std::fprintf(stderr, "tasc report: warning: %s\n", w.c_str());
    }
    RecordingReport rep;
    rep.name = name;
    rep.warnings = std::move(read.warnings);
    rep.recording = std::move(read.recording);
    const Replay rp = replay(rep.recording);
    rep.analysis = analyse(rep.recording, rp, o.markers);
    if (!o.json) std::fputs((formatText(rep) + "\n").c_str(), stdout);
    if (!o.noCharts && !writeCharts(o, rep, rp) && status == cli::kExitOk) {
      status = cli::kExitFailed;
    }
    if (o.json) reports.push_back(std::move(rep));
  }
  if (o.json) std::fputs(formatJson(reports).c_str(), stdout);
  return status;
}

}  // namespace

void addReportCommand(CLI::App& tasc, int& status) {
  auto o = std::make_shared<Options>();
  CLI::App* report = tasc.add_subcommand(
      "report",
      "Find every stop of each recording (of the recording module or of `tasc sim --record`) and "
      "print one row per stop: the position at rest, the stopping point the beacons named, the "
      "stop error, the plug-in's verdict and the approach; under the table, what explains a "
      "miss. Writes a chart per stop and an HTML page per recording. Exit status: 0 done, 1 an "
      "output could not be written, 2 a recording that cannot be read, or bad usage.");
  report->add_option("RECORDING", o->recordings, "recording files")->required();
  report
      ->add_option("--stop-at", o->markers,
                   "a true stopping point, m (repeatable): each stop is also measured against "
                   "the nearest")
      ->allow_extra_args(false);
  cli::addPathOption(*report, "--out", o->outDir,
                     "folder of the charts and pages (default: tasc-report-out)");
  report->add_flag("--no-charts", o->noCharts, "write no charts or pages");
  report->add_flag("--json", o->json, "print the report as JSON");
  report->callback(
      [o, &status] { status = cli::runCommand("report", [&] { return runReport(*o); }); });
}

}  // namespace tasc::report
