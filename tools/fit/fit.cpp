#include "fit/fit.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <limits>
#include <nlopt.hpp>
#include <stdexcept>

#include "model/train.h"

namespace tasc::fit {
namespace {

// Per mille: a constant per stop outside this is no gradient but a misfit.
constexpr double kGradientLimit = 40.0;
// km/h/s: a stop's traction at the power cut above this is a misfit.
constexpr double kTractionLimit = 20.0;

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
    {0.0, 3.0, 0.1, 1.0},     // power_time_constant, s
}};

// The quantities of the search's vector, in its order.
using Layout = std::vector<Quantity>;

Layout layoutFor(const std::vector<Segment>& segments, const FitOptions& o) {
  Layout q{Quantity::B7Decel, Quantity::DeadTime, Quantity::TimeConstant};
  if (o.gradient) q.push_back(Quantity::ResistanceA);
  q.push_back(Quantity::ResistanceC);
  if (std::any_of(segments.begin(), segments.end(),
                  [](const Segment& s) { return s.underPower(); })) {
    q.push_back(Quantity::PowerTimeConstant);
  }
  return q;
}

// The value of `q` in the vehicle, in its search unit.
double valueOf(const model::VehicleModel& v, Quantity q) {
  switch (q) {
    case Quantity::B7Decel:
      return v.quarterDecel * 28.0;
    case Quantity::DeadTime:
      return v.brakeDeadTime;
    case Quantity::TimeConstant:
      return v.brakeTimeConstant;
    case Quantity::ResistanceA:
      return v.resistanceA;
    case Quantity::ResistanceC:
      return v.resistanceC / kBounds[4].unit;
    case Quantity::PowerTimeConstant:
      return v.powerTimeConstant;
  }
  return 0;
}

model::VehicleModel vehicleAt(const model::VehicleModel& start, const Layout& layout,
                              const double* x) {
  model::VehicleModel v = start;
  for (std::size_t i = 0; i < layout.size(); ++i) {
    switch (layout[i]) {
      case Quantity::B7Decel:
        v.quarterDecel = x[i] / 28.0;
        break;
      case Quantity::DeadTime:
        v.brakeDeadTime = x[i];
        break;
      case Quantity::TimeConstant:
        v.brakeTimeConstant = x[i];
        break;
      case Quantity::ResistanceA:
        v.resistanceA = x[i];
        break;
      case Quantity::ResistanceC:
        v.resistanceC = x[i] * kBounds[4].unit;
        break;
      case Quantity::PowerTimeConstant:
        v.powerTimeConstant = x[i];
        break;
    }
  }
  return v;
}

std::vector<double> residuals(const Segment& s, const model::VehicleModel& v, const SegmentFit& f) {
  std::vector<double> r = simulate(s, v, f);
  for (std::size_t k = 0; k < r.size(); ++k) r[k] -= s.speed[k];
  return r;
}

double sumSquares(const std::vector<double>& r) {
  double sum = 0;
  for (const double d : r) sum += d * d;
  return sum;
}

// The determinant of the leading n x n block (n = 1..3).
using Matrix = std::array<std::array<double, 3>, 3>;
double determinant(const Matrix& m, std::size_t n) {
  if (n == 1) return m[0][0];
  if (n == 2) return m[0][0] * m[1][1] - m[0][1] * m[1][0];
  return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
         m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
         m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
}

// A segment's start speed, gradient (unless given) and traction (under
// power) that fit best for the vehicle `v`. The speeds are nearly linear in
// them, so Gauss-Newton with the slopes taken once (by differences) settles
// them in a few steps; the small system by Cramer's rule.
SegmentFit fitSegment(const Segment& s, const model::VehicleModel& v,
                      std::optional<double> gradient) {
  // Start speed, gradient and traction; the first n of `free` move.
  std::array<double, 3> p{s.speed.front(), gradient.value_or(0.0), 0.0};
  constexpr std::array<double, 3> kDelta{0.1, 1.0, 0.1};  // km/h, per mille, km/h/s
  std::array<std::size_t, 3> free{0, 1, 2};
  std::size_t n = 1;
  if (!gradient) free[n++] = 1;
  if (s.underPower()) free[n++] = 2;
  const auto at = [&](const std::array<double, 3>& q) {
    return residuals(s, v, SegmentFit{q[0], q[1], q[2], 0.0});
  };
  std::vector<double> r = at(p);
  std::array<std::vector<double>, 3> slope;
  for (std::size_t j = 0; j < n; ++j) {
    std::array<double, 3> q = p;
    q[free[j]] += kDelta[free[j]];
    slope[j] = at(q);
    for (std::size_t k = 0; k < r.size(); ++k) {
      slope[j][k] = (slope[j][k] - r[k]) / kDelta[free[j]];
    }
  }
  Matrix jj{};  // the normal matrix
  for (std::size_t a = 0; a < n; ++a) {
    for (std::size_t b = 0; b < n; ++b) {
      for (std::size_t k = 0; k < r.size(); ++k) jj[a][b] += slope[a][k] * slope[b][k];
    }
  }
  const double det = determinant(jj, n);
  for (int step = 0; step < 3 && det > 0; ++step) {
    std::array<double, 3> jr{};
    for (std::size_t a = 0; a < n; ++a) {
      for (std::size_t k = 0; k < r.size(); ++k) jr[a] += slope[a][k] * r[k];
    }
    std::array<double, 3> move{};
    for (std::size_t j = 0; j < n; ++j) {
      Matrix m = jj;
      for (std::size_t a = 0; a < n; ++a) m[a][j] = jr[a];
      move[j] = determinant(m, n) / det;
    }
    for (std::size_t j = 0; j < n; ++j) p[free[j]] -= move[j];
    if (!gradient) p[1] = std::clamp(p[1], -kGradientLimit, kGradientLimit);
    p[2] = std::clamp(p[2], 0.0, kTractionLimit);
    r = at(p);
  }
  return {p[0], p[1], p[2], std::sqrt(sumSquares(r) / static_cast<double>(r.size()))};
}

struct Problem {
  const std::vector<Segment>& segments;
  const FitOptions& options;
  Layout layout;
  std::size_t frames = 0;  // compared, over all segments
  std::size_t evaluations = 0;

  double meanSquare(const double* x) {
    ++evaluations;
    const model::VehicleModel v = vehicleAt(options.start, layout, x);
    double sum = 0;
    for (const Segment& s : segments) {
      const double rms = fitSegment(s, v, options.gradient).rms;
      sum += rms * rms * static_cast<double>(s.speed.size());
    }
    return sum / static_cast<double>(frames);
  }
  static double call(unsigned, const double* x, double*, void* data) {
    return static_cast<Problem*>(data)->meanSquare(x);
  }
};

// BOBYQA from `x`; the point reached and its value.
double polish(Problem& p, std::vector<double>& x, double stepScale) {
  const auto n = static_cast<unsigned>(x.size());
  nlopt::opt local(nlopt::LN_BOBYQA, n);
  std::vector<double> lower, upper, step;
  for (const Quantity q : p.layout) {
    const Bound& b = kBounds[static_cast<std::size_t>(q)];
    lower.push_back(b.lower);
    upper.push_back(b.upper);
    step.push_back(b.step * stepScale);
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
    value = p.meanSquare(x.data());
  }
  return value;
}

std::vector<std::string> failuresOf(const FitResult& r, const Layout& layout,
                                    const std::vector<double>& x, const FitOptions& o) {
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
    const Bound& b = kBounds[static_cast<std::size_t>(layout[i])];
    const double near = 1e-4 * (b.upper - b.lower);
    const bool atLower = b.lower > 0 && x[i] <= b.lower + near;
    if (atLower || x[i] >= b.upper - near) {
      std::snprintf(text, sizeof text, "%s %.4g at its bound (%g..%g)", quantityName(layout[i]),
                    x[i] * b.unit, b.lower * b.unit, b.upper * b.unit);
      why.emplace_back(text);
    }
  }
  for (std::size_t k = 0; k < r.segments.size(); ++k) {
    if (!o.gradient && std::fabs(r.segments[k].gradient) >= kGradientLimit) {
      std::snprintf(text, sizeof text,
                    "stop %zu of the table: gradient at its bound (+-%g per mille)", k + 1,
                    kGradientLimit);
      why.emplace_back(text);
    }
    if (r.segments[k].traction >= kTractionLimit) {
      std::snprintf(text, sizeof text,
                    "stop %zu of the table: traction at the power cut at its bound (%g km/h/s)",
                    k + 1, kTractionLimit);
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
    case Quantity::PowerTimeConstant:
      return "power_time_constant";
  }
  return "?";
}

std::vector<double> simulate(const Segment& s, const model::VehicleModel& vehicle,
                             const SegmentFit& f) {
  model::VehicleModel v = vehicle;
  v.brakeNotches = s.brakeNotches;
  if (s.underPower()) {
    // The recorded notch gives the stop's own traction at every speed: held
    // steady up to the cut (the train starts with it built up), then decaying
    // with the traction's lag.
    v.powerNotches = *std::max_element(s.power.begin(), s.power.end());
    v.powerAccel.assign(static_cast<std::size_t>(v.powerNotches), f.traction);
    v.powerKneeSpeed = std::numeric_limits<double>::infinity();
  }
  model::Train train(v, f.gradient, f.startSpeed, 0.0);
  std::vector<double> out(s.speed.size());
  out[0] = f.startSpeed;
  for (std::size_t k = 0; k + 1 < s.speed.size(); ++k) {
    train.setHandles(s.brake[k], s.power[k], s.reverser[k], s.timeMs[k]);
    train.advance(s.timeMs[k + 1] - s.timeMs[k], s.timeMs[k]);
    out[k + 1] = train.speed();
  }
  return out;
}

FitResult fitVehicle(const std::vector<Segment>& segments, const FitOptions& o) {
  Problem p{segments, o, layoutFor(segments, o)};
  for (const Segment& s : segments) p.frames += s.speed.size();
  // Dead time and time constant trade against each other in a valley with
  // side minima: a grid of starts, the best one polished again with small steps.
  std::vector<double> best;
  double bestValue = 0;
  for (const double dead : {0.15, 0.6}) {
    for (const double tau : {0.2, 0.9}) {
      model::VehicleModel start = o.start;
      start.brakeDeadTime = dead;
      start.brakeTimeConstant = tau;
      std::vector<double> x;
      for (const Quantity q : p.layout) {
        const Bound& b = kBounds[static_cast<std::size_t>(q)];
        x.push_back(std::clamp(valueOf(start, q), b.lower, b.upper));
      }
      const double value = polish(p, x, 1.0);
      if (best.empty() || value < bestValue) {
        best = x;
        bestValue = value;
      }
    }
  }
  polish(p, best, 0.1);

  FitResult r;
  r.vehicle = vehicleAt(o.start, p.layout, best.data());
  r.resistanceAFitted = o.gradient.has_value();
  r.powerLagFitted = p.layout.back() == Quantity::PowerTimeConstant;
  double sum = 0;
  for (const Segment& s : segments) {
    const SegmentFit f = fitSegment(s, r.vehicle, o.gradient);
    sum += f.rms * f.rms * static_cast<double>(s.speed.size());
    r.segments.push_back(f);
  }
  r.rms = p.frames > 0 ? std::sqrt(sum / static_cast<double>(p.frames)) : 0.0;
  r.evaluations = p.evaluations;
  r.failures = failuresOf(r, p.layout, best, o);
  return r;
}

}  // namespace tasc::fit
