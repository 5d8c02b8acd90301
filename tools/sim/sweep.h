// Sweeps: the scenario run over a matrix of initial speeds, brake dead times
// and lags, gradients and receiver offsets, on every core, with the accuracy
// of the stops.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "sim/run.h"
#include "sim/scenario.h"

namespace tasc::sim {

struct SweepCase {
  double initialSpeed = 0;       // km/h
  double brakeDeadTime = 0;      // s
  double brakeTimeConstant = 0;  // s
  double gradient = 0;           // per mille
  double receiverOffset = 0;     // m
};

struct SweepOutcome {
  SweepCase sweepCase;
  RunResult result;
};

// The cartesian product of the axes, the scenario's own value for an empty
// axis; the last axis (receiver offset) varies fastest.
std::vector<SweepCase> expandSweep(const Scenario& scenario);
Scenario applyCase(const Scenario& scenario, const SweepCase& c);
std::string caseName(const SweepCase& c);

// Runs every case on `jobs` threads (0: every core), one plug-in instance per
// thread. `progress(done, total)` is called from the workers, serialised.
// Throws HostError when a plug-in instance cannot be created. With
// `recordDir`, each stop is recorded into it (recordingName).
std::vector<SweepOutcome> runSweep(const Scenario& scenario, const std::filesystem::path& plugin,
                                   const std::vector<SweepCase>& cases, unsigned jobs,
                                   const std::function<void(std::size_t, std::size_t)>& progress,
                                   const std::filesystem::path& recordDir = {});
// The recording of a sweep's case `index` (from 0): NAME-0001.csv and so on.
std::string recordingName(const Scenario& scenario, std::size_t index);

struct Accuracy {
  std::size_t runs = 0;
  std::size_t stopped = 0;     // came to rest
  std::size_t within[4] = {};  // |error| <= 0.25, 0.35, 0.5, 1.0 m (stopped only)
  double meanError = 0;        // m, signed, stopped only
  double meanAbsError = 0;
  double worstError = 0;                // m, largest magnitude, signed
  std::vector<std::size_t> worstCases;  // indices, largest magnitude first (did-not-stop first)
};
inline constexpr double kAccuracyBands[4] = {0.25, 0.35, 0.5, 1.0};

Accuracy summarizeSweep(const std::vector<SweepOutcome>& outcomes, std::size_t worstCount = 5);
std::string formatAccuracy(const std::vector<SweepOutcome>& outcomes, const Accuracy& a);
std::string sweepCsv(const std::vector<SweepOutcome>& outcomes);

}  // namespace tasc::sim
