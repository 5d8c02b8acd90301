#include "engine/accuracy.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace tasc::engine {

double Accuracy::share(std::size_t band) const {
  if (stops == 0 || band >= within.size()) return 0.0;
  return static_cast<double>(within[band]) / static_cast<double>(stops);
}

Accuracy measureAccuracy(const std::vector<double>& errors) {
  Accuracy a;
  a.stops = errors.size();
  double sum = 0, sumAbs = 0;
  for (const double e : errors) {
    if (std::isnan(e)) continue;
    ++a.measured;
    sum += e;
    sumAbs += std::fabs(e);
    for (std::size_t b = 0; b < kAccuracyBands.size(); ++b) {
      if (std::fabs(e) <= kAccuracyBands[b]) ++a.within[b];
    }
    // The first of equal magnitudes stays: the same worst whatever the order of ties.
    if (std::fabs(e) > std::fabs(a.worstError)) a.worstError = e;
  }
  if (a.measured > 0) {
    a.meanError = sum / static_cast<double>(a.measured);
    a.meanAbsError = sumAbs / static_cast<double>(a.measured);
  }
  return a;
}

Accuracy sweepAccuracy(const std::vector<SweepOutcome>& outcomes) {
  std::vector<double> errors;
  errors.reserve(outcomes.size());
  for (const SweepOutcome& o : outcomes) {
    errors.push_back(o.result.stopped ? o.result.stopError
                                      : std::numeric_limits<double>::quiet_NaN());
  }
  return measureAccuracy(errors);
}

const char* accuracyRowsName(AccuracyRows rows) {
  switch (rows) {
    case AccuracyRows::Main:
      return "main";
    case AccuracyRows::All:
      return "all";
  }
  return "?";
}

bool showsBand(AccuracyRows rows, std::size_t band) {
  if (band >= kAccuracyBands.size()) return false;
  if (rows == AccuracyRows::All) return true;
  const double limit = kAccuracyBands[band];
  return limit == 0.10 || limit == 0.25 || limit == 0.50;
}

std::string formatAccuracyTable(const Accuracy& a, AccuracyRows rows) {
  std::string out = "  within     share    stops\n";
  char line[160];
  for (std::size_t b = 0; b < kAccuracyBands.size(); ++b) {
    if (!showsBand(rows, b)) continue;
    std::snprintf(line, sizeof line, "  +-%.2f m  %5.1f %%  %5zu\n", kAccuracyBands[b],
                  100.0 * a.share(b), a.within[b]);
    out += line;
  }
  std::snprintf(line, sizeof line, "  mean error %+.3f m, mean |error| %.3f m, worst %+.3f m\n",
                a.meanError, a.meanAbsError, a.worstError);
  return out + line;
}

}  // namespace tasc::engine
