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
  targets_.push_back({-1000000, 0.0});
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
    const int32_t deadMs = static_cast<int32_t>(std::lround(vehicle_.brakeDeadTime * 1000.0));
    std::size_t keep = 0;
    while (keep + 1 < targets_.size() && targets_[keep + 1].timeMs <= nowMs - deadMs) ++keep;
    if (keep > 0) targets_.erase(targets_.begin(), targets_.begin() + static_cast<long>(keep));
    targets_.push_back({nowMs, decel});
  }
}

double Train::delayedTarget(int32_t atMs) const {
  double decel = targets_.front().decel;
  for (const Target& t : targets_) {
    if (t.timeMs > atMs) break;
    decel = t.decel;
  }
  return decel;
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
  const int32_t deadMs = static_cast<int32_t>(std::lround(vehicle_.brakeDeadTime * 1000.0));
  const double target = delayedTarget(nowMs + stepMs - deadMs);
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
