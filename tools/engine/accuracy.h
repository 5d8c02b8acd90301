// How accurate a set of stops is, said the same way by `tasc sim`'s sweep
// table, `tasc report`'s summary and `tasc tune`'s tables: the share of the
// stops within +-0.10, +-0.25, +-0.35, +-0.50 and +-1.00 m, the mean error,
// the mean |error| and the worst error.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "engine/sweep.h"

namespace tasc::engine {

// m, each limit inclusive: a stop 0.10 m out is within +-0.10 m.
inline constexpr std::array<double, 5> kAccuracyBands = {0.10, 0.25, 0.35, 0.50, 1.00};

struct Accuracy {
  std::size_t stops = 0;     // every stop counted, measured or not
  std::size_t measured = 0;  // those with an error
  std::array<std::size_t, kAccuracyBands.size()> within = {};  // per band, measured stops
  double meanError = 0;     // m, signed (positive short), over the measured stops; 0: none
  double meanAbsError = 0;  // m
  double worstError = 0;    // m, the largest magnitude, signed
  // The share of all stops within band `band` (index into kAccuracyBands), 0..1.
  double share(std::size_t band) const;
};

// `errors`: m per stop, positive short, negative overrun; NaN for a stop that
// counts but has no error (the train did not come to rest), outside every band.
Accuracy measureAccuracy(const std::vector<double>& errors);
// Over a sweep's runs: a run that did not come to rest counts, outside every band.
Accuracy sweepAccuracy(const std::vector<SweepOutcome>& outcomes);

// Which bands a table shows: the three every tool gives (+-0.10, +-0.25,
// +-0.50 m), or all five (a sweep).
enum class AccuracyRows { Main, All };
const char* accuracyRowsName(AccuracyRows rows);
bool showsBand(AccuracyRows rows, std::size_t band);

// The table for a person:
//   "  within     share    stops\n  +-0.10 m   95.0 %     19\n ...
//    mean error +0.012 m, mean |error| 0.034 m, worst -0.123 m\n"
std::string formatAccuracyTable(const Accuracy& accuracy, AccuracyRows rows);

}  // namespace tasc::engine
