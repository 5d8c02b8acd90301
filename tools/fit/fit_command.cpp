#include "fit/fit_command.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "files/files.h"
#include "fit/fit.h"
#include "fit/fit_output.h"
#include "fit/segments.h"
#include "fit/settings_edit.h"
#include "recording/reader.h"
#include "system/text.h"

namespace fs = std::filesystem;

namespace tasc::fit {
namespace {

struct Options {
  std::vector<std::string> recordings;
  fs::path outDir = "tasc-fit-out";
  std::string gradient;  // per mille; empty: fitted per stop
  fs::path b7DecFolder;  // a vehicle folder whose TASC.ini gets the fitted B7Dec; empty: none
};

// Input that cannot be fitted: exit status 2.
using BadInput = cli::InputError;

std::vector<Segment> readSegments(const Options& o) {
  std::vector<Segment> all;
  for (const std::string& name : o.recordings) {
    const recording::ReadResult read = recording::readRecordingFile(platform::pathFromUtf8(name));
    if (!read.ok) throw BadInput(read.message);
    for (const std::string& w : read.warnings) {
      std::fprintf(stderr, "tasc fit: warning: %s\n", w.c_str());
    }
    std::vector<std::string> notes;
    for (Segment& s : brakingSegments(read.recording, name, notes)) all.push_back(std::move(s));
    for (const std::string& n : notes) std::fprintf(stderr, "tasc fit: %s\n", n.c_str());
  }
  if (all.empty()) {
    throw BadInput(o.recordings.size() == 1
                       ? o.recordings.front() +
                             ": no braking segment (the brake on up to a standstill) to fit"
                       : "no braking segment (the brake on up to a standstill) to fit in any of "
                         "the " +
                             std::to_string(o.recordings.size()) + " recordings");
  }
  return all;
}

// A folder for --write-b7dec that cannot take the value: found before the
// fit, so that a mistyped folder costs no fit.
void checkB7DecFolder(const fs::path& folder) {
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) {
    throw BadInput(platform::utf8Of(folder) +
                   ": not a folder (--write-b7dec wants the vehicle folder "
                   "that holds TASC.ini)");
  }
  const fs::path ini = folder / "TASC.ini";
  if (fs::exists(ini, ec) && (!fs::is_regular_file(ini, ec) || !files::readWholeFile(ini))) {
    throw BadInput(platform::utf8Of(ini) + ":0: cannot read");
  }
}

void reportB7Dec(const fs::path& folder, const std::string& value, const B7DecChange& c) {
  const std::string ini = platform::utf8Of(folder / "TASC.ini");
  if (c.edit == B7DecEdit::Unchanged) {
    std::printf("b7dec     %s:%d: B7Dec %s already reads as %s; left as it is\n", ini.c_str(),
                c.line, c.oldValue.c_str(), value.c_str());
    return;
  }
  std::error_code ec;
  const fs::path backup = folder / "TASC.ini.bak";
  std::string how = b7DecEditName(c.edit);
  if (!c.oldValue.empty()) how += " " + c.oldValue;
  how += fs::exists(backup, ec) ? "; the first original is " + platform::utf8Of(backup)
                                : std::string("; a new file");
  std::printf("b7dec     %s:%d: B7Dec = %s (%s)\n", ini.c_str(), c.line, value.c_str(),
              how.c_str());
}

void writeOutputs(const Options& o, const std::vector<Segment>& segments, const FitResult& r,
                  bool withVehicle) {
  std::error_code ec;
  fs::create_directories(o.outDir, ec);
  if (ec) throw OutputError("cannot create " + platform::utf8Of(o.outDir) + ": " + ec.message());
  for (std::size_t k = 0; k < segments.size(); ++k) {
    const Segment& s = segments[k];
    const fs::path chart = o.outDir / platform::pathFromUtf8(s.recording)
                                          .stem()
                                          .concat("-stop" + std::to_string(s.stop) + ".svg");
    writeReplacing(chart,
                   renderOverlay(s, simulate(s, r.vehicle, r.segments[k]), r.segments[k].rms));
    std::printf("chart     %s\n", platform::utf8Of(chart).c_str());
  }
  if (!withVehicle) return;
  const fs::path vehicle = o.outDir / "vehicle.toml";
  writeReplacing(vehicle, vehicleToml(r, o.recordings));
  std::printf("vehicle   %s\n", platform::utf8Of(vehicle).c_str());
  if (o.b7DecFolder.empty()) return;
  const std::string b7 = b7DecText(r.vehicle.quarterDecel * 28.0);
  reportB7Dec(o.b7DecFolder, b7, writeB7Dec(o.b7DecFolder, b7));
}

int runFit(const Options& o) {
  FitOptions fo;
  if (!o.gradient.empty()) fo.gradient = cli::wholeDecimal("--gradient", o.gradient);
  if (!o.b7DecFolder.empty()) checkB7DecFolder(o.b7DecFolder);
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
  std::fprintf(stderr, "tasc fit: no vehicle.toml written%s\n",
               o.b7DecFolder.empty() ? "" : ", TASC.ini left as it is");
  return cli::kExitBadInput;
}

}  // namespace

void addFitCommand(CLI::App& tasc, int& status) {
  auto o = std::make_shared<Options>();
  CLI::App* c = tasc.add_subcommand(
      "fit",
      "Fit the simulator's vehicle model (b7_decel, the brake's dead time and time constant, "
      "running resistance C, and A or the gradient, the traction's time constant for approaches "
      "under power) to the braking of recordings (of the recording module or of `tasc sim "
      "--record`): the handles the plug-in returned are replayed through the model from each "
      "stop's braking start (or from just before its power cut) and its speeds compared with the "
      "recorded ones; a stop that cannot be used is left out with the reason. Prints the fitted "
      "values and each stop's RMS speed error, writes an "
      "overlay chart per stop and vehicle.toml for a scenario's vehicle_file, and with "
      "--write-b7dec the fitted b7_decel into a vehicle folder's TASC.ini. Exit status: 0 "
      "done, 1 an output could not be written, 2 a recording that cannot be read, no usable "
      "stop in any recording, a fit that does not converge, or bad usage.");
  c->add_option("RECORDING", o->recordings, "recording files")->required();
  cli::addPathOption(*c, "--out", o->outDir,
                     "folder of the charts and vehicle.toml (default: tasc-fit-out)");
  c->add_option("--gradient", o->gradient,
                "per mille, positive uphill, for every stop: then resistance_a is fitted too "
                "(default: a gradient fitted per stop, resistance_a held)");
  cli::addPathOption(
      *c, "--write-b7dec", o->b7DecFolder,
      "vehicle folder: write the fitted b7_decel into its TASC.ini as [TASCPtn] B7Dec "
      "(only that value changes; the first original is kept as TASC.ini.bak)");
  c->callback([o, &status] { status = cli::runCommand("fit", [&] { return runFit(*o); }); });
}

}  // namespace tasc::fit
