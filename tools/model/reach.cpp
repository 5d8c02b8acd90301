#include "model/reach.h"

#include <algorithm>
#include <cmath>

#include "model/train.h"

namespace tasc::model {
namespace {

// g per mille of gradient in km/h/s, as the train moves.
constexpr double kGradeKmhPerSecPerMille = 9.80665 * 3.6 / 1000.0;
// A 2 ms step: the dead time lands within a step by its share, the lags step
// as backward Euler (as the train does), so the distance is within a
// centimetre of the continuous one and the same bits on every build.
constexpr double kStep = 0.002;    // s
constexpr double kMaxTime = 600;   // s; a train still moving then is not stopped by notch 7
constexpr double kTopSpeed = 400;  // km/h searched

double lagShare(double timeConstant) {
  return timeConstant <= 0 ? 1.0 : kStep / (timeConstant + kStep);
}

// Notch 7 as the vehicle applies it: the emergency brake on a vehicle with
// fewer service notches.
double notch7Decel(const VehicleModel& v) {
  const int32_t quarters = decodeBrakeNotch(7, v.brakeNotches);
  return quarters < 0 ? v.emergencyDecel : quarters * v.quarterDecel;
}

// The steady traction of `notch` at `speed`, as the train starts with it.
double tractionAt(const VehicleModel& v, int32_t notch, double speed) {
  if (notch <= 0) return 0;
  const int32_t top = std::min(notch, v.powerNotches);
  const double full =
      v.powerAccel.empty()
          ? 0.6 * top
          : v.powerAccel[static_cast<std::size_t>(
                std::min<int32_t>(top, static_cast<int32_t>(v.powerAccel.size())) - 1)];
  return speed <= v.powerKneeSpeed ? full : full * v.powerKneeSpeed / speed;
}

}  // namespace

double notch7Distance(const VehicleModel& v, const ApproachState& at, double speedKmh,
                      double limitM) {
  if (!(speedKmh > 0)) return 0;
  const double full = notch7Decel(v);
  const double grade = at.gradient * kGradeKmhPerSecPerMille;
  const double brakeShare = lagShare(v.brakeTimeConstant);
  const double powerShare = lagShare(v.powerTimeConstant);
  const double dead = std::max(v.brakeDeadTime, 0.0);
  double traction = tractionAt(v, at.powerNotch, speedKmh);
  double brake = 0, x = 0, speed = speedKmh;
  for (int64_t k = 0; static_cast<double>(k) * kStep < kMaxTime; ++k) {
    const double t = static_cast<double>(k) * kStep;
    // The share of this step that lies after the dead time.
    const double after = std::clamp((t + kStep - dead) / kStep, 0.0, 1.0);
    brake += (full * after - brake) * brakeShare;
    traction -= traction * powerShare;
    const double resistance = v.resistanceA + v.resistanceB * speed + v.resistanceC * speed * speed;
    const double accel = traction - brake - resistance - grade;
    const double next = speed + accel * kStep;
    if (next <= 0) return x + speed / 3.6 * (speed / -accel) / 2.0;
    x += (speed + next) / 2.0 / 3.6 * kStep;
    speed = next;
    if (x > limitM) return x;
  }
  return std::numeric_limits<double>::infinity();
}

double notch7LimitSpeed(const VehicleModel& v, const ApproachState& at, double distanceM) {
  const auto stops = [&](double speed) {
    return notch7Distance(v, at, speed, distanceM) <= distanceM;
  };
  if (stops(kTopSpeed)) return kTopSpeed;
  double lo = 0, hi = kTopSpeed;  // stops from lo, not from hi
  while (hi - lo > 0.001) {
    const double mid = (lo + hi) / 2.0;
    (stops(mid) ? lo : hi) = mid;
  }
  return lo;
}

Reach assessReach(const VehicleModel& v, const ApproachState& at, int32_t beacon, double speedKmh,
                  double givenM) {
  Reach r;
  r.known = true;
  r.beacon = beacon;
  r.speed = speedKmh;
  r.given = givenM;
  r.needed = notch7Distance(v, at, speedKmh);
  r.limitSpeed = notch7LimitSpeed(v, at, givenM);
  return r;
}

}  // namespace tasc::model
