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

// The fitted quantities. The search's vector holds b7_decel, the dead time
// and the time constant, resistance A with the gradient given, resistance C,
// then the traction's time constant when a segment starts under power.
enum class Quantity {
  B7Decel,
  DeadTime,
  TimeConstant,
  ResistanceA,
  ResistanceC,
  PowerTimeConstant
};
inline constexpr std::size_t kQuantityCount = 6;
const char* quantityName(Quantity q);  // the scenario's key

struct FitOptions {
  // Held values, the fitted ones' start, and the train's other parameters
  // (notches, resistance B, emergency brake) come from here.
  model::VehicleModel start;
  // Per mille, the same for every stop; none: a constant fitted per stop,
  // and then resistance A is held (A and the gradient are one constant
  // deceleration). C is fitted either way: a C held wrong leaves a
  // deceleration that falls with the speed, which the brake's dead time and
  // lag would take up instead.
  std::optional<double> gradient;
  // RMS speed error (km/h) over all frames above which the fit failed.
  double maxRms = 0.5;
};

// A segment's own fitted values: the start speed (a noisy first sample would
// shift the whole simulated run), the gradient unless given, and for a
// segment under power the traction held up to the cut (steady: the recorded
// notch's acceleration at that speed), which decays after it.
struct SegmentFit {
  double startSpeed = 0;  // km/h
  double gradient = 0;    // per mille, given or fitted
  double traction = 0;    // km/h/s up to the power cut; 0 without power
  double rms = 0;         // km/h
};

struct FitResult {
  model::VehicleModel vehicle;       // the start with the fitted values
  bool resistanceAFitted = false;    // with the gradient given
  bool powerLagFitted = false;       // the traction's time constant: a segment under power
  std::vector<SegmentFit> segments;  // in the order given
  double rms = 0;                    // km/h over every frame compared
  std::size_t evaluations = 0;       // of the objective
  // Empty when the fit converged; else why not (RMS, a value at its bound).
  std::vector<std::string> failures;
};

// The recorded handles replayed through model::Train with the segment's own
// values from its first frame: one simulated speed per frame.
std::vector<double> simulate(const Segment& s, const model::VehicleModel& v, const SegmentFit& f);

// Fits b7_decel, the brake's dead time and time constant, resistance C, and
// resistance A (with a gradient given) or a gradient per segment, and with a segment
// under power the traction's time constant and each such segment's traction.
// Deterministic: a grid of starts in dead time and time constant, each
// polished with BOBYQA.
FitResult fitVehicle(const std::vector<Segment>& segments, const FitOptions& options);

}  // namespace tasc::fit
