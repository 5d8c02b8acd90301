#include "sim/accuracy.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "system/tool_system.h"
namespace tasc::sim {

using engine::caseName;
using engine::RunResult;
using engine::SweepCase;
using engine::verdictName;

Accuracy summarizeSweep(const std::vector<SweepOutcome>& outcomes, std::size_t worstCount) {
  Accuracy a;
  a.runs = outcomes.size();
  std::vector<SweepOutcome> made;
  for (std::size_t i = 0; i < outcomes.size(); ++i) {
    if (outcomes[i].result.reach.cannotBeMade()) {
      ++a.cannotBeMade;
      a.cannotBeMadeCases.push_back(i);
    } else {
      made.push_back(outcomes[i]);
    }
  }
  a.stops = engine::sweepAccuracy(made);
  std::stable_sort(a.cannotBeMadeCases.begin(), a.cannotBeMadeCases.end(),
                   [&](std::size_t x, std::size_t y) {
                     return outcomes[x].result.reach.speed > outcomes[y].result.reach.speed;
                   });
  a.cannotBeMadeCases.resize(std::min(a.cannotBeMadeCases.size(), worstCount));
  std::vector<std::size_t> order;
  for (std::size_t i = 0; i < outcomes.size(); ++i) {
    if (!outcomes[i].result.reach.cannotBeMade()) order.push_back(i);
  }
  // Runs that did not stop come first, then by the size of the error; the
  // index breaks ties, so the list is the same on every run.
  std::stable_sort(order.begin(), order.end(), [&](std::size_t x, std::size_t y) {
    const RunResult& rx = outcomes[x].result;
    const RunResult& ry = outcomes[y].result;
    if (rx.stopped != ry.stopped) return !rx.stopped;
    return std::fabs(rx.stopError) > std::fabs(ry.stopError);
  });
  order.resize(std::min(order.size(), worstCount));
  a.worstCases = order;
  return a;
}

std::string formatAccuracy(const std::vector<SweepOutcome>& outcomes, const Accuracy& a) {
  std::string out;
  char line[256];
  if (a.cannotBeMade == 0) {
    std::snprintf(line, sizeof line, "%zu stops, %zu came to rest\n", a.runs, a.stops.measured);
  } else {
    std::snprintf(line, sizeof line, "%zu stops, %zu can be made, %zu of them came to rest\n",
                  a.runs, a.stops.stops, a.stops.measured);
  }
  out += line;
  out += engine::formatAccuracyTable(a.stops, engine::AccuracyRows::All);
  if (a.cannotBeMade > 0) {
    std::snprintf(line, sizeof line,
                  "cannot be made: %zu stops (notch 7 needs more than the far beacon gives), "
                  "left out above:\n",
                  a.cannotBeMade);
    out += line;
    for (std::size_t i : a.cannotBeMadeCases) {
      const model::Reach& r = outcomes[i].result.reach;
      std::snprintf(line, sizeof line,
                    "  %5.1f km/h at the %d beacon, notch 7 needs %.1f of %.1f m (limit %.1f km/h)"
                    "  %s\n",
                    r.speed, r.beacon, r.needed, r.given, r.limitSpeed,
                    caseName(outcomes[i].sweepCase).c_str());
      out += line;
    }
  }
  out += "worst cases:\n";
  for (std::size_t i : a.worstCases) {
    const RunResult& r = outcomes[i].result;
    if (r.stopped) {
      std::snprintf(line, sizeof line, "  %+8.3f m  %s  (%s)\n", r.stopError,
                    caseName(outcomes[i].sweepCase).c_str(), verdictName(r.verdict));
    } else {
      std::snprintf(line, sizeof line, "  no stop     %s  (%s)\n",
                    caseName(outcomes[i].sweepCase).c_str(), r.endReason.c_str());
    }
    out += line;
  }
  return out;
}

std::string sweepCsv(const std::vector<SweepOutcome>& outcomes) {
  std::string out =
      "initial_speed_kmh,brake_dead_time_s,brake_time_constant_s,gradient_permille,"
      "receiver_offset_m,stopped,stop_error_m,verdict,plugin_distance_m,time_from_beacon_s,"
      "brake_changes,peak_decel_kmhps,peak_jerk_kmhps2,frames_beyond_vehicle,far_speed_kmh,"
      "far_limit_kmh,cannot_be_made\n";
  char line[320];
  for (const SweepOutcome& o : outcomes) {
    const SweepCase& c = o.sweepCase;
    const RunResult& r = o.result;
    const double fromBeacon =
        r.firstBeaconMs >= 0 && r.stopMs >= 0 ? (r.stopMs - r.firstBeaconMs) / 1000.0 : 0.0;
    std::snprintf(line, sizeof line,
                  "%.3f,%.3f,%.3f,%.3f,%.3f,%d,%.4f,%s,%.4f,%.3f,%d,%.4f,%.4f,%d,%.3f,%.3f,%d\n",
                  c.initialSpeed, c.brakeDeadTime, c.brakeTimeConstant, c.gradient,
                  c.receiverOffset, r.stopped ? 1 : 0, r.stopError, verdictName(r.verdict),
                  r.pluginDistanceAtStop, fromBeacon, r.brakeChanges, r.peakDecel, r.peakJerk,
                  r.framesBeyond, r.reach.known ? r.reach.speed : 0.0,
                  r.reach.known ? r.reach.limitSpeed : 0.0, r.reach.cannotBeMade() ? 1 : 0);
    out += line;
  }
  return out;
}

}  // namespace tasc::sim
