#include "fit/fit_command.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "fit/fit.h"
#include "fit/fit_output.h"
#include "fit/segments.h"
#include "recording/reader.h"

namespace fs = std::filesystem;

namespace tasc::fit {
namespace {

struct Options {
  std::vector<std::string> recordings;
  fs::path outDir = "tasc-fit-out";
  std::string gradient;  // per mille; empty: fitted per stop
};

// Input that cannot be fitted: exit status 2.
using BadInput = cli::InputError;

std::vector<Segment> readSegments(const Options& o) {
  std::vector<Segment> all;
  for (const std::string& name : o.recordings) {
    const recording::ReadResult read = recording::readRecordingFile(name);
    if (!read.ok) throw BadInput(read.message);
    for (const std::string& w : read.warnings) {
      std::fprintf(stderr, "tasc fit: warning: %s\n", w.c_str());
    }
    std::vector<std::string> notes;
    std::vector<Segment> found = brakingSegments(read.recording, name, notes);
    for (const std::string& n : notes) std::fprintf(stderr, "tasc fit: %s\n", n.c_str());
    if (found.empty()) {
      throw BadInput(name + ": no braking segment (the brake on up to a standstill) to fit");
    }
    for (Segment& s : found) all.push_back(std::move(s));
  }
  return all;
}

void writeOutputs(const Options& o, const std::vector<Segment>& segments, const FitResult& r,
                  bool withVehicle) {
  std::error_code ec;
  fs::create_directories(o.outDir, ec);
  if (ec) throw OutputError("cannot create " + o.outDir.string() + ": " + ec.message());
  for (std::size_t k = 0; k < segments.size(); ++k) {
    const Segment& s = segments[k];
    const fs::path chart = o.outDir / (fs::path(s.recording).stem().string() + "-stop" +
                                       std::to_string(s.stop) + ".svg");
    writeReplacing(
        chart,
        renderOverlay(s, simulate(s, r.vehicle, r.segments[k].gradient, r.segments[k].startSpeed),
                      r.segments[k].rms));
    std::printf("chart     %s\n", chart.string().c_str());
  }
  if (!withVehicle) return;
  const fs::path vehicle = o.outDir / "vehicle.toml";
  writeReplacing(vehicle, vehicleToml(r, o.recordings));
  std::printf("vehicle   %s\n", vehicle.string().c_str());
}

int runFit(const Options& o) {
  FitOptions fo;
  if (!o.gradient.empty()) fo.gradient = cli::wholeDecimal("--gradient", o.gradient);
  const std::vector<Segment> segments = readSegments(o);
  fo.start.brakeNotches = segments.front().brakeNotches;
  const FitResult r = fitVehicle(segments, fo);
  std::printf("fit       %zu stop(s) from %zu recording(s), %s; %zu evaluations\n", segments.size(),
              o.recordings.size(), fo.gradient ? "gradient given" : "gradient fitted per stop",
              r.evaluations);
  std::fputs(formatTable(segments, r).c_str(), stdout);
  const bool converged = r.failures.empty();
  writeOutputs(o, segments, r, converged);  // OutputError: exit status 1
  if (converged) return cli::kExitOk;
  for (const std::string& why : r.failures) {
    std::fprintf(stderr, "tasc fit: the fit did not converge: %s\n", why.c_str());
  }
  std::fprintf(stderr, "tasc fit: no vehicle.toml written\n");
  return cli::kExitBadInput;
}

}  // namespace

void addFitCommand(CLI::App& tasc, int& status) {
  auto o = std::make_shared<Options>();
  CLI::App* c = tasc.add_subcommand(
      "fit",
      "Fit the simulator's vehicle model (b7_decel, the brake's dead time and time constant, "
      "running resistance A and C or the gradient) to the braking of recordings (of the recording "
      "module or of `tasc sim --record`): the brake commands the plug-in returned are replayed "
      "through the model from each stop's braking start and its speeds compared with the "
      "recorded ones. Prints the fitted values and each stop's RMS speed error, writes an "
      "overlay chart per stop and vehicle.toml for a scenario's vehicle_file. Exit status: 0 "
      "done, 1 an output could not be written, 2 a recording that cannot be read or has no "
      "braking, a fit that does not converge, or bad usage.");
  c->add_option("RECORDING", o->recordings, "recording files")->required();
  c->add_option("--out", o->outDir,
                "folder of the charts and vehicle.toml (default: tasc-fit-out)");
  c->add_option("--gradient", o->gradient,
                "per mille, positive uphill, for every stop: then resistance_a and resistance_c "
                "are fitted (default: a gradient fitted per stop, the resistance held)");
  c->callback([o, &status] { status = cli::runCommand("fit", [&] { return runFit(*o); }); });
}

}  // namespace tasc::fit
