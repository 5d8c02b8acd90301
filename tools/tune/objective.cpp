#include "tune/objective.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "readers/param_lines.h"

namespace tasc::tune {

const char* variableName(std::size_t i) {
  return columnName(i + kFirstVariableColumn);
}

int variableIndex(std::string_view name) {
  for (std::size_t i = 0; i < kVariableCount; ++i) {
    const std::string_view full = variableName(i);
    std::string bare;
    for (char c : full) {
      if (c != '[' && c != ']') bare += c;
    }
    if (name == full || name == bare) return static_cast<int>(i);
  }
  return -1;
}

double variable(const ParamRecord& r, std::size_t i) {
  return columnValue(r, i + kFirstVariableColumn);
}

void setVariable(ParamRecord& r, std::size_t i, double value) {
  setColumnValue(r, i + kFirstVariableColumn, value);
}

double variableStep(std::size_t i) {
  return i == 7 ? 0.1 : 0.01;
}

double onStep(std::size_t i, double value) {
  // Through the decimal text, so that the value is the one a file line reads.
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", i == 7 ? 1 : 2, value);
  const double v = std::strtod(text, nullptr);
  return v == 0 ? 0.0 : v;  // no "-0" in a file
}

Bounds defaultBounds(double b7Decel) {
  // Decelerations leave notch 7 room for a 10 per mille downhill (0.35 km/h/s)
  // and for the lag of the brake; below 1.5 km/h/s the approach crawls.
  const double decelTop = std::max(1.6, onStep(5, b7Decel - 0.35));
  return {{
      {1.5, 6.0},       // power cut: before the first brake step, not seconds early
      {1.0, 4.5},       // step to notch 8 quarters
      {0.5, 3.0},       // step to 1/3 of the pattern deceleration
      {0.0, 1.5},       // step to 1/2
      {-0.5, 0.5},      // change to tracking: up to half a second after the pattern
      {1.5, decelTop},  // decelFar
      {1.2, decelTop},  // decelNear
      {10.0, 120.0},    // blendLength: within the 149 m of the far beacon
      {0.0, 5.0},       // blendStart: the last metres, where the near beacon rules
  }};
}

double Metrics::share10() const {
  return runs ? static_cast<double>(within10) / static_cast<double>(runs) : 0.0;
}

double Metrics::share25() const {
  return runs ? static_cast<double>(within25) / static_cast<double>(runs) : 0.0;
}

bool leftOut(const engine::SweepOutcome& outcome) {
  return outcome.result.reach.cannotBeMade();
}

namespace {

// The errors of the stops that can be made, as the sweep tables measure them:
// NaN for a run that did not come to rest.
std::vector<double> keptErrors(const std::vector<engine::SweepOutcome>& outcomes) {
  std::vector<double> errors;
  for (const engine::SweepOutcome& o : outcomes) {
    if (!leftOut(o)) errors.push_back(o.result.stopped ? o.result.stopError : std::nan(""));
  }
  return errors;
}

// The bands the objective reads, found in the table's own bands (at compile
// time: a limit the table lacks does not build).
constexpr std::size_t band(double limit) {
  std::size_t b = 0;
  while (engine::kAccuracyBands.at(b) != limit) ++b;
  return b;
}
constexpr std::size_t kBand10 = band(0.10), kBand25 = band(0.25);

}  // namespace

Metrics measure(const std::vector<engine::SweepOutcome>& outcomes) {
  const engine::Accuracy a = engine::measureAccuracy(keptErrors(outcomes));
  Metrics m;
  m.runs = a.stops;
  m.cannotBeMade = outcomes.size() - a.stops;
  m.stopped = a.measured;
  m.within10 = a.within[kBand10];
  m.within25 = a.within[kBand25];
  m.meanError = a.meanError;
  m.meanAbsError = a.meanAbsError;
  double changes = 0, time = 0;
  std::vector<double> abs;
  for (const engine::SweepOutcome& o : outcomes) {
    if (leftOut(o)) continue;
    const engine::RunResult& r = o.result;
    changes += r.brakeChanges;
    m.peakJerk = std::max(m.peakJerk, r.peakJerk);
    abs.push_back(r.stopped ? std::fabs(r.stopError) : kNoStopError);
    m.worstAbsError = std::max(m.worstAbsError, abs.back());
    if (r.stopped && r.firstBeaconMs >= 0 && r.stopMs >= 0) {
      time += (r.stopMs - r.firstBeaconMs) / 1000.0;
    }
  }
  if (m.stopped > 0) m.meanTime = time / static_cast<double>(m.stopped);
  if (m.runs > 0) {
    m.meanChanges = changes / static_cast<double>(m.runs);
    // The smallest |error| that 95 % of the runs stay within.
    const std::size_t k = (m.runs * 95 + 99) / 100 - 1;
    std::nth_element(abs.begin(), abs.begin() + static_cast<std::ptrdiff_t>(k), abs.end());
    m.p95AbsError = abs[k];
  }
  return m;
}

engine::Accuracy keptAccuracy(const std::vector<engine::SweepOutcome>& outcomes) {
  return engine::measureAccuracy(keptErrors(outcomes));
}

Limits startLimits(const Metrics& start, double extraTime) {
  return {start.meanChanges, start.peakJerk, start.meanTime + extraTime};
}

namespace {

// 0 within the limit; else kLimitPenalty plus the relative excess, so that a
// record past a limit ranks below every record within them, and of two past
// it the nearer one ranks first.
double overLimit(double value, double limit) {
  if (value <= limit) return 0;
  return kLimitPenalty + (value - limit) / std::max(std::fabs(limit), 1e-9);
}

double relative(double value, double limit) {
  return limit > 0 ? value / limit : value;
}

}  // namespace

Score score(const Metrics& m, const Limits& limits, const ParamRecord& record) {
  Score s;
  s.accuracy = m.worstAbsError + m.p95AbsError + (1.0 - m.share10()) + std::fabs(m.meanError);
  s.penalty = overLimit(m.meanChanges, limits.maxChanges) + overLimit(m.peakJerk, limits.maxJerk) +
              overLimit(m.meanTime, limits.maxTime);
  for (std::size_t i = 0; i + 1 < static_cast<std::size_t>(kLeadTimeCount); ++i) {
    const double rise = record.leadTime[i + 1] - record.leadTime[i];
    if (rise > 0) s.penalty += kLimitPenalty + rise;
  }
  s.comfort = 0.01 * (relative(m.meanChanges, limits.maxChanges) +
                      relative(m.peakJerk, limits.maxJerk) + relative(m.meanTime, limits.maxTime));
  return s;
}

engine::SweepAxes validationAxes(const engine::SweepAxes& axes) {
  const auto between = [](std::vector<double> v) {
    std::sort(v.begin(), v.end());
    v.erase(std::unique(v.begin(), v.end()), v.end());
    if (v.size() < 2) return v;
    std::vector<double> out{v.front()};
    for (std::size_t i = 0; i + 1 < v.size(); ++i) out.push_back(0.5 * (v[i] + v[i + 1]));
    out.push_back(v.back());
    return out;
  };
  return {between(axes.initialSpeed), between(axes.brakeDeadTime), between(axes.brakeTimeConstant),
          between(axes.gradient), between(axes.receiverOffset)};
}

}  // namespace tasc::tune
