#include "fit/fit.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <nlopt.hpp>

#include "model/train.h"

namespace tasc::fit {
namespace {

// Per mille: a constant per stop outside this is no gradient but a misfit.
constexpr double kGradientLimit = 40.0;

struct Bound {
  double lower, upper, step;
};
// Wide enough for any train; a value that ends on one (other than a lower
// bound of 0, which a vehicle may really have) means the fit failed.
constexpr std::array<Bound, kQuantityCount> kBounds{{
    {0.3, 12.0, 0.2},  // b7_decel, km/h/s
    {0.0, 1.5, 0.05},  // brake_dead_time, s
    {0.0, 3.0, 0.1},   // brake_time_constant, s
    {0.0, 1.0, 0.01},  // resistance_a, km/h/s
}};

model::VehicleModel vehicleAt(const model::VehicleModel& start, const double* x, std::size_t n) {
  model::VehicleModel v = start;
  v.quarterDecel = x[0] / 28.0;
  v.brakeDeadTime = x[1];
  v.brakeTimeConstant = x[2];
  if (n > 3) v.resistanceA = x[3];
  return v;
}

double sumSquares(const Segment& s, const model::VehicleModel& v, double gradient) {
  const std::vector<double> sim = simulate(s, v, gradient);
  double sum = 0;
  for (std::size_t k = 1; k < sim.size(); ++k) {
    const double d = sim[k] - s.speed[k];
    sum += d * d;
  }
  return sum;
}

// The constant per-stop gradient that fits best: the speeds are nearly linear
// in it, so a few chord steps from level track with one slope settle it.
double bestGradient(const Segment& s, const model::VehicleModel& v) {
  const auto residuals = [&](double g) {
    std::vector<double> r = simulate(s, v, g);
    for (std::size_t k = 0; k < r.size(); ++k) r[k] -= s.speed[k];
    return r;
  };
  const std::vector<double> r0 = residuals(0.0), r1 = residuals(1.0);
  std::vector<double> slope(r0.size());
  double jj = 0;
  for (std::size_t k = 0; k < r0.size(); ++k) {
    slope[k] = r1[k] - r0[k];
    jj += slope[k] * slope[k];
  }
  if (jj <= 0) return 0.0;
  double g = 0;
  std::vector<double> r = r0;
  for (int step = 0; step < 3; ++step) {
    double jr = 0;
    for (std::size_t k = 0; k < r.size(); ++k) jr += slope[k] * r[k];
    g = std::clamp(g - jr / jj, -kGradientLimit, kGradientLimit);
    if (step < 2) r = residuals(g);
  }
  return g;
}

struct Problem {
  const std::vector<Segment>& segments;
  const FitOptions& options;
  std::size_t frames = 0;  // compared, over all segments
  std::size_t evaluations = 0;

  double meanSquare(const double* x, std::size_t n) {
    ++evaluations;
    const model::VehicleModel v = vehicleAt(options.start, x, n);
    double sum = 0;
    for (const Segment& s : segments) {
      const double g = options.gradient ? *options.gradient : bestGradient(s, v);
      sum += sumSquares(s, v, g);
    }
    return sum / static_cast<double>(frames);
  }
  static double call(unsigned n, const double* x, double*, void* data) {
    return static_cast<Problem*>(data)->meanSquare(x, n);
  }
};

// BOBYQA from `x`; the point reached and its value.
double polish(Problem& p, std::vector<double>& x, double stepScale) {
  const auto n = static_cast<unsigned>(x.size());
  nlopt::opt local(nlopt::LN_BOBYQA, n);
  std::vector<double> lower, upper, step;
  for (std::size_t i = 0; i < x.size(); ++i) {
    lower.push_back(kBounds[i].lower);
    upper.push_back(kBounds[i].upper);
    step.push_back(kBounds[i].step * stepScale);
  }
  local.set_lower_bounds(lower);
  local.set_upper_bounds(upper);
  local.set_initial_step(step);
  local.set_xtol_abs(1e-6);
  local.set_ftol_rel(1e-12);
  local.set_maxeval(600);
  local.set_min_objective(&Problem::call, &p);
  double value = 0;
  try {
    local.optimize(x, value);
  } catch (const nlopt::roundoff_limited&) {
    value = p.meanSquare(x.data(), x.size());
  }
  return value;
}

std::vector<std::string> failuresOf(const FitResult& r, const std::vector<double>& x,
                                    const FitOptions& o) {
  std::vector<std::string> why;
  char text[256];
  if (!(r.rms <= o.maxRms)) {
    std::snprintf(text, sizeof text,
                  "RMS speed error %.3f km/h, above %.3f km/h: the model does not follow "
                  "the recorded braking",
                  r.rms, o.maxRms);
    why.emplace_back(text);
  }
  for (std::size_t i = 0; i < x.size(); ++i) {
    const Bound& b = kBounds[i];
    const double near = 1e-4 * (b.upper - b.lower);
    const bool atLower = b.lower > 0 && x[i] <= b.lower + near;
    if (atLower || x[i] >= b.upper - near) {
      std::snprintf(text, sizeof text, "%s %.4g at its bound (%g..%g)",
                    quantityName(static_cast<Quantity>(i)), x[i], b.lower, b.upper);
      why.emplace_back(text);
    }
  }
  for (std::size_t k = 0; k < r.segments.size(); ++k) {
    if (std::fabs(r.segments[k].gradient) >= kGradientLimit) {
      std::snprintf(text, sizeof text, "segment %zu: gradient at its bound (+-%g per mille)", k + 1,
                    kGradientLimit);
      why.emplace_back(text);
    }
  }
  return why;
}

}  // namespace

const char* quantityName(Quantity q) {
  switch (q) {
    case Quantity::B7Decel:
      return "b7_decel";
    case Quantity::DeadTime:
      return "brake_dead_time";
    case Quantity::TimeConstant:
      return "brake_time_constant";
    case Quantity::ResistanceA:
      return "resistance_a";
  }
  return "?";
}

std::vector<double> simulate(const Segment& s, const model::VehicleModel& vehicle,
                             double gradient) {
  model::VehicleModel v = vehicle;
  v.brakeNotches = s.brakeNotches;
  model::Train train(v, gradient, s.speed.front(), 0.0);
  std::vector<double> out(s.speed.size());
  out[0] = s.speed.front();
  for (std::size_t k = 0; k + 1 < s.speed.size(); ++k) {
    train.setHandles(s.brake[k], s.power[k], s.reverser[k], s.timeMs[k]);
    train.advance(s.timeMs[k + 1] - s.timeMs[k], s.timeMs[k]);
    out[k + 1] = train.speed();
  }
  return out;
}

double rmsError(const Segment& s, const std::vector<double>& simulated) {
  double sum = 0;
  for (std::size_t k = 1; k < simulated.size(); ++k) {
    const double d = simulated[k] - s.speed[k];
    sum += d * d;
  }
  return simulated.size() > 1 ? std::sqrt(sum / static_cast<double>(simulated.size() - 1)) : 0.0;
}

FitResult fitVehicle(const std::vector<Segment>& segments, const FitOptions& o) {
  Problem p{segments, o};
  for (const Segment& s : segments) p.frames += s.speed.size() - 1;
  const std::size_t n = o.gradient ? 4 : 3;
  // Dead time and time constant trade against each other in a valley with
  // side minima: a grid of starts, the best one polished again with small steps.
  std::vector<double> best;
  double bestValue = 0;
  for (const double dead : {0.1, 0.4, 0.8}) {
    for (const double tau : {0.15, 0.5, 1.2}) {
      std::vector<double> x{o.start.quarterDecel * 28.0, dead, tau, o.start.resistanceA};
      x.resize(n);
      for (std::size_t i = 0; i < n; ++i)
        x[i] = std::clamp(x[i], kBounds[i].lower, kBounds[i].upper);
      const double value = polish(p, x, 1.0);
      if (best.empty() || value < bestValue) {
        best = x;
        bestValue = value;
      }
    }
  }
  polish(p, best, 0.1);

  FitResult r;
  r.vehicle = vehicleAt(o.start, best.data(), n);
  r.resistanceFitted = o.gradient.has_value();
  double sum = 0;
  for (const Segment& s : segments) {
    SegmentFit f;
    f.gradient = o.gradient ? *o.gradient : bestGradient(s, r.vehicle);
    const std::vector<double> sim = simulate(s, r.vehicle, f.gradient);
    f.rms = rmsError(s, sim);
    sum += f.rms * f.rms * static_cast<double>(s.speed.size() - 1);
    r.segments.push_back(f);
  }
  r.rms = p.frames > 0 ? std::sqrt(sum / static_cast<double>(p.frames)) : 0.0;
  r.evaluations = p.evaluations;
  r.failures = failuresOf(r, best, o);
  return r;
}

}  // namespace tasc::fit
