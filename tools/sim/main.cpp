// tasc-sim: drives the built plug-in over a scripted stop and shows how well
// it stopped. With no arguments it runs the bundled single-stop example.
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "params/numbers.h"
#include "platform/host_loader.h"
#include "sim/chart.h"
#include "sim/host_system.h"
#include "sim/report.h"
#include "sim/scenario.h"
#include "sim/simulator.h"
#include "sim/sweep.h"

namespace fs = std::filesystem;
using namespace tasc::sim;

namespace {

constexpr int kExitOk = 0;
constexpr int kExitRunFailed = 1;
constexpr int kExitBadInput = 2;

const char* const kUsage =
    "usage: tasc-sim [options] [SCENARIO.toml]\n"
    "Runs the plug-in over the stop of SCENARIO (default: the bundled example\n"
    "examples/single-stop.toml) and prints a summary; writes a trace CSV and an\n"
    "SVG chart. A scenario with a [sweep] table, or any sweep option, runs the\n"
    "matrix of cases in parallel and prints the accuracy table.\n"
    "options:\n"
    "  --plugin PATH      plug-in module (default: TASC.so of the build beside tasc-sim)\n"
    "  --out DIR          output folder (default: tasc-sim-out)\n"
    "  --trace PATH       trace CSV (default: DIR/NAME.trace.csv); --no-trace: none\n"
    "  --chart PATH       SVG chart (default: DIR/NAME.svg); --no-chart: none\n"
    "  --speeds LIST      sweep initial speeds, km/h     LIST: a,b,c or from:to:step\n"
    "  --dead-times LIST  sweep brake dead times, s\n"
    "  --lags LIST        sweep brake time constants, s\n"
    "  --gradients LIST   sweep gradients, per mille (uphill positive)\n"
    "  --offsets LIST     sweep receiver offsets behind the front, m\n"
    "  --no-sweep         run the scenario's own single stop, ignoring [sweep]\n"
    "  --jobs N           worker threads for a sweep (default: every core)\n"
    "  --quiet            no summary or table on standard output\n"
    "exit status: 0 done, 1 the plug-in could not be run, 2 bad scenario or usage\n";

struct Options {
  fs::path scenario;
  fs::path plugin;
  fs::path outDir = "tasc-sim-out";
  std::optional<fs::path> trace;
  std::optional<fs::path> chart;
  bool noTrace = false;
  bool noChart = false;
  bool noSweep = false;
  bool quiet = false;
  unsigned jobs = 0;
  SweepAxes axes;
};

struct UsageError {
  std::string message;
};

std::vector<double> parseList(std::string_view option, std::string_view text) {
  std::vector<double> values;
  const auto number = [&](std::string_view t) {
    // The whole item must be a finite number.
    const std::string item(t);
    errno = 0;
    char* end = nullptr;
    const double v = std::strtod(item.c_str(), &end);
    if (end == item.c_str() || *end != '\0' || errno == ERANGE || !std::isfinite(v)) {
      throw UsageError{std::string(option) + ": not a number: \"" + item + "\""};
    }
    return v;
  };
  if (text.find(':') != std::string_view::npos) {
    const std::size_t a = text.find(':');
    const std::size_t b = text.find(':', a + 1);
    if (b == std::string_view::npos)
      throw UsageError{std::string(option) + ": range is from:to:step"};
    const double from = number(text.substr(0, a));
    const double to = number(text.substr(a + 1, b - a - 1));
    const double step = number(text.substr(b + 1));
    if (step <= 0 || to < from || (to - from) / step > 10000) {
      throw UsageError{std::string(option) + ": bad range"};
    }
    const double count = std::floor((to - from) / step + 1e-9) + 1;
    for (int i = 0; i < static_cast<int>(count); ++i) values.push_back(from + step * i);
    return values;
  }
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t comma = text.find(',', start);
    const std::string_view item = text.substr(
        start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
    values.push_back(number(item));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return values;
}

Options parseOptions(int argc, char** argv) {
  Options o;
  std::vector<std::string_view> args(argv + 1, argv + argc);
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view a = args[i];
    auto value = [&]() -> std::string_view {
      if (i + 1 >= args.size()) throw UsageError{std::string(a) + " needs a value"};
      return args[++i];
    };
    if (a == "-h" || a == "--help") {
      std::fputs(kUsage, stdout);
      std::exit(kExitOk);
    } else if (a == "--plugin") {
      o.plugin = value();
    } else if (a == "--out") {
      o.outDir = value();
    } else if (a == "--trace") {
      o.trace = fs::path(value());
    } else if (a == "--chart") {
      o.chart = fs::path(value());
    } else if (a == "--no-trace") {
      o.noTrace = true;
    } else if (a == "--no-chart") {
      o.noChart = true;
    } else if (a == "--no-sweep") {
      o.noSweep = true;
    } else if (a == "--quiet") {
      o.quiet = true;
    } else if (a == "--jobs") {
      const std::string_view v = value();
      const std::optional<int32_t> n = tasc::parseInteger(v);
      if (!n || *n < 1 || *n > 256) throw UsageError{"--jobs: expected 1 to 256"};
      o.jobs = static_cast<unsigned>(*n);
    } else if (a == "--speeds") {
      o.axes.initialSpeed = parseList(a, value());
    } else if (a == "--dead-times") {
      o.axes.brakeDeadTime = parseList(a, value());
    } else if (a == "--lags") {
      o.axes.brakeTimeConstant = parseList(a, value());
    } else if (a == "--gradients") {
      o.axes.gradient = parseList(a, value());
    } else if (a == "--offsets") {
      o.axes.receiverOffset = parseList(a, value());
    } else if (!a.empty() && a[0] == '-') {
      throw UsageError{"unknown option " + std::string(a)};
    } else if (o.scenario.empty()) {
      o.scenario = a;
    } else {
      throw UsageError{"more than one scenario given"};
    }
  }
  return o;
}

// The plug-in of the build that holds this executable (build/tools/sim/tasc-sim
// beside build/TASC.so), else the one the build was configured with.
fs::path defaultPlugin() {
  const fs::path exe = executablePath();
  if (!exe.empty()) {
    fs::path beside = (exe.parent_path() / ".." / ".." / pluginFileName()).lexically_normal();
    std::error_code ec;
    if (fs::is_regular_file(beside, ec)) return beside;
  }
  return TASC_SIM_DEFAULT_PLUGIN;
}

fs::path defaultScenario() {
  return fs::path(TASC_SIM_SOURCE_DIR) / "examples" / "single-stop.toml";
}

bool writeText(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  return static_cast<bool>(out);
}

int runSingle(const Options& o, const Scenario& s) {
  PluginHost host(o.plugin, s.vehicleFolder);
  for (const std::string& w : host.folder().warnings())
    std::fprintf(stderr, "tasc-sim: warning: %s\n", w.c_str());
  const bool scriptsKeys = std::any_of(s.driver.events.begin(), s.driver.events.end(), [](auto& e) {
    return e.action == DriverAction::KeyDown || e.action == DriverAction::KeyUp;
  });
  if (scriptsKeys && !host.takesKeys())
    std::fprintf(stderr,
                 "tasc-sim: warning: this plug-in reads the keyboard itself; the scripted key "
                 "presses do not reach it\n");
  std::vector<FrameRow> trace;
  trace.reserve(static_cast<std::size_t>(s.maxTime * s.frameRate) + 2);
  const RunResult r = host.run(s, &trace);
  if (!o.quiet) std::fputs(formatSummary(s, r).c_str(), stdout);
  std::error_code ec;
  if ((!o.noTrace && !o.trace) || (!o.noChart && !o.chart)) fs::create_directories(o.outDir, ec);
  if (!o.noTrace) {
    const fs::path p = o.trace.value_or(o.outDir / (s.file.stem().string() + ".trace.csv"));
    if (!writeTrace(p.string(), trace)) {
      std::fprintf(stderr, "tasc-sim: cannot write %s\n", p.string().c_str());
      return kExitRunFailed;
    }
    if (!o.quiet) std::printf("trace         %s\n", p.string().c_str());
  }
  if (!o.noChart) {
    const fs::path p = o.chart.value_or(o.outDir / (s.file.stem().string() + ".svg"));
    if (!writeText(p, renderChart(s, r, trace))) {
      std::fprintf(stderr, "tasc-sim: cannot write %s\n", p.string().c_str());
      return kExitRunFailed;
    }
    if (!o.quiet) std::printf("chart         %s\n", p.string().c_str());
  }
  return kExitOk;
}

int runMatrix(const Options& o, const Scenario& s) {
  const std::vector<SweepCase> cases = expandSweep(s);
  const bool terminal = stderrIsTerminal() && !o.quiet;
  const auto progress = [&](std::size_t done, std::size_t total) {
    if (terminal && (done == total || done % 16 == 0)) {
      std::fprintf(stderr, "\r%zu/%zu stops", done, total);
      if (done == total) std::fputs("\n", stderr);
    }
  };
  const std::vector<SweepOutcome> outcomes = runSweep(s, o.plugin, cases, o.jobs, progress);
  const Accuracy a = summarizeSweep(outcomes);
  if (!o.quiet) {
    std::printf("sweep         %s (%s)\n", s.name.c_str(), s.file.string().c_str());
    std::fputs(formatAccuracy(outcomes, a).c_str(), stdout);
  }
  std::error_code ec;
  if (!o.trace) fs::create_directories(o.outDir, ec);
  const fs::path p = o.trace.value_or(o.outDir / (s.file.stem().string() + ".sweep.csv"));
  if (!o.noTrace) {
    if (!writeText(p, sweepCsv(outcomes))) {
      std::fprintf(stderr, "tasc-sim: cannot write %s\n", p.string().c_str());
      return kExitRunFailed;
    }
    if (!o.quiet) std::printf("table         %s\n", p.string().c_str());
  }
  return kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
  tasc::platform::setBinaryOutput(stdout);  // the same bytes from every build
  Options o;
  try {
    o = parseOptions(argc, argv);
  } catch (const UsageError& e) {
    std::fprintf(stderr, "tasc-sim: %s\n%s", e.message.c_str(), kUsage);
    return kExitBadInput;
  }
  if (o.scenario.empty()) o.scenario = defaultScenario();
  if (o.plugin.empty()) o.plugin = defaultPlugin();

  Scenario s;
  try {
    s = loadScenario(o.scenario);
  } catch (const ScenarioError& e) {
    std::fprintf(stderr, "tasc-sim: %s\n", e.what());
    return kExitBadInput;
  }
  // Options override the scenario's axes.
  if (!o.axes.initialSpeed.empty()) s.sweep.initialSpeed = o.axes.initialSpeed;
  if (!o.axes.brakeDeadTime.empty()) s.sweep.brakeDeadTime = o.axes.brakeDeadTime;
  if (!o.axes.brakeTimeConstant.empty()) s.sweep.brakeTimeConstant = o.axes.brakeTimeConstant;
  if (!o.axes.gradient.empty()) s.sweep.gradient = o.axes.gradient;
  if (!o.axes.receiverOffset.empty()) s.sweep.receiverOffset = o.axes.receiverOffset;

  try {
    if (!s.sweep.empty() && !o.noSweep) return runMatrix(o, s);
    return runSingle(o, s);
  } catch (const HostError& e) {
    std::fprintf(stderr, "tasc-sim: %s\n", e.what());
    return kExitRunFailed;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tasc-sim: %s\n", e.what());
    return kExitRunFailed;
  }
}
