#include "chart/axis.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "chart/svg.h"

namespace tasc::chart {

Ticks niceTicks(double lo, double hi, int most) {
  if (!std::isfinite(lo) || !std::isfinite(hi)) lo = hi = 0;
  if (!(hi > lo)) {
    lo -= 0.5;
    hi = lo + 1;
  }
  most = std::max(most, 2);
  double step = svg::tickStep(hi - lo, most - 1);
  for (;;) {
    // Counted in steps, so that a tick on the end is not lost to rounding.
    const double first = std::floor(lo / step + 1e-9);
    const double last = std::ceil(hi / step - 1e-9);
    if (last - first + 1 <= most) return {first * step, step, static_cast<int>(last - first) + 1};
    step = svg::tickStep(step * 1.5, 1);  // the next of 1, 2, 5 x 10^k
  }
}

ErrorRange shownErrors(const std::vector<double>& errors) {
  std::vector<double> abs;
  for (double e : errors) {
    if (std::isfinite(e)) abs.push_back(std::fabs(e));
  }
  ErrorRange r;
  if (abs.empty()) return r;
  const std::size_t k = (abs.size() * 9 + 9) / 10 - 1;  // the 90th percentile
  std::nth_element(abs.begin(), abs.begin() + static_cast<std::ptrdiff_t>(k), abs.end());
  const double limit = std::max(r.hi, kOutlierFactor * abs[k]);
  for (double e : errors) {
    if (std::isfinite(e) && std::fabs(e) <= limit) {
      r.lo = std::min(r.lo, e);
      r.hi = std::max(r.hi, e);
    }
  }
  return r;
}

}  // namespace tasc::chart
