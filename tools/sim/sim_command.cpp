#include "sim/sim_command.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "check/check.h"
#include "cli/cli.h"
#include "engine/plugin_host.h"
#include "engine/run.h"
#include "engine/scenario.h"
#include "engine/sweep.h"
#include "engine/vehicle_copy.h"
#include "files/files.h"
#include "sim/accuracy.h"
#include "sim/sim_chart.h"
#include "sim/summary.h"
#include "sim/trace.h"
#include "system/host_loader.h"
#include "system/text.h"
#include "system/tool_system.h"

namespace fs = std::filesystem;

namespace tasc::sim {
namespace {

using engine::DriverAction;
using engine::FrameRow;
using engine::PluginHost;
using engine::ScenarioError;
using engine::SweepCase;

struct Options {
  fs::path scenario;
  fs::path plugin;
  fs::path outDir = "tasc-sim-out";
  std::optional<fs::path> trace;
  std::optional<fs::path> chart;
  std::optional<fs::path> record;  // folder of recordings of the runs
  bool noTrace = false;
  bool noChart = false;
  bool noSweep = false;
  bool quiet = false;
  unsigned jobs = 0;
  // Sweep axes as given: "a,b,c" or "from:to:step".
  std::string speeds, deadTimes, lags, gradients, offsets;
};

// The bundled stop: of a package (examples/ beside tasc, or one level up
// where each Windows build has its folder), else of the source tree whose
// build holds tasc (build/NAME/tools/tasc/tasc). No path is built in.
fs::path defaultScenario() {
  const fs::path example = fs::path("examples") / "single-stop.toml";
  const fs::path exe = platform::executablePath();
  if (!exe.empty()) {
    const fs::path here = exe.parent_path();
    for (const fs::path& p :
         {here / example, here / ".." / example, here / ".." / ".." / ".." / ".." / example}) {
      std::error_code ec;
      if (fs::is_regular_file(p, ec)) return p.lexically_normal();
    }
  }
  throw cli::InputError("no scenario given and no " + example.generic_string() +
                        " beside tasc or one level up");
}

// --record: the run's recording, written as the host's recording module does.
std::optional<fs::path> startRecording(const Options& o, const Scenario& s, PluginHost& host) {
  if (!o.record) return std::nullopt;
  std::error_code ec;
  fs::create_directories(*o.record, ec);
  const fs::path file = *o.record / s.file.stem().concat(".csv");
  host.recordNextRun(file);
  return file;
}

int runSingle(const Options& o, const Scenario& s) {
  PluginHost host(o.plugin, s.vehicleFolder);
  for (const std::string& w : host.folder().warnings())
    std::fprintf(stderr, "tasc sim: warning: %s\n", w.c_str());
  const bool scriptsKeys = std::any_of(s.driver.events.begin(), s.driver.events.end(), [](auto& e) {
    return e.action == DriverAction::KeyDown || e.action == DriverAction::KeyUp;
  });
  if (scriptsKeys && !host.takesKeys())
    std::fprintf(stderr,
                 "tasc sim: warning: this plug-in reads the keyboard itself; the scripted key "
                 "presses do not reach it\n");
  std::vector<FrameRow> trace;
  trace.reserve(static_cast<std::size_t>(s.maxTime * s.frameRate) + 2);
  const std::optional<fs::path> recording = startRecording(o, s, host);
  const RunResult r = engine::runStop(host, s, &trace);
  const check::Findings folder = check::checkFolder(platform::utf8Of(s.vehicleFolder));
  if (!o.quiet) std::fputs(formatSummary(s, r, &folder).c_str(), stdout);
  std::error_code ec;
  if ((!o.noTrace && !o.trace) || (!o.noChart && !o.chart)) fs::create_directories(o.outDir, ec);
  if (!o.noTrace) {
    const fs::path p = o.trace.value_or(o.outDir / s.file.stem().concat(".trace.csv"));
    if (!writeTrace(p, trace)) {
      std::fprintf(stderr, "tasc sim: cannot write %s\n", platform::utf8Of(p).c_str());
      return cli::kExitFailed;
    }
    if (!o.quiet) std::printf("trace         %s\n", platform::utf8Of(p).c_str());
  }
  if (!o.noChart) {
    const fs::path p = o.chart.value_or(o.outDir / s.file.stem().concat(".svg"));
    if (!files::writeWholeFile(p, chart::renderChart(describeStop(s, r, trace)))) {
      std::fprintf(stderr, "tasc sim: cannot write %s\n", platform::utf8Of(p).c_str());
      return cli::kExitFailed;
    }
    if (!o.quiet) std::printf("chart         %s\n", platform::utf8Of(p).c_str());
  }
  if (recording) {
    if (!host.recorder()->ok()) {
      std::fprintf(stderr, "tasc sim: cannot write %s\n", platform::utf8Of(*recording).c_str());
      return cli::kExitFailed;
    }
    if (!o.quiet) std::printf("recording     %s\n", platform::utf8Of(*recording).c_str());
  }
  return cli::kExitOk;
}

int runMatrix(const Options& o, const Scenario& s) {
  const std::vector<SweepCase> cases = engine::expandSweep(s);
  const bool terminal = platform::stderrIsTerminal() && !o.quiet;
  const auto progress = [&](std::size_t done, std::size_t total) {
    if (terminal && (done == total || done % 16 == 0)) {
      std::fprintf(stderr, "\r%zu/%zu stops", done, total);
      if (done == total) std::fputs("\n", stderr);
    }
  };
  std::error_code ec;
  for (const std::string& w : engine::copyWarnings(s.vehicleFolder))
    std::fprintf(stderr, "tasc sim: warning: %s\n", w.c_str());
  if (o.record) fs::create_directories(*o.record, ec);
  const std::vector<SweepOutcome> outcomes =
      engine::runSweep(s, o.plugin, cases, o.jobs, progress, o.record.value_or(fs::path()));
  const Accuracy a = summarizeSweep(outcomes);
  if (!o.quiet) {
    std::printf("sweep         %s (%s)\n", s.name.c_str(), platform::utf8Of(s.file).c_str());
    const check::Findings folder = check::checkFolder(platform::utf8Of(s.vehicleFolder));
    std::fputs(folderLines(s, folder).c_str(), stdout);
    // Every case passes the same beacons: the first tells of their records.
    if (!outcomes.empty()) {
      std::fputs(recordWarnings(s, outcomes.front().result, &folder).c_str(), stdout);
    }
    std::fputs(formatAccuracy(outcomes, a).c_str(), stdout);
    std::fputs(layoutLines(s).c_str(), stdout);
  }
  // The table is the sweep's result: written with or without --no-trace.
  if (!o.trace) fs::create_directories(o.outDir, ec);
  const fs::path p = o.trace.value_or(o.outDir / s.file.stem().concat(".sweep.csv"));
  if (!files::writeWholeFile(p, sweepCsv(outcomes))) {
    std::fprintf(stderr, "tasc sim: cannot write %s\n", platform::utf8Of(p).c_str());
    return cli::kExitFailed;
  }
  if (!o.quiet) std::printf("table         %s\n", platform::utf8Of(p).c_str());
  if (o.record && !o.quiet) {
    std::printf("recordings    %s (%s ...)\n", platform::utf8Of(*o.record).c_str(),
                engine::recordingName(s, 0).c_str());
  }
  return cli::kExitOk;
}

// The axes given on the command line override the scenario's.
void applyAxes(const Options& o, Scenario& s) {
  const auto axis = [](const char* what, engine::SweepAxis which, const std::string& text,
                       std::vector<double>& out) {
    if (text.empty()) return;
    out = cli::valueList(what, text);
    for (const double v : out) {
      const std::string why = engine::implausibleSweepValue(which, v);
      if (!why.empty()) std::fprintf(stderr, "tasc sim: warning: %s: %s\n", what, why.c_str());
    }
  };
  axis("--speeds", engine::SweepAxis::InitialSpeed, o.speeds, s.sweep.initialSpeed);
  axis("--dead-times", engine::SweepAxis::BrakeDeadTime, o.deadTimes, s.sweep.brakeDeadTime);
  axis("--lags", engine::SweepAxis::BrakeTimeConstant, o.lags, s.sweep.brakeTimeConstant);
  axis("--gradients", engine::SweepAxis::Gradient, o.gradients, s.sweep.gradient);
  axis("--offsets", engine::SweepAxis::ReceiverOffset, o.offsets, s.sweep.receiverOffset);
}

int runSim(Options o) {
  if (o.scenario.empty()) o.scenario = defaultScenario();
  if (o.plugin.empty()) o.plugin = engine::defaultPlugin();
  Scenario s;
  try {
    s = engine::loadScenario(o.scenario);
  } catch (const ScenarioError& e) {
    throw cli::InputError(e.what());
  }
  applyAxes(o, s);
  if (!s.sweep.empty() && !o.noSweep) return runMatrix(o, s);
  return runSingle(o, s);
}

}  // namespace

void addSimCommand(CLI::App& tasc, int& status) {
  auto o = std::make_shared<Options>();
  CLI::App* sim = tasc.add_subcommand(
      "sim",
      "Run the plug-in over the stop of SCENARIO (default: the bundled example "
      "examples/single-stop.toml), print a summary and write a trace CSV and an SVG chart. "
      "A scenario with a [sweep] table, or any sweep option, runs the matrix of cases in "
      "parallel and prints the accuracy table. Exit status: 0 done, 1 the plug-in could not "
      "be run, 2 bad scenario or usage.");
  cli::addPathOption(*sim, "SCENARIO", o->scenario, "scenario file (TOML)");
  cli::addPathOption(*sim, "--plugin", o->plugin,
                     "plug-in module (default: the one beside tasc or of its build)");
  cli::addPathOption(*sim, "--out", o->outDir, "output folder (default: tasc-sim-out)");
  cli::addPathOption(
      *sim, "--trace", o->trace,
      "trace CSV (default: OUT/NAME.trace.csv); of a sweep: its table (OUT/NAME.sweep.csv)");
  sim->add_flag("--no-trace", o->noTrace, "write no trace (a sweep still writes its table)");
  cli::addPathOption(*sim, "--chart", o->chart, "SVG chart (default: OUT/NAME.svg)");
  sim->add_flag("--no-chart", o->noChart, "write no chart");
  cli::addPathOption(
      *sim, "--record", o->record,
      "write a recording of the run (of each stop of a sweep) into this folder, in "
      "the recording module's format: DIR/NAME.csv, of a sweep DIR/NAME-0001.csv ...");
  sim->add_option("--speeds", o->speeds, "sweep initial speeds, km/h (a,b,c or from:to:step)");
  sim->add_option("--dead-times", o->deadTimes, "sweep brake dead times, s");
  sim->add_option("--lags", o->lags, "sweep brake time constants, s");
  sim->add_option("--gradients", o->gradients, "sweep gradients, per mille (uphill positive)");
  sim->add_option("--offsets", o->offsets, "sweep receiver offsets behind the front, m");
  sim->add_flag("--no-sweep", o->noSweep, "run the scenario's own single stop, ignoring [sweep]");
  sim->add_option("--jobs", o->jobs, "worker threads for a sweep (default: every core)")
      ->check(CLI::Range(1, 256));
  sim->add_flag("--quiet", o->quiet, "no summary or table on standard output");
  sim->callback([o, &status] { status = cli::runCommand("sim", [&] { return runSim(*o); }); });
}

}  // namespace tasc::sim
