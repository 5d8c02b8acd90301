// The search: NLopt's controlled random search with local mutation (CRS2-LM,
// a global method; its population the starting record and n random points)
// over the free variables within their bounds, then a Nelder-Mead polish from
// the best point found, restarted with smaller steps while budget is left. The
// budget counts simulated sweeps. Deterministic for a seed, and the same on
// every system: neither method sorts with the C library's qsort, whose order
// of ties differs between systems (subplex does, and tasc.exe then searched
// elsewhere than tasc).
#pragma once

#include <cstddef>
#include <functional>
#include <optional>

#include "tune/objective.h"

namespace tasc::tune {

struct Candidate {
  ParamRecord record;
  Metrics metrics;
  Score score;
};

struct SearchOptions {
  Bounds bounds{};
  std::optional<double> maxChanges;  // limits; by default the starting record's
  std::optional<double> maxJerk;
  double extraTime = 2.0;    // s the mean time may grow over the start's
  std::size_t budget = 200;  // simulated sweeps, the start's included
  unsigned seed = 1;
};

struct SearchResult {
  Candidate start;
  Candidate best;
  Limits limits;
  std::size_t evaluations = 0;  // sweeps simulated
};

// The sweep of a record, measured: the simulation, or a stand-in in tests.
using Evaluate = std::function<Metrics(const ParamRecord&)>;
// Called after every simulated sweep with the count so far and the best.
using Progress = std::function<void(std::size_t evaluations, const Candidate& best)>;

// Searches from `start` (its fixed variables kept, the others taken at their
// step within the bounds). What `evaluate` throws is passed on.
SearchResult search(const Evaluate& evaluate, const ParamRecord& start, const SearchOptions& o,
                    const Progress& progress = {});

// The variables not fixed.
std::size_t freeCount(const Bounds& bounds);
// The sweeps of a budget that go to the global phase: two fifths, rounded.
std::size_t globalSweeps(std::size_t budget);
// The least budget whose global phase completes for `free` variables: its
// population of free + 1 points and as many trials; 1 when all are fixed.
std::size_t neededBudget(std::size_t free);

// Whether the five lead times are free with falling bounds: then a point's
// lead times are sorted, largest first.
bool leadTimesSortable(const Bounds& bounds);
// The record that point `x` of the free variables stands for.
ParamRecord recordAt(const ParamRecord& start, const Bounds& bounds, const double* x);

}  // namespace tasc::tune
