#include "tune/tune_command.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "cli/cli.h"
#include "engine/accuracy.h"
#include "engine/plugin_host.h"
#include "engine/scenario.h"
#include "engine/sweep.h"
#include "system/text.h"
#include "system/tool_system.h"
#include "tune/record_file.h"
#include "tune/search.h"
#include "tune/tables.h"
#include "tune/trial_folder.h"
#include "tune/tune_chart.h"

namespace fs = std::filesystem;

namespace tasc::tune {
namespace {

struct Options {
  std::string scenario;
  std::string vehicle;  // a fitted vehicle file, over the scenario's
  std::string plugin;
  std::optional<int32_t> record, sub, file;
  std::vector<std::string> bounds;  // NAME=LOWER:UPPER
  std::vector<std::string> fixed;   // NAME[,NAME...]
  std::optional<double> maxChanges, maxJerk;
  double extraTime = 2.0;
  std::size_t budget = 200;
  unsigned seed = 1;
  unsigned jobs = 0;
  std::string validate;
  std::string chart;
  bool write = false;
  bool json = false;
  bool quiet = false;
};

// A record or usage that cannot be tuned: exit status 2.
using BadInput = cli::InputError;

std::string keyText(const RecordKey& k) {
  return "record " + std::to_string(k.recordId) + "/" + std::to_string(k.subId) + " of file " +
         std::to_string(k.fileIndex);
}

// The record the beacons select (the last stopping beacon's), or the one
// asked for, which some stopping beacon must select.
RecordKey chooseRecord(const Options& o, const engine::Scenario& s) {
  const std::vector<RecordKey> selected = selectedRecords(s);
  if (selected.empty()) {
    throw BadInput(platform::utf8Of(s.file) +
                   ": no stopping beacon (501..503) of the vehicle's formation "
                   "selects a record");
  }
  RecordKey key = selected.back();
  if (o.record) key.recordId = *o.record;
  if (o.sub) key.subId = *o.sub;
  if (o.file) key.fileIndex = *o.file;
  for (const RecordKey& k : selected) {
    if (k == key) return key;
  }
  std::string list;
  for (const RecordKey& k : selected) list += (list.empty() ? "" : "; ") + keyText(k);
  throw BadInput(keyText(key) + " is selected by no stopping beacon of " +
                 platform::utf8Of(s.file) + " (its beacons select: " + list + ")");
}

Bounds chooseBounds(const Options& o, const engine::Scenario& s) {
  Bounds b = defaultBounds(s.vehicle.quarterDecel * 28.0);
  const auto index = [](const std::string& name) {
    const int i = variableIndex(name);
    if (i < 0) {
      throw BadInput("no variable \"" + name +
                     "\": leadTime[0]..leadTime[4], decelFar, decelNear, blendLength, blendStart");
    }
    return static_cast<std::size_t>(i);
  };
  for (const std::string& text : o.bounds) {
    const std::size_t eq = text.find('='), colon = text.find(':', eq);
    if (eq == std::string::npos || colon == std::string::npos) {
      throw BadInput("--bound " + text + ": give NAME=LOWER:UPPER");
    }
    Bound& one = b[index(text.substr(0, eq))];
    try {
      one.lower = cli::wholeDecimal("--bound", text.substr(eq + 1, colon - eq - 1));
      one.upper = cli::wholeDecimal("--bound", text.substr(colon + 1));
    } catch (const cli::UsageError& e) {
      throw BadInput(e.what());
    }
    if (one.lower > one.upper) {
      throw BadInput("--bound " + text + ": the bounds cross (lower above upper)");
    }
  }
  for (const std::string& list : o.fixed) {
    std::size_t start = 0;
    while (start <= list.size()) {
      const std::size_t comma = std::min(list.find(',', start), list.size());
      b[index(list.substr(start, comma - start))].fixed = true;
      start = comma + 1;
    }
  }
  return b;
}

engine::SweepAxes validationMatrix(const Options& o, const engine::Scenario& s) {
  if (o.validate.empty()) return validationAxes(s.sweep);
  const engine::Scenario v = engine::loadScenario(platform::pathFromUtf8(o.validate));
  if (v.sweep.empty()) throw BadInput(o.validate + ": no [sweep] matrix to validate on");
  return v.sweep;
}

struct Job {
  engine::Scenario scenario;
  RecordLine line;
  Bounds bounds{};
  engine::SweepAxes validation;
};

Job prepare(const Options& o) {
  Job job;
  job.scenario =
      engine::loadScenario(platform::pathFromUtf8(o.scenario), platform::pathFromUtf8(o.vehicle));
  if (job.scenario.sweep.empty()) {
    throw BadInput(o.scenario + ": no [sweep] matrix: the tuner searches over one");
  }
  job.line = findRecord(job.scenario.vehicleFolder, chooseRecord(o, job.scenario));
  job.bounds = chooseBounds(o, job.scenario);
  job.validation = validationMatrix(o, job.scenario);
  return job;
}

// "\r57/200 sweeps, best ..." on a terminal, with the time left at the rate so far.
Progress progressLine(const Options& o, std::chrono::steady_clock::time_point begin) {
  if (o.quiet || o.json || !platform::stderrIsTerminal()) return {};
  return [&o, begin](std::size_t done, const Candidate& best) {
    const double spent =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    const double left = spent / static_cast<double>(done) * static_cast<double>(o.budget - done);
    std::fprintf(stderr,
                 "\r%zu/%zu sweeps, best %.3f (worst %.3f m, %.1f %% within 0.10 m), "
                 "about %.0f s left   ",
                 done, o.budget, best.score.total(), best.metrics.worstAbsError,
                 100.0 * best.metrics.share10(), left);
    if (done >= o.budget) std::fputs("\n", stderr);
  };
}

// Rewrites the record's line; returns where the file it replaced is kept.
fs::path writeRecord(const RecordLine& line, const ParamRecord& tuned) {
  // The file as it is now: it may have changed during the search.
  const std::string now = readWholeFile(line.file);
  if (now != line.text)
    throw RecordError(platform::utf8Of(line.file) + " changed during the search");
  fs::path backup = backupPath(line.file);  // not const: returned by move
  writeReplacing(line.file, replaceLine(now, line.line, formatRecordLine(tuned)), backup);
  return backup;
}

void printText(const Options& o, const Job& job, const TuneSummary& t, double seconds) {
  std::printf("tune          %s (%s)\n", job.scenario.name.c_str(), o.scenario.c_str());
  std::printf("record        %d/%d, line %zu of %s\n", t.start.recordId, t.start.subId, t.line,
              t.file.c_str());
  std::printf("search        %zu sweeps of %zu stops in %.1f s (seed %u)\n", t.evaluations,
              t.startMeasures.search.runs, seconds, t.seed);
  std::fputs(formatTables(t.startMeasures, t.tunedMeasures, t.limits).c_str(), stdout);
  if (t.unchanged.empty()) {
    std::printf("changed       %s\n", formatChanges(t.start, t.tuned).c_str());
  } else {
    std::printf("changed       none (%s)\n", t.unchanged.c_str());
  }
  std::printf("start         %s\n", formatRecordLine(t.start).c_str());
  std::printf("tuned         %s\n", formatRecordLine(t.tuned).c_str());
  if (!t.backup.empty()) {
    std::printf("written       %s (the file it replaced kept as %s", t.file.c_str(),
                t.backup.c_str());
    if (t.backup != t.file + ".bak")
      std::printf("; %s.bak, of an earlier --write, left as it was", t.file.c_str());
    std::printf(")\n");
  }
}

// The stops that cannot be made, which the objective and the tables leave
// out: how many of each matrix, and the first ten with their limit.
std::string unreachableList(const std::vector<engine::SweepOutcome>& search,
                            const std::vector<engine::SweepOutcome>& validation) {
  const auto count = [](const std::vector<engine::SweepOutcome>& out) {
    return std::count_if(out.begin(), out.end(), leftOut);
  };
  if (count(search) + count(validation) == 0) return {};
  char line[400];
  std::snprintf(line, sizeof line,
                "cannot be made %td of the search matrix's %zu stops and %td of the validation's "
                "%zu: notch 7 needs more than the far beacon gives; left out of the objective "
                "and the tables:\n",
                count(search), search.size(), count(validation), validation.size());
  std::string out = line;
  int listed = 0;
  for (const auto* matrix : {&search, &validation}) {
    for (const engine::SweepOutcome& o : *matrix) {
      if (!leftOut(o) || ++listed > 10) continue;
      const model::Reach& r = o.result.reach;
      std::snprintf(line, sizeof line,
                    "              %s: %.1f km/h at the %d beacon, notch 7 needs %.1f of %.1f m "
                    "(limit %.1f km/h)\n",
                    engine::caseName(o.sweepCase).c_str(), r.speed, r.beacon, r.needed, r.given,
                    r.limitSpeed);
      out += line;
    }
  }
  return out;
}

int tune(const Options& o, const Job& job) {
  const auto begin = std::chrono::steady_clock::now();
  const engine::Scenario& s = job.scenario;
  const std::vector<engine::SweepCase> cases = engine::expandSweep(s);
  engine::Scenario v = s;
  v.sweep = job.validation;
  const std::vector<engine::SweepCase> validation = engine::expandSweep(v);
  TrialFolder trial(s.vehicleFolder, job.line, platform::pathFromUtf8(o.plugin), o.jobs);
  for (const std::string& w : trial.warnings())
    std::fprintf(stderr, "tasc tune: warning: %s\n", w.c_str());
  const auto run = [&](const std::vector<engine::SweepCase>& c, const ParamRecord& r) {
    return trial.run(s, c, r);
  };
  SearchOptions so{job.bounds, o.maxChanges, o.maxJerk, o.extraTime, o.budget, o.seed};
  const std::size_t free = freeCount(job.bounds);
  if (const std::string w = budgetWarning(o.budget, free); !w.empty()) {
    std::fprintf(stderr, "tasc tune: warning: %s\n", w.c_str());
  }
  // The accuracy rows of the stops that can be made, as every tool says them, kept from the
  // search's own sweeps: a record's sweep gives the same stops every time it runs. The starting
  // record's stops also list those that cannot be made.
  std::vector<std::pair<ParamRecord, engine::Accuracy>> swept;
  std::vector<engine::SweepOutcome> startSearch;
  const auto evaluate = [&](const ParamRecord& r) {
    std::vector<engine::SweepOutcome> out = run(cases, r);
    swept.emplace_back(r, keptAccuracy(out));
    const Metrics m = measure(out);
    if (startSearch.empty() && r == job.line.record) startSearch = std::move(out);
    return m;
  };
  const SearchResult found = search(evaluate, job.line.record, so, progressLine(o, begin));
  const auto sweptAccuracy = [&swept](const ParamRecord& r) {
    const auto it =
        std::find_if(swept.begin(), swept.end(), [&r](const auto& e) { return e.first == r; });
    return it == swept.end() ? engine::Accuracy{} : it->second;
  };
  // The record chosen is driven through the loaded plug-in; the starting
  // record, shown beside it, on the plug-in's own code, which agrees with the
  // loaded plug-in frame for frame and spares the Windows build's file reads.
  const auto startOut = run(validation, found.start.record);
  const auto tunedOut = trial.validate(s, validation, found.best.record);
  TuneSummary t{o.scenario,
                platform::utf8Of(job.line.file),
                job.line.line + 1,
                found.start.record,
                found.best.record,
                {found.start.metrics, measure(startOut)},
                {found.best.metrics, measure(tunedOut)},
                found.limits,
                found.evaluations,
                o.seed,
                {},
                {}};
  if (t.tuned == t.start) t.unchanged = unchangedReason(o.budget, free, found.evaluations);
  t.startMeasures.searchStops = sweptAccuracy(found.start.record);
  t.tunedMeasures.searchStops = sweptAccuracy(found.best.record);
  t.startMeasures.validationStops = keptAccuracy(startOut);
  t.tunedMeasures.validationStops = keptAccuracy(tunedOut);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
  if (!o.chart.empty()) {
    writeChart(o.chart, s.name, startOut, tunedOut);
  }
  if (o.write && !(t.tuned == t.start)) t.backup = platform::utf8Of(writeRecord(job.line, t.tuned));
  if (o.json) {
    std::fputs(formatJson(t).c_str(), stdout);
  } else if (!o.quiet) {
    printText(o, job, t, seconds);
    if (startSearch.empty()) startSearch = run(cases, found.start.record);
    std::fputs(unreachableList(startSearch, startOut).c_str(), stdout);
    if (!o.chart.empty()) std::printf("chart         %s\n", o.chart.c_str());
  } else {
    std::printf("%s\n", formatRecordLine(t.tuned).c_str());
  }
  return cli::kExitOk;
}

int runTune(Options o) {
  if (o.plugin.empty()) o.plugin = platform::utf8Of(engine::defaultPlugin());
  Job job;
  // A scenario or record that cannot be used is bad input here; a record
  // file that cannot be written later is a failure.
  try {
    job = prepare(o);
  } catch (const engine::ScenarioError& e) {
    throw cli::InputError(e.what());
  } catch (const RecordError& e) {
    throw cli::InputError(e.what());
  }
  for (const std::string& w : job.scenario.warnings) {
    std::fprintf(stderr, "tasc tune: warning: %s\n", w.c_str());
  }
  return tune(o, job);
}

}  // namespace

void addTuneCommand(CLI::App& tasc, int& status) {
  auto o = std::make_shared<Options>();
  CLI::App* c = tasc.add_subcommand(
      "tune",
      "Search the parameter record that SCENARIO's stopping beacons select for the one that "
      "stops best over the scenario's [sweep] matrix (each stop simulated through the plug-in), "
      "check it on a matrix the search never saw, and print both records' tables and the tuned "
      "record's line. Exit status: 0 done, 1 the plug-in could not be run or a file not be "
      "written, 2 bad scenario, record or usage.");
  c->add_option("SCENARIO", o->scenario, "scenario file (TOML) with a [sweep] table")->required();
  c->add_option("--vehicle", o->vehicle,
                "fitted vehicle file (tasc fit's vehicle.toml): its [vehicle] keys win over the "
                "scenario's own and its vehicle_file's");
  c->add_option("--plugin", o->plugin,
                "plug-in module (default: the one beside tasc or of its build)");
  c->add_option("--record", o->record, "record key to tune (default: the beacons')")
      ->check(CLI::Range(0, 31));
  c->add_option("--sub", o->sub, "sub key to tune (default: the beacons')")
      ->check(CLI::Range(0, 3));
  c->add_option("--file", o->file, "file index of the record (default: the beacons')")
      ->check(CLI::Range(0, 63));
  c->add_option("--bound", o->bounds,
                "NAME=LOWER:UPPER, bounds of a variable (repeatable); names: leadTime[0].."
                "leadTime[4] (or leadTime0..), decelFar, decelNear, blendLength, blendStart");
  c->add_option("--fix", o->fixed, "NAME[,NAME...]: variables held at the starting record's value");
  c->add_option("--max-changes", o->maxChanges,
                "brake-command changes per stop, mean (default: the starting record's)");
  c->add_option("--max-jerk", o->maxJerk, "peak jerk, km/h/s^2 (default: the starting record's)");
  c->add_option("--max-extra-time", o->extraTime,
                "s the mean time from the far beacon may grow (default: 2)");
  c->add_option("--budget", o->budget, "sweeps simulated, the start's included (default: 200)")
      ->check(CLI::Range(1, 100000));
  c->add_option("--seed", o->seed, "seed of the search (default: 1)");
  c->add_option("--jobs", o->jobs, "worker threads for a sweep (default: every core)")
      ->check(CLI::Range(1, 256));
  c->add_option(
      "--validate", o->validate,
      "scenario whose [sweep] matrix validates (default: midpoints and ends of the axes)");
  c->add_option("--chart", o->chart, "SVG of the error over each swept axis, before and after");
  c->add_flag("--write", o->write,
              "rewrite the record's line in its parameter file (the file it replaces kept as "
              "FILE.bak, or FILE.bak2, ... when FILE.bak is there: the original is never "
              "replaced)");
  c->add_flag("--json", o->json, "print the result as JSON");
  c->add_flag("--quiet", o->quiet, "print only the tuned record's line");
  c->callback([o, &status] { status = cli::runCommand("tune", [&] { return runTune(*o); }); });
}

}  // namespace tasc::tune
