// The simulated train: brake and power from the handles that reach it, a
// brake response of dead time plus first-order lag, running resistance and
// gradient. Speeds in km/h, accelerations in km/h/s, positions in m.
#pragma once

#include <cstdint>
#include <vector>

#include "model/vehicle_model.h"

namespace tasc::model {

// A brake notch in the vehicle's numbering as quarter notches: whole notches
// 1..brakeNotches are 4 each; the quarter positions from 11 up are
// 10 + 3q + r for 4q + r quarters (r = 1..3). Any other notch above the
// service notches is the emergency brake (-1). Notch 0 or below: 0.
int32_t decodeBrakeNotch(int32_t notch, int32_t brakeNotches);

// Whether a vehicle with `brakeNotches` service notches lacks this notch: a
// whole notch above them, or a quarter position above its strongest notch.
bool notchBeyond(int32_t notch, int32_t brakeNotches);

class Train {
 public:
  Train(const VehicleModel& vehicle, double gradientPerMille, double speedKmh, double positionM);

  // The handles that reach the train from now on (the plug-in's output).
  void setHandles(int32_t brakeNotch, int32_t powerNotch, int32_t reverser, int32_t nowMs);

  // Moves the train from nowMs to nowMs + stepMs.
  void advance(int32_t stepMs, int32_t nowMs);

  double position() const { return position_; }
  double speed() const { return speed_; }
  double acceleration() const { return accel_; }       // of the last step, km/h/s
  double brakeDecel() const { return brakeDecel_; }    // applied after the lag
  int32_t brakeQuarters() const { return quarters_; }  // commanded, -1 emergency

 private:
  double commandedDecel(int32_t quarters) const;
  double delayedTarget(double atMs) const;
  double deadMs() const;
  double lagFactor(int32_t stepMs) const;
  double powerLagFactor(int32_t stepMs) const;

  VehicleModel vehicle_;
  double gradeDecel_;  // km/h/s, positive uphill
  double position_;
  double speed_;
  double accel_ = 0;
  double brakeDecel_ = 0;
  double powerAccel_ = 0;      // traction after its lag
  bool powerStarted_ = false;  // the first step starts from the steady traction
  int32_t quarters_ = 0;
  int32_t powerNotch_ = 0;
  int32_t reverser_ = 1;
  // Brake targets by the time they were commanded, oldest first; only the
  // entries within the dead time are kept, plus the one in force before them.
  // `previousMs` is the handles' call before the change: the change happened
  // somewhere between the two calls.
  struct Target {
    int32_t timeMs;
    int32_t previousMs;
    double decel;
  };
  std::vector<Target> targets_;
  int32_t lastCallMs_ = 0;
  bool called_ = false;
};

}  // namespace tasc::model
