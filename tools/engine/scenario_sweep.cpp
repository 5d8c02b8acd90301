// The scenario's [sweep]: each axis a number, a list or a range.
#include <cmath>

#include "engine/scenario_reader.h"

namespace tasc::engine::detail {
namespace {

// One axis of the sweep: a number, an array of numbers, or {from, to, step}.
std::vector<double> readAxis(Reader& r, std::string_view key, double lo, double hi) {
  const toml::node* n = r.get(key);
  if (!n) return {};
  std::vector<double> values;
  if (const auto* a = n->as_array()) {
    if (a->empty()) r.fail(n, key, "empty list");
    for (const toml::node& e : *a) {
      if (const auto v = r.checkNumber(&e, key, lo, hi)) values.push_back(*v);
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
    const auto fv = r.checkNumber(from, key, lo, hi);
    const auto ev = r.checkNumber(to, key, lo, hi);
    const auto sv = r.checkNumber(step, key, 1e-9, 1e9);
    if (!fv || !ev || !sv) return {};
    const double f = *fv, e = *ev, s = *sv;
    if (e < f) r.fail(to, key, "'to' is below 'from'");
    const double count = std::floor((e - f) / s + 1e-9) + 1;
    if (count > 10000) r.fail(step, key, "more than 10000 values");
    for (int i = 0; i < static_cast<int>(count); ++i) values.push_back(f + s * i);
  } else {
    if (const auto v = r.checkNumber(n, key, lo, hi)) values.push_back(*v);
  }
  return values;
}

}  // namespace

void readSweep(Reader& w, SweepAxes& sweep) {
  sweep.initialSpeed = readAxis(w, "initial_speed", 0, 400);
  sweep.brakeDeadTime = readAxis(w, "brake_dead_time", 0, 5);
  sweep.brakeTimeConstant = readAxis(w, "brake_time_constant", 0, 10);
  sweep.gradient = readAxis(w, "gradient", -100, 100);
  sweep.receiverOffset = readAxis(w, "receiver_offset", -100, 500);
  w.finish();
}

}  // namespace tasc::engine::detail
