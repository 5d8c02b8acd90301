// The train model's parameters: plain values, read from a scenario by the
// simulator and fitted from a recording by the fit.
#pragma once

#include <cstdint>
#include <vector>

namespace tasc::model {

// The train as the simulator moves it. Decelerations and accelerations in
// km/h/s, speeds in km/h, times in s.
struct VehicleModel {
  int32_t brakeNotches = 8;  // service notches, reported by SetVehicleSpec
  int32_t powerNotches = 5;
  double quarterDecel = 3.36 / 28;  // deceleration of one quarter notch
  double emergencyDecel = 4.5;      // notch brakeNotches + 1
  double brakeDeadTime = 0.2;       // from a notch change to the start of the response
  double brakeTimeConstant = 0.3;   // first-order lag after the dead time; 0: none
  std::vector<double> powerAccel;   // notch 1..n at low speed; empty: 0.6 per notch
  double powerKneeSpeed = 40.0;     // above it the acceleration falls as knee / v
  double powerTimeConstant = 0.3;   // first-order lag of the traction; 0: none
  double resistanceA = 0.02;        // running resistance A + B v + C v^2
  double resistanceB = 0.0;
  double resistanceC = 0.00002;
};

}  // namespace tasc::model
