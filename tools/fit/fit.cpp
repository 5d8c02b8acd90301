#include "fit/fit.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <nlopt.hpp>
#include <stdexcept>

#include "model/train.h"

namespace tasc::fit {
namespace {

// Per mille: a constant per stop outside this is no gradient but a misfit.
constexpr double kGradientLimit = 40.0;

// The search's variables are the quantities in `unit`s, so that each moves by
// about 1 per initial step and one absolute tolerance serves them all.
struct Bound {
  double lower, upper, step, unit;
};
// Wide enough for any train; a value that ends on one (other than a lower
// bound of 0, which a vehicle may really have) means the fit failed.
constexpr std::array<Bound, kQuantityCount> kBounds{{
    {0.3, 12.0, 0.2, 1.0},    // b7_decel, km/h/s
    {0.0, 1.5, 0.05, 1.0},    // brake_dead_time, s
    {0.0, 3.0, 0.1, 1.0},     // brake_time_constant, s
    {0.0, 1.0, 0.01, 1.0},    // resistance_a, km/h/s
    {0.0, 100.0, 1.0, 1e-5},  // resistance_c, km/h/s per (km/h)^2
}};

model::VehicleModel vehicleAt(const model::VehicleModel& start, const double* x, std::size_t n) {
  model::VehicleModel v = start;
  v.quarterDecel = x[0] / 28.0;
  v.brakeDeadTime = x[1];
  v.brakeTimeConstant = x[2];
  if (n > 3) v.resistanceA = x[3];
  if (n > 4) v.resistanceC = x[4] * kBounds[4].unit;
  return v;
}

std::vector<double> residuals(const Segment& s, const model::VehicleModel& v, double gradient,
                              double startSpeed) {
  std::vector<double> r = simulate(s, v, gradient, startSpeed);
  for (std::size_t k = 0; k < r.size(); ++k) r[k] -= s.speed[k];
  return r;
}

double sumSquares(const std::vector<double>& r) {
  double sum = 0;
  for (const double d : r) sum += d * d;
  return sum;
}

// A segment's start speed and, unless given, gradient that fit best for the
// vehicle `v`. The speeds are nearly linear in both, so Gauss-Newton with the
// slopes taken once (by differences) settles them in a few steps.
SegmentFit fitSegment(const Segment& s, const model::VehicleModel& v,
                      std::optional<double> gradient) {
  std::array<double, 2> p{s.speed.front(), gradient.value_or(0.0)};
  const std::size_t n = gradient ? 1 : 2;
  const auto at = [&](const std::array<double, 2>& q) { return residuals(s, v, q[1], q[0]); };
  std::vector<double> r = at(p);
  std::array<std::vector<double>, 2> slope;
  constexpr std::array<double, 2> kDelta{0.1, 1.0};  // km/h, per mille
  for (std::size_t j = 0; j < n; ++j) {
    std::array<double, 2> q = p;
    q[j] += kDelta[j];
    slope[j] = at(q);
    for (std::size_t k = 0; k < r.size(); ++k) slope[j][k] = (slope[j][k] - r[k]) / kDelta[j];
  }
  std::array<double, 4> jj{};  // the normal matrix, row by row
  for (std::size_t a = 0; a < n; ++a) {
    for (std::size_t b = 0; b < n; ++b) {
      for (std::size_t k = 0; k < r.size(); ++k) jj[a * 2 + b] += slope[a][k] * slope[b][k];
    }
  }
  const double det = n == 1 ? jj[0] : jj[0] * jj[3] - jj[1] * jj[2];
  for (int step = 0; step < 3 && det > 0; ++step) {
    std::array<double, 2> jr{};
    for (std::size_t a = 0; a < n; ++a) {
      for (std::size_t k = 0; k < r.size(); ++k) jr[a] += slope[a][k] * r[k];
    }
    if (n == 1) {
      p[0] -= jr[0] / det;
    } else {
      p[0] -= (jj[3] * jr[0] - jj[1] * jr[1]) / det;
      p[1] -= (jj[0] * jr[1] - jj[2] * jr[0]) / det;
      p[1] = std::clamp(p[1], -kGradientLimit, kGradientLimit);
    }
    r = at(p);
  }
  return {p[0], p[1], std::sqrt(sumSquares(r) / static_cast<double>(r.size()))};
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
      const double rms = fitSegment(s, v, options.gradient).rms;
      sum += rms * rms * static_cast<double>(s.speed.size());
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
  local.set_xtol_abs(1e-5);
  local.set_ftol_rel(1e-12);
  local.set_maxeval(600);
  local.set_min_objective(&Problem::call, &p);
  double value = 0;
  try {
    local.optimize(x, value);
  } catch (const std::runtime_error&) {
    // Round-off or a failure of the method: `x` holds the best point it
    // reached, which the checks of the result judge.
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
                    quantityName(static_cast<Quantity>(i)), x[i] * b.unit, b.lower * b.unit,
                    b.upper * b.unit);
      why.emplace_back(text);
    }
  }
  for (std::size_t k = 0; k < r.segments.size() && !o.gradient; ++k) {
    if (std::fabs(r.segments[k].gradient) >= kGradientLimit) {
      std::snprintf(text, sizeof text,
                    "stop %zu of the table: gradient at its bound (+-%g per mille)", k + 1,
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
    case Quantity::ResistanceC:
      return "resistance_c";
  }
  return "?";
}

std::vector<double> simulate(const Segment& s, const model::VehicleModel& vehicle, double gradient,
                             double startSpeed) {
  model::VehicleModel v = vehicle;
  v.brakeNotches = s.brakeNotches;
  model::Train train(v, gradient, startSpeed, 0.0);
  std::vector<double> out(s.speed.size());
  out[0] = startSpeed;
  for (std::size_t k = 0; k + 1 < s.speed.size(); ++k) {
    train.setHandles(s.brake[k], s.power[k], s.reverser[k], s.timeMs[k]);
    train.advance(s.timeMs[k + 1] - s.timeMs[k], s.timeMs[k]);
    out[k + 1] = train.speed();
  }
  return out;
}

double rmsError(const Segment& s, const std::vector<double>& simulated) {
  double sum = 0;
  for (std::size_t k = 0; k < simulated.size(); ++k) {
    const double d = simulated[k] - s.speed[k];
    sum += d * d;
  }
  return simulated.empty() ? 0.0 : std::sqrt(sum / static_cast<double>(simulated.size()));
}

FitResult fitVehicle(const std::vector<Segment>& segments, const FitOptions& o) {
  Problem p{segments, o};
  for (const Segment& s : segments) p.frames += s.speed.size();
  const std::size_t n = o.gradient ? kQuantityCount : 3;
  // Dead time and time constant trade against each other in a valley with
  // side minima: a grid of starts, the best one polished again with small steps.
  std::vector<double> best;
  double bestValue = 0;
  for (const double dead : {0.15, 0.6}) {
    for (const double tau : {0.2, 0.9}) {
      std::vector<double> x{o.start.quarterDecel * 28.0, dead, tau, o.start.resistanceA,
                            o.start.resistanceC / kBounds[4].unit};
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
    const SegmentFit f = fitSegment(s, r.vehicle, o.gradient);
    sum += f.rms * f.rms * static_cast<double>(s.speed.size());
    r.segments.push_back(f);
  }
  r.rms = p.frames > 0 ? std::sqrt(sum / static_cast<double>(p.frames)) : 0.0;
  r.evaluations = p.evaluations;
  r.failures = failuresOf(r, best, o);
  return r;
}

}  // namespace tasc::fit
