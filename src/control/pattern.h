// Pure arithmetic of the stopping pattern and the brake command. Units: metres,
// km/h, km/h/s, seconds; commands in quarter notches.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

#include "readers/param_record.h"

namespace tasc {

// 28 quarter notches are brake notch 7.
inline constexpr double kQuarterNotchesOfB7 = 28.0;
// Highest tracking command: notch 7.
inline constexpr double kTrackingLimit = 28.0;
// Tracking compares the pattern this far (s) beyond leadTime[4] ahead.
inline constexpr double kTrackingExtraLead = 0.2;

// Pattern deceleration (km/h/s) at `remaining` metres: decelNear up to
// blendStart, decelFar from blendStart + blendLength on, straight between.
// A ratio that is not a number (e.g. 0/0 with blendLength 0) counts as 0.
inline double patternDecel(const ParamRecord& p, double remaining) noexcept {
  double ratio = (remaining - p.blendStart) / p.blendLength;
  if (!(ratio >= 0.0)) {
    ratio = 0.0;  // below 0 or NaN
  } else if (ratio > 1.0) {
    ratio = 1.0;
  }
  return (p.decelFar - p.decelNear) * ratio + p.decelNear;
}

// Speed (km/h) from which `decel` stops the train in x >= 0 metres.
// 7.2 = 2 * 3.6 for km/h, km/h/s and metres.
inline double patternSpeed(double x, double decel) noexcept {
  return std::sqrt(x * decel * 7.2);
}

// The pattern speed (km/h) at `remaining` metres with record `p`: what a
// train there may run at most. The tools show it beside the train; past the
// point it is 0.
inline double patternSpeedAt(const ParamRecord& p, double remaining) noexcept {
  return patternSpeed(remaining > 0.0 ? remaining : 0.0, patternDecel(p, remaining));
}

// Truncates toward zero into int32, saturating at the bounds; NaN gives
// `nanValue`. Never undefined, whatever the input.
inline int32_t truncToInt32(double value, int32_t nanValue) noexcept {
  if (std::isnan(value)) return nanValue;
  if (value >= 2147483648.0) return std::numeric_limits<int32_t>::max();
  if (value <= -2147483649.0) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(value);
}

// Quarter notches whose deceleration equals `decel`, truncated; NaN gives 0.
inline int32_t brakeStepsFor(double decel, double stepDecel) noexcept {
  return truncToInt32(decel / stepDecel, 0);
}

// Look-ahead test: would the train, running on at v km/h for `leadTime`
// seconds, be above the pattern? Zero or negative speeds never fire.
inline bool lookAheadFires(double v, double remaining, double leadTime, double decel) noexcept {
  double x = remaining - (v / 3.6) * leadTime;
  if (x < 0.0) x = 0.0;
  return v > patternSpeed(x, decel);
}

// Tracking command: the pattern at y = remaining + (leadTime[4] + 0.2) s of
// travel, turned into quarter notches around maxBrakeSteps, at most 28. No
// lower limit (a negative command leaves the driver's brake). NaN gives -1.
inline int32_t trackingCommand(double v, double remaining, double leadTime4, double decel,
                               double stepDecel, int32_t maxBrakeSteps) noexcept {
  double y = (leadTime4 + kTrackingExtraLead) * (v / 3.6) + remaining;
  if (y < 0.0) y = 0.0;
  double t = (v - patternSpeed(y, decel)) / stepDecel + static_cast<double>(maxBrakeSteps);
  if (t > kTrackingLimit) t = kTrackingLimit;
  return truncToInt32(t, -1);
}

// timer + step without overflow: stops at the int32 bounds.
inline int32_t addSaturated(int32_t timer, int32_t step) noexcept {
  const int64_t sum = int64_t{timer} + int64_t{step};
  if (sum > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (sum < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(sum);
}

}  // namespace tasc
