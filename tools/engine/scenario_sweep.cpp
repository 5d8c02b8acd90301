// The scenario's [sweep]: each axis a number, a list or a range.
#include <cmath>
#include <cstdio>
#include <optional>

#include "engine/scenario_reader.h"

namespace tasc::engine::detail {
namespace {

// A value that reads but is likely not what the author meant warns.
std::optional<double> plausible(Reader& r, const toml::node* n, std::string_view key,
                                SweepAxis axis, std::optional<double> value) {
  if (value) {
    const std::string why = implausibleSweepValue(axis, *value);
    if (!why.empty()) r.warn(n, key, why);
  }
  return value;
}

// One axis of the sweep: a number, an array of numbers, or {from, to, step}.
std::vector<double> readAxis(Reader& r, std::string_view key, SweepAxis axis, double lo,
                             double hi) {
  const toml::node* n = r.get(key);
  if (!n) return {};
  std::vector<double> values;
  if (const auto* a = n->as_array()) {
    if (a->empty()) r.fail(n, key, "empty list");
    for (const toml::node& e : *a) {
      if (const auto v = plausible(r, &e, key, axis, r.checkNumber(&e, key, lo, hi)))
        values.push_back(*v);
    }
  } else if (const auto* t = n->as_table()) {
    const toml::node* from = t->get("from");
    const toml::node* to = t->get("to");
    const toml::node* step = t->get("step");
    if (!from || !to || !step) r.fail(n, key, "a range needs from, to and step");
    for (const auto& [k, v] : *t) {
      if (k.str() != "from" && k.str() != "to" && k.str() != "step") {
        r.note(&v, std::string(key) + "." + std::string(k.str()), "unknown key");
      }
    }
    const auto fv = plausible(r, from, key, axis, r.checkNumber(from, key, lo, hi));
    const auto ev = plausible(r, to, key, axis, r.checkNumber(to, key, lo, hi));
    const auto sv = r.checkNumber(step, key, 1e-9, 1e9);
    if (!fv || !ev || !sv) return {};
    const double f = *fv, e = *ev, s = *sv;
    if (e < f) r.fail(to, key, "'to' is below 'from'");
    const double count = std::floor((e - f) / s + 1e-9) + 1;
    if (count > 10000) r.fail(step, key, "more than 10000 values");
    for (int i = 0; i < static_cast<int>(count); ++i) values.push_back(f + s * i);
  } else {
    if (const auto v = plausible(r, n, key, axis, r.checkNumber(n, key, lo, hi)))
      values.push_back(*v);
  }
  return values;
}

}  // namespace

void readSweep(Reader& w, SweepAxes& sweep) {
  sweep.initialSpeed = readAxis(w, "initial_speed", SweepAxis::InitialSpeed, 0, 400);
  sweep.brakeDeadTime = readAxis(w, "brake_dead_time", SweepAxis::BrakeDeadTime, 0, 5);
  sweep.brakeTimeConstant = readAxis(w, "brake_time_constant", SweepAxis::BrakeTimeConstant, 0, 10);
  sweep.gradient = readAxis(w, "gradient", SweepAxis::Gradient, -100, 100);
  sweep.receiverOffset = readAxis(w, "receiver_offset", SweepAxis::ReceiverOffset, -100, 500);
  w.finish();
}

}  // namespace tasc::engine::detail

namespace tasc::engine {

const char* sweepAxisName(SweepAxis axis) {
  switch (axis) {
    case SweepAxis::InitialSpeed:
      return "initial speed";
    case SweepAxis::BrakeDeadTime:
      return "brake dead time";
    case SweepAxis::BrakeTimeConstant:
      return "brake time constant";
    case SweepAxis::Gradient:
      return "gradient";
    case SweepAxis::ReceiverOffset:
      return "receiver offset";
  }
  return "?";
}

std::string implausibleSweepValue(SweepAxis axis, double v) {
  // Past these a value is a slip: a decimal point lost (0,4 read as 0 and 4),
  // a per-cent gradient, another unit. A tenth is what was likely meant.
  struct Plausible {
    double low, high;
    const char* unit;
    const char* hint;
    SweepAxis axis;
    bool tenth;  // suggest a tenth of the value
  };
  static constexpr Plausible kPlausible[] = {
      {0, 200, "km/h", "a typo?", SweepAxis::InitialSpeed, false},
      {0, 1.5, "s", "decimals take a point; a list is a,b,c", SweepAxis::BrakeDeadTime, true},
      {0, 3, "s", "decimals take a point; a list is a,b,c", SweepAxis::BrakeTimeConstant, true},
      {-40, 40, "per mille", "gradients are per mille, uphill positive", SweepAxis::Gradient, true},
      {0, 400, "m", "the receiver sits on the train, up to its length behind the front",
       SweepAxis::ReceiverOffset, false},
  };
  for (const Plausible& p : kPlausible) {
    if (p.axis != axis || (v >= p.low && v <= p.high)) continue;
    const std::string name = sweepAxisName(axis);
    const std::string named = (name[0] == 'i' ? "an " : "a ") + name;
    const char* subject = named.c_str();
    char text[240];
    if (p.tenth) {
      std::snprintf(text, sizeof text, "%s of %g %s is outside %g..%g %s: did you mean %g? (%s)",
                    subject, v, p.unit, p.low, p.high, p.unit, v / 10, p.hint);
    } else {
      std::snprintf(text, sizeof text, "%s of %g %s is outside %g..%g %s (%s)", subject, v, p.unit,
                    p.low, p.high, p.unit, p.hint);
    }
    return text;
  }
  return {};
}

}  // namespace tasc::engine
