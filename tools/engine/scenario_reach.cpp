#include "engine/scenario_reach.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "control/beacon.h"

#include "model/train.h"

namespace tasc::engine {
namespace {

constexpr double kTopSpeed = 400;  // km/h, as the scenario allows

double largest(const std::vector<double>& axis, double own) {
  return axis.empty() ? own : *std::max_element(axis.begin(), axis.end());
}

}  // namespace

const BeaconEntry* farBeacon(const Scenario& s) {
  const double receiverStart = s.initialPosition - s.receiverOffset;
  for (const BeaconEntry& b : s.beacons) {
    if (b.type >= 501 && b.type <= 503 && b.position > receiverStart) return &b;
  }
  return nullptr;
}

double frontDistance(const Scenario& s, const BeaconEntry& b) {
  return s.stopPoint - b.position - s.receiverOffset;
}

int32_t powerAtFarBeacon(const Scenario& s) {
  const BeaconEntry* far = farBeacon(s);
  if (far == nullptr || s.driver.powerNotch <= 0) return 0;
  const double frontThere = far->position + s.receiverOffset;
  return s.driver.powerOffAt && *s.driver.powerOffAt <= frontThere ? 0 : s.driver.powerNotch;
}

double expectedFarSpeed(const Scenario& s, double entryKmh) {
  const BeaconEntry* far = farBeacon(s);
  if (far == nullptr) return entryKmh;
  model::Train train(s.vehicle, s.gradient, entryKmh, s.initialPosition);
  int32_t power = s.driver.powerNotch;
  train.setHandles(0, power, 1, 0);
  const double frontThere = far->position + s.receiverOffset;
  const int64_t lastFrame = static_cast<int64_t>(s.maxTime * s.frameRate);
  int32_t previousMs = 0;
  for (int64_t k = 1; k <= lastFrame; ++k) {
    const auto nowMs = static_cast<int32_t>(k * 1000 / s.frameRate);
    train.advance(nowMs - previousMs, previousMs);
    previousMs = nowMs;
    if (train.position() >= frontThere) return train.speed();
    if (train.speed() <= 0) return 0;
    if (power > 0 && s.driver.powerOffAt && train.position() >= *s.driver.powerOffAt) {
      power = 0;
      train.setHandles(0, 0, 1, nowMs);
    }
  }
  return train.speed();
}

double entryLimit(const Scenario& s, double farKmh) {
  if (expectedFarSpeed(s, kTopSpeed) <= farKmh) return kTopSpeed;
  if (expectedFarSpeed(s, 0) > farKmh) return 0;
  double lo = 0, hi = kTopSpeed;  // lo arrives within farKmh, hi does not
  while (hi - lo > 0.01) {
    const double mid = (lo + hi) / 2.0;
    (expectedFarSpeed(s, mid) <= farKmh ? lo : hi) = mid;
  }
  return lo;
}

model::Reach runReach(const Scenario& s, double speedKmh, int32_t powerNotch) {
  const BeaconEntry* far = farBeacon(s);
  if (far == nullptr) return {};
  return model::assessReach(s.vehicle, {s.gradient, powerNotch}, far->type, speedKmh,
                            frontDistance(s, *far));
}

model::Reach expectedReach(const Scenario& s) {
  return runReach(s, expectedFarSpeed(s, s.initialSpeed), powerAtFarBeacon(s));
}

Scenario slowestCase(const Scenario& s) {
  Scenario out = s;
  out.vehicle.brakeDeadTime = largest(s.sweep.brakeDeadTime, s.vehicle.brakeDeadTime);
  out.vehicle.brakeTimeConstant = largest(s.sweep.brakeTimeConstant, s.vehicle.brakeTimeConstant);
  out.receiverOffset = largest(s.sweep.receiverOffset, s.receiverOffset);
  return out;
}

std::vector<GradientLimit> layoutLimits(const Scenario& s) {
  std::vector<double> grades =
      s.sweep.gradient.empty() ? std::vector<double>{s.gradient} : s.sweep.gradient;
  std::sort(grades.begin(), grades.end());
  grades.erase(std::unique(grades.begin(), grades.end()), grades.end());
  std::vector<GradientLimit> limits;
  const Scenario slow = slowestCase(s);
  const BeaconEntry* far = farBeacon(slow);
  if (far == nullptr) return limits;
  for (const double g : grades) {
    Scenario at = slow;
    at.gradient = g;
    GradientLimit l;
    l.gradient = g;
    l.farSpeed =
        model::notch7LimitSpeed(at.vehicle, {g, powerAtFarBeacon(at)}, frontDistance(at, *far));
    l.entrySpeed = entryLimit(at, l.farSpeed);
    limits.push_back(l);
  }
  return limits;
}

std::string reachAdvice(const model::Reach& r, double receiverOffset, double entryKmh) {
  char text[400];
  int n = std::snprintf(text, sizeof text,
                        "%.1f km/h at the %d beacon; notch 7 needs %.1f m from there and the "
                        "beacon gives %.1f m: ",
                        r.speed, r.beacon, r.needed, r.given);
  const auto add = [&](const char* format, auto... args) {
    if (n >= 0 && static_cast<std::size_t>(n) < sizeof text) {
      n += std::snprintf(text + n, sizeof text - static_cast<std::size_t>(n), format, args...);
    }
  };
  // The farthest distance the beacon's code can set: a beacon placed
  // farther out would tell the plug-in less than the front has to run.
  double codable = 0;
  for (int32_t code = 0; code <= 63; ++code) {
    codable = std::max(codable, beaconDistance(r.beacon - 500, code));
  }
  if (std::isfinite(r.needed) && r.needed <= codable) {
    add("place it at least %.1f m before the point, or ", r.needed + receiverOffset);
  } else {
    add("a %d beacon codes at most %.1f m, so ", r.beacon, codable);
  }
  if (std::isnan(entryKmh)) {
    add("pass it at no more than %.1f km/h", r.limitSpeed);
  } else {
    add("enter at most %.1f km/h", entryKmh);
  }
  return text;
}

}  // namespace tasc::engine
