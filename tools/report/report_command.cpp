#include "report/report_command.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "engine/scenario.h"
#include "files/files.h"
#include "report/report_format.h"
#include "report/report_page.h"
#include "report/report_summary.h"
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
  fs::path vehicle;     // a fitted vehicle.toml for the reach of each stop
  double gradient = 0;  // per mille, for the reach of each stop
};

// The chart of each stop, beside the page; false when one cannot be written.
bool writeCharts(const Options& o, const RecordingReport& rep, const Replay& rp) {
  std::error_code ec;
  fs::create_directories(o.outDir, ec);
  for (std::size_t i = 0; i < rep.analysis.stops.size(); ++i) {
    const fs::path p = o.outDir / platform::pathFromUtf8(chartFileName(rep.name, i));
    if (!files::writeWholeFile(p, chart::renderChart(describeStop(rep, rp, i)))) {
      std::fprintf(stderr, "tasc report: cannot write %s\n", platform::utf8Of(p).c_str());
      return false;
    }
  }
  return true;
}

std::size_t stopCount(const std::vector<RecordingLines>& lines) {
  std::size_t n = 0;
  for (const RecordingLines& r : lines) n += r.stops.size();
  return n;
}

// The page of every recording read; false when it cannot be written.
bool writePage(const Options& o, const std::vector<RecordingLines>& lines) {
  std::error_code ec;
  fs::create_directories(o.outDir, ec);
  const fs::path page = o.outDir / "index.html";
  if (!files::writeWholeFile(page, formatPage(lines))) {
    std::fprintf(stderr, "tasc report: cannot write %s\n", platform::utf8Of(page).c_str());
    return false;
  }
  if (!o.json) std::printf("page        %s\n", platform::utf8Of(page).c_str());
  return true;
}

int runReport(const Options& o) {
  int status = cli::kExitOk;
  ReachVehicle vehicle;
  vehicle.gradient = o.gradient;
  if (!o.vehicle.empty()) {
    try {
      vehicle.vehicle = engine::loadVehicleFile(o.vehicle);
    } catch (const engine::ScenarioError& e) {
      throw cli::InputError(e.what());
    }
    vehicle.source = platform::utf8Of(o.vehicle.filename());
    vehicle.fitted = true;
  }
  std::vector<RecordingReport> reports;  // kept whole for JSON only
  std::vector<RecordingLines> lines;
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
    rep.analysis = analyse(rep.recording, rp, o.markers, vehicle);
    if (!o.json) std::fputs((formatText(rep) + "\n").c_str(), stdout);
    const bool charts = !o.noCharts && writeCharts(o, rep, rp);
    if (!o.noCharts && !charts && status == cli::kExitOk) status = cli::kExitFailed;
    lines.push_back(linesOf(rep, charts));
    if (o.json) reports.push_back(std::move(rep));
  }
  if (!o.noCharts && !lines.empty() && !writePage(o, lines) && status == cli::kExitOk) {
    status = cli::kExitFailed;
  }
  // Last, across every stop; one stop's own table says it all.
  if (!o.json && stopCount(lines) > 1) std::fputs(formatSummary(lines).c_str(), stdout);
  if (o.json) std::fputs(formatJson(reports, summaryJson(lines)).c_str(), stdout);
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
      "miss; over several stops, the accuracy across them all (the shares within +-0.10, +-0.25 "
      "and +-0.50 m, mean and worst error). Writes a chart per stop and one HTML page "
      "(index.html) of every recording. Exit status: 0 done, 1 an "
      "output could not be written, 2 a recording that cannot be read, or bad usage.");
  report->add_option("RECORDING", o->recordings, "recording files")->required();
  report
      ->add_option("--stop-at", o->markers,
                   "a true stopping point, m (repeatable): each stop is also measured against "
                   "the nearest")
      ->allow_extra_args(false);
  cli::addPathOption(*report, "--out", o->outDir,
                     "folder of the charts and the page (default: tasc-report-out)");
  report->add_flag("--no-charts", o->noCharts, "write no charts or page");
  report
      ->add_option("--gradient", o->gradient,
                   "the stops' gradient, per mille, uphill positive (default 0), for whether "
                   "a stop could be made")
      ->check(CLI::Range(-100.0, 100.0));
  cli::addPathOption(*report, "--vehicle", o->vehicle,
                     "a fitted vehicle.toml (tasc fit): its b7_decel, dead time, lag, resistance "
                     "and traction judge whether a stop could be made (default: the recording's "
                     "B7Dec and the model's defaults, dead time 0.2 s, lag 0.3 s)");
  report->add_flag("--json", o->json, "print the report as JSON");
  report->callback(
      [o, &status] { status = cli::runCommand("report", [&] { return runReport(*o); }); });
}

}  // namespace tasc::report
