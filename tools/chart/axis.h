// The axes of the tools' charts: ticks by a nice-number rule, and the error
// range a chart shows when a few stops lie far off.
#pragma once

#include <vector>

namespace tasc::chart {

// Ticks of an axis: `count` values from `first` on, `step` apart.
struct Ticks {
  double first = 0;
  double step = 1;
  int count = 0;
  double last() const { return first + step * (count - 1); }
  double at(int k) const { return first + step * k; }
};

// The ticks of an axis that shows at least [lo, hi], stretched to whole
// steps: the smallest step of 1, 2 or 5 x 10^k with at most `most` ticks, so
// 4 to 8 of them for the default. An empty span counts as 1 around `lo`.
Ticks niceTicks(double lo, double hi, int most = 8);

// The error range (m) a chart shows: every error except those beyond
// kOutlierFactor x the 90th percentile of |error| of them all, and at least
// +-0.3 m. Not-a-number entries (stops without an error) are left out.
inline constexpr double kOutlierFactor = 3.0;
struct ErrorRange {
  double lo = -0.3;
  double hi = 0.3;
};
ErrorRange shownErrors(const std::vector<double>& errors);

}  // namespace tasc::chart
