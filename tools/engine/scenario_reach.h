// Which stops a scenario's beacon layout can serve: the far stopping beacon,
// the speed the train is expected to pass it at, and the highest speed there
// (and at the start) from which notch 7 still stops at the point.
#pragma once

#include <limits>
#include <string>
#include <vector>

#include "engine/scenario.h"
#include "model/reach.h"

namespace tasc::engine {

// The far stopping beacon (501..503) the receiver passes first; null: none.
const BeaconEntry* farBeacon(const Scenario& s);

// Metres from the front to the stopping point when the receiver passes `b`.
double frontDistance(const Scenario& s, const BeaconEntry& b);

// The driver's power notch as the receiver reaches the far beacon: the
// scripted notch unless power_off_at lies before it.
int32_t powerAtFarBeacon(const Scenario& s);

// The speed, km/h, at which the receiver reaches the far beacon when the
// train starts at `entryKmh` and the driver holds the scripted notch up to
// it (the plug-in cuts power no earlier); 0 when it stops before.
double expectedFarSpeed(const Scenario& s, double entryKmh);

// The highest entry speed (0..400 km/h, to 0.01) that reaches the far beacon
// at no more than `farKmh`.
double entryLimit(const Scenario& s, double farKmh);

// The reach expected before the run, from the scenario's entry speed; not
// known without a far beacon.
model::Reach expectedReach(const Scenario& s);

// The reach of a run that passed the far beacon at `speedKmh` under
// `powerNotch`.
model::Reach runReach(const Scenario& s, double speedKmh, int32_t powerNotch);

// The layout's limit at one gradient: the highest speed at the far beacon
// from which notch 7 stops in time, and the entry speed that reaches it.
struct GradientLimit {
  double gradient = 0;    // per mille
  double farSpeed = 0;    // km/h at the far beacon
  double entrySpeed = 0;  // km/h at the start
};

// The limits per gradient of the sweep (the scenario's own gradient without
// one), for the slowest case of the sweep (slowestCase): speeds every case of
// the matrix at that gradient can serve.
std::vector<GradientLimit> layoutLimits(const Scenario& s);

// The scenario's own case made the slowest of its sweep: the largest dead
// time, time constant and receiver offset of the axes.
Scenario slowestCase(const Scenario& s);

// Why a stop cannot be made and what would make it: "57.3 km/h at the 503
// beacon; notch 7 needs 171.0 m from there and the beacon gives 149.0 m:
// place it at least 173.5 m before the point, or enter at most 52.0 km/h".
// The beacon's place is offered only where its type can code the distance;
// without `entryKmh` (NaN) the speed at the beacon is the advice.
std::string reachAdvice(const model::Reach& r, double receiverOffset,
                        double entryKmh = std::numeric_limits<double>::quiet_NaN());

}  // namespace tasc::engine
