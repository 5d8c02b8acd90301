// The fit of the train model to recorded braking: pure, segments and a
// starting vehicle in, fitted values out. Least squares of the simulated
// against the recorded speeds over every segment's frames.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "fit/segments.h"
#include "model/vehicle_model.h"

namespace tasc::fit {

// The fitted quantities, in the order of the search's vector.
enum class Quantity { B7Decel, DeadTime, TimeConstant, ResistanceA, ResistanceC };
inline constexpr std::size_t kQuantityCount = 5;
const char* quantityName(Quantity q);  // the scenario's key

struct FitOptions {
  // Held values and the train's other parameters (notches, resistance B and
  // C, emergency brake) come from here.
  model::VehicleModel start;
  // Per mille, the same for every stop; none: a constant fitted per stop,
  // and then resistance A and C are held (A and the gradient are one constant
  // deceleration; C is mostly taken up by each stop's constant too).
  std::optional<double> gradient;
  // RMS speed error (km/h) over all frames above which the fit failed.
  double maxRms = 0.5;
};

// A segment's own fitted values: the start speed (a noisy first sample would
// shift the whole simulated run) and the gradient unless given.
struct SegmentFit {
  double startSpeed = 0;  // km/h
  double gradient = 0;    // per mille, given or fitted
  double rms = 0;         // km/h
};

struct FitResult {
  model::VehicleModel vehicle;       // the start with the fitted values
  bool resistanceFitted = false;     // A and C: with the gradient given
  std::vector<SegmentFit> segments;  // in the order given
  double rms = 0;                    // km/h over every frame compared
  std::size_t evaluations = 0;       // of the objective
  // Empty when the fit converged; else why not (RMS, a value at its bound).
  std::vector<std::string> failures;
};

// The recorded handles replayed through model::Train from `startSpeed` at
// the segment's first frame: one simulated speed per frame.
std::vector<double> simulate(const Segment& s, const model::VehicleModel& v, double gradient,
                             double startSpeed);

// RMS of simulated minus recorded speed over every frame, km/h.
double rmsError(const Segment& s, const std::vector<double>& simulated);

// Fits b7_decel, the brake's dead time and time constant, and resistance A
// and C (with a gradient given) or a gradient per segment. Deterministic: a grid of
// starts in dead time and time constant, each polished with BOBYQA.
FitResult fitVehicle(const std::vector<Segment>& segments, const FitOptions& options);

}  // namespace tasc::fit
