// Whether a stop can be made at all: the distance notch 7 needs to stop the
// train from a speed, and the highest speed at a beacon from which it stops
// within the distance that beacon gives. Pure: the vehicle model and the
// approach in, metres and km/h out.
#pragma once

#include <cstdint>
#include <limits>

#include "model/vehicle_model.h"

namespace tasc::model {

// The train as the beacon receiver passes the beacon.
struct ApproachState {
  double gradient = 0;     // per mille, positive uphill
  int32_t powerNotch = 0;  // traction held up to that moment (cut then); 0: coasting
};

// Metres the front travels from `speedKmh` when notch 7 is commanded at once
// (the strongest brake the plug-in commands): the dead time at the speed
// held, the brake building up with its lag, the traction of `at.powerNotch`
// decaying with its own lag from the same moment, resistance and gradient.
// Stops counting past `limitM` and returns a value above it. Infinite when
// the brake cannot stop the train (a downhill steeper than notch 7).
double notch7Distance(const VehicleModel& v, const ApproachState& at, double speedKmh,
                      double limitM = std::numeric_limits<double>::infinity());

// The highest speed, km/h (0..400, to 0.001), from which notch 7 stops within
// `distanceM`; 0 when not even a crawl stops in time, 400 when 400 km/h does.
double notch7LimitSpeed(const VehicleModel& v, const ApproachState& at, double distanceM);

// Whether a stop could be made, judged at its far beacon. A stop cannot be
// made when notch 7 needs more than the beacon gives.
struct Reach {
  bool known = false;                                            // a far stopping beacon was passed
  int32_t beacon = 0;                                            // its type (503 on a full layout)
  double speed = std::numeric_limits<double>::quiet_NaN();       // km/h as the receiver passed it
  double given = std::numeric_limits<double>::quiet_NaN();       // m, the front to the point then
  double needed = std::numeric_limits<double>::quiet_NaN();      // m notch 7 needs from `speed`
  double limitSpeed = std::numeric_limits<double>::quiet_NaN();  // km/h there that notch 7 can stop
  bool cannotBeMade() const { return known && needed > given; }
};

// The reach of a stop whose far beacon `beacon` was passed at `speedKmh` with
// the front `givenM` from the stopping point.
Reach assessReach(const VehicleModel& v, const ApproachState& at, int32_t beacon, double speedKmh,
                  double givenM);

}  // namespace tasc::model
