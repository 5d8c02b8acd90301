// Sweeps: the scenario run over a matrix of initial speeds, brake dead times
// and lags, gradients and receiver offsets, on every core.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "engine/run.h"
#include "engine/scenario.h"

namespace tasc::engine {

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

}  // namespace tasc::engine
