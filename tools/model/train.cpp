#include "model/train.h"

#include <algorithm>
#include <cmath>

namespace tasc::model {

namespace {
// g per mille of gradient in km/h/s: 9.80665 m/s^2 / 1000 * 3.6.
constexpr double kGradeKmhPerSecPerMille = 9.80665 * 3.6 / 1000.0;
// The first-order lags step as backward Euler: y += dt / (tau + dt) * (u - y).
// One division, correctly rounded everywhere, where 1 - exp(-dt / tau) would
// depend on each system's exp and break the bit-for-bit equality of the
// POSIX and Windows builds; it is stable for any step.
double lagStep(int32_t stepMs, double timeConstant) {
  if (timeConstant <= 0) return 1.0;
  const double dt = stepMs / 1000.0;
  return dt / (timeConstant + dt);
}

}  // namespace

int32_t decodeBrakeNotch(int32_t notch, int32_t brakeNotches) {
  if (notch <= 0) return 0;
  if (notch <= brakeNotches && notch <= 10) return 4 * notch;
  if (notch >= 11) {
    const int32_t m = notch - 11;
    const int32_t quarters = 4 * (m / 3) + (m % 3) + 1;
    return std::min(quarters, 4 * brakeNotches);
  }
  return -1;
}

bool notchBeyond(int32_t notch, int32_t brakeNotches) {
  if (notch <= brakeNotches) return false;
  if (notch < 11) return true;
  const int32_t m = notch - 11;
  return 4 * (m / 3) + (m % 3) + 1 > 4 * brakeNotches;
}

Train::Train(const VehicleModel& vehicle, double gradientPerMille, double speedKmh,
             double positionM)
    : vehicle_(vehicle),
      gradeDecel_(gradientPerMille * kGradeKmhPerSecPerMille),
      position_(positionM),
      speed_(speedKmh) {
  targets_.reserve(256);
  targets_.push_back({-1000000, -1000000, 0.0});
}

double Train::commandedDecel(int32_t quarters) const {
  return quarters < 0 ? vehicle_.emergencyDecel : quarters * vehicle_.quarterDecel;
}

void Train::setHandles(int32_t brakeNotch, int32_t powerNotch, int32_t reverser, int32_t nowMs) {
  quarters_ = decodeBrakeNotch(brakeNotch, vehicle_.brakeNotches);
  powerNotch_ = std::clamp(powerNotch, 0, vehicle_.powerNotches);
  reverser_ = reverser;
  const double decel = commandedDecel(quarters_);
  if (decel != targets_.back().decel) {
    // Drop what the dead time no longer reaches, keeping the one in force.
    const double dead = deadMs();
    std::size_t keep = 0;
    while (keep + 1 < targets_.size() && targets_[keep + 1].timeMs <= nowMs - dead) ++keep;
    if (keep > 0) targets_.erase(targets_.begin(), targets_.begin() + static_cast<long>(keep));
    targets_.push_back({nowMs, called_ ? lastCallMs_ : nowMs, decel});
  }
  lastCallMs_ = nowMs;
  called_ = true;
}

// The dead time in ms; within a millionth of a whole ms it is that whole ms,
// so that 0.3 s is 300 ms exactly and whole-frame dead times step as before.
double Train::deadMs() const {
  const double ms = vehicle_.brakeDeadTime * 1000.0;
  const double whole = std::round(ms);
  return std::fabs(ms - whole) < 1e-6 ? whole : ms;
}

// The target in force at `atMs` of command time. A change is known only at
// the call that saw it; when `atMs` falls strictly between that call and the
// one before, the target is interpolated between the two. So the response
// moves continuously with the dead time instead of in whole frames (a fit
// needs that), and a dead time that lands on a call time gives the plain
// target.
double Train::delayedTarget(double atMs) const {
  std::size_t i = 0;
  while (i + 1 < targets_.size() && targets_[i + 1].timeMs <= atMs) ++i;
  const double decel = targets_[i].decel;
  if (i + 1 == targets_.size()) return decel;
  const Target& next = targets_[i + 1];
  if (atMs <= next.previousMs || next.timeMs <= next.previousMs) return decel;
  const double share = (atMs - next.previousMs) / (next.timeMs - next.previousMs);
  return decel + share * (next.decel - decel);
}

double Train::lagFactor(int32_t stepMs) const {
  return lagStep(stepMs, vehicle_.brakeTimeConstant);
}

double Train::powerLagFactor(int32_t stepMs) const {
  return lagStep(stepMs, vehicle_.powerTimeConstant);
}

void Train::advance(int32_t stepMs, int32_t nowMs) {
  if (stepMs <= 0) return;
  const double dt = stepMs / 1000.0;
  const double target = delayedTarget(nowMs + stepMs - deadMs());
  brakeDecel_ += (target - brakeDecel_) * lagFactor(stepMs);

  double powerTarget = 0;
  if (powerNotch_ > 0 && reverser_ == 1) {
    const double full = vehicle_.powerAccel[static_cast<std::size_t>(powerNotch_ - 1)];
    const double v = std::max(speed_, 0.0);
    powerTarget = v <= vehicle_.powerKneeSpeed ? full : full * vehicle_.powerKneeSpeed / v;
  }
  if (!powerStarted_) {
    powerAccel_ = powerTarget;  // the run starts with the traction already built up
    powerStarted_ = true;
  } else {
    powerAccel_ += (powerTarget - powerAccel_) * powerLagFactor(stepMs);
  }
  const double power = powerAccel_;
  const double v = speed_;
  const double resistance =
      vehicle_.resistanceA + vehicle_.resistanceB * v + vehicle_.resistanceC * v * v;
  if (v <= 0.0) {
    // Standing: brake and resistance hold the train unless the drive (power
    // and a downhill pull) overcomes them. The train never rolls back.
    const double drive = power - gradeDecel_;
    const double hold = brakeDecel_ + vehicle_.resistanceA;
    if (drive <= hold) {
      speed_ = 0.0;
      accel_ = 0.0;
      return;
    }
    accel_ = drive - hold;
    speed_ = accel_ * dt;
    position_ += speed_ / 3.6 * dt / 2.0;
    return;
  }
  accel_ = power - brakeDecel_ - resistance - gradeDecel_;
  const double next = v + accel_ * dt;
  if (next <= 0.0) {
    // Stops within the step: travel up to the moment the speed reaches 0.
    const double stopTime = v / -accel_;
    position_ += v / 3.6 * stopTime / 2.0;
    speed_ = 0.0;
    return;
  }
  position_ += (v + next) / 2.0 / 3.6 * dt;
  speed_ = next;
}

}  // namespace tasc::model
