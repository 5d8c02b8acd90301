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
  bool written = false;
};
std::string formatJson(const TuneSummary& t);

}  // namespace tasc::tune
