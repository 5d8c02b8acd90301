// What `tasc tune` searches and how it ranks a record: the nine variables of a
// parameter record, their bounds, the measures of a sweep, and the objective
// that puts accuracy first, then comfort and time.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "engine/accuracy.h"
#include "engine/sweep.h"
#include "readers/param_record.h"

namespace tasc::tune {

// The record's columns 2..10: the five lead times, decelFar, decelNear,
// blendLength, blendStart. Variable i is column i + 2.
inline constexpr std::size_t kVariableCount = 9;
inline constexpr std::size_t kFirstVariableColumn = 2;

// The column name of variable i ("leadTime[0]" ... "blendStart").
const char* variableName(std::size_t i);
// Variable i of a name: the column name, with or without its brackets
// ("leadTime[4]", "leadTime4"); -1 when there is none.
int variableIndex(std::string_view name);
double variable(const ParamRecord& record, std::size_t i);
void setVariable(ParamRecord& record, std::size_t i, double value);
// The step a variable is searched at: 0.01 s, 0.01 km/h/s, 0.1 m, 0.01 m. The
// record written holds the value at that step, so what was simulated is what
// the file says.
double variableStep(std::size_t i);
double onStep(std::size_t i, double value);

struct Bound {
  double lower = 0;
  double upper = 0;
  bool fixed = false;  // held at the starting record's value
};
using Bounds = std::array<Bound, kVariableCount>;

// The default bounds for a vehicle whose notch 7 gives `b7Decel` km/h/s (see
// the README, "Tuning a vehicle", for why each).
Bounds defaultBounds(double b7Decel);

// The measures of one sweep that the objective reads.
struct Metrics {
  std::size_t runs = 0;          // the stops that can be made; the rest are left out
  std::size_t cannotBeMade = 0;  // notch 7 needs more than the far beacon gives
  std::size_t stopped = 0;
  std::size_t within10 = 0;  // stops within +-0.10 m
  std::size_t within25 = 0;  // stops within +-0.25 m
  double worstAbsError = 0;  // m; a run that did not stop counts kNoStopError
  double meanError = 0;      // m, signed, over the stops
  double meanAbsError = 0;   // m
  double p95AbsError = 0;    // m, 95 % of the runs end within it (not stopped: kNoStopError)
  double meanChanges = 0;    // brake-command changes per stop
  double peakJerk = 0;       // km/h/s^2, the largest of any stop
  double meanTime = 0;       // s from the first stopping beacon to the stop
  double share10() const;    // 0..1
  double share25() const;
};
inline constexpr double kNoStopError = 5.0;  // m counted for a run that did not come to rest

// Whether a stop is left out of the measures: one that cannot be made, which
// no record can stop on the mark.
bool leftOut(const engine::SweepOutcome& outcome);

Metrics measure(const std::vector<engine::SweepOutcome>& outcomes);
// The accuracy rows of the stops that can be made, as `tasc sim`'s sweep table
// gives them: the stops left out count in no share.
engine::Accuracy keptAccuracy(const std::vector<engine::SweepOutcome>& outcomes);

// What a tuned record may cost beyond the starting record.
struct Limits {
  double maxChanges = 0;  // brake-command changes per stop, mean
  double maxJerk = 0;     // km/h/s^2
  double maxTime = 0;     // s from the first stopping beacon, mean
};
// By default: no more changes and no higher peak jerk than the start, at most
// `extraTime` s longer.
Limits startLimits(const Metrics& start, double extraTime = 2.0);

// Lower is better. accuracy = worst |error| + share of stops outside
// +-0.10 m (0..1) + |mean error| + mean |error|, in metres or metre-like
// units; each limit passed adds kLimitPenalty plus its relative excess, and so
// do lead times that do not fall (plus their rise in s): no accuracy gain pays
// for them. Comfort and time break ties with weights of a hundredth: changes,
// peak jerk and time, each relative to its limit.
inline constexpr double kLimitPenalty = 1000.0;
struct Score {
  double accuracy = 0;
  double penalty = 0;
  double comfort = 0;
  double total() const { return accuracy + penalty + comfort; }
};
Score score(const Metrics& m, const Limits& limits, const ParamRecord& record);

// The matrix the search never sees: on every axis the midpoints between its
// values and its two ends (an axis of one value keeps it).
engine::SweepAxes validationAxes(const engine::SweepAxes& axes);

}  // namespace tasc::tune
