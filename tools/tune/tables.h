// What `tasc tune` prints: the starting and the tuned record side by side
// over the search and the validation matrix, as text and as JSON.
#pragma once

#include <string>

#include "engine/accuracy.h"
#include "tune/search.h"

namespace tasc::tune {

// The measures of one record over both matrices; the accuracy rows are
// printed from `searchStops` and `validationStops`, as every tool says them.
struct Comparison {
  Metrics search;
  Metrics validation;
  engine::Accuracy searchStops{};
  engine::Accuracy validationStops{};
};

std::string formatTables(const Comparison& start, const Comparison& tuned, const Limits& limits);
// "leadTime[4] 0.1 -> -0.2, ..." for every variable that changed; "none".
std::string formatChanges(const ParamRecord& from, const ParamRecord& to);
// The warning, before a search, that `budget` sweeps cannot search `free`
// variables: only the start is simulated, or the design of the bounds is cut
// short. Empty when the budget is enough.
std::string budgetWarning(std::size_t budget, std::size_t free);
// Why a tune kept the starting record, after `evaluations` sweeps.
std::string unchangedReason(std::size_t budget, std::size_t free, std::size_t evaluations);
// Everything a program needs of a tune, as JSON.
struct TuneSummary {
  std::string scenario;
  std::string file;      // the parameter file
  std::size_t line = 0;  // 1-based
  ParamRecord start;
  ParamRecord tuned;
  Comparison startMeasures;
  Comparison tunedMeasures;
  Limits limits;
  std::size_t evaluations = 0;
  unsigned seed = 0;
  std::string backup;     // where --write kept the file it replaced; empty: not written
  std::string unchanged;  // why the tuned record is the start; empty when it changed
};
std::string formatJson(const TuneSummary& t);

}  // namespace tasc::tune
