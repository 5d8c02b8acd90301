#include "report/stops.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "engine/scenario_reach.h"
#include "engine/stop_measures.h"

namespace tasc::report {
namespace {

using recording::FrameRow;
using recording::Recording;

std::string fmt(const char* format, auto... args) {
  char text[512];
  std::snprintf(text, sizeof text, format, args...);
  return text;
}

double travelOf(const FrameRow& f) {
  return f.stepMs > 0 ? static_cast<double>(f.speed) / 3.6 * f.stepMs / 1000.0 : 0.0;
}

// Offset 0 is taken as the position when its steps follow the speed: the
// differences from the speed's travel add up to at most 5 % of that travel.
bool locationIsPosition(const Recording& r) {
  double travel = 0, off = 0;
  for (std::size_t k = 1; k < r.frames.size(); ++k) {
    const double t = travelOf(r.frames[k]);
    const double d = r.frames[k].location - r.frames[k - 1].location;
    if (!std::isfinite(d)) return false;
    travel += std::fabs(t);
    off += std::fabs(d - t);
  }
  return travel < 1.0 || off <= 0.05 * travel;
}

std::vector<double> positions(const Recording& r, bool fromLocation) {
  std::vector<double> p(r.frames.size());
  double x = 0;
  for (std::size_t k = 0; k < r.frames.size(); ++k) {
    x += k > 0 ? travelOf(r.frames[k]) : 0.0;
    p[k] = fromLocation ? r.frames[k].location : x;
  }
  return p;
}

// The frames of each stop: from the end of the one before to the last frame at
// rest. A train that stands at the start has not stopped yet.
std::vector<Stop> findStops(const Recording& r) {
  std::vector<Stop> stops;
  std::size_t first = 0;
  bool moved = false;
  const std::size_t n = r.frames.size();
  for (std::size_t k = 0; k < n; ++k) {
    if (r.frames[k].speed != 0.0f) {
      moved = true;
      continue;
    }
    if (!moved) continue;
    Stop s;
    s.first = first;
    s.standstill = k;
    while (k + 1 < n && r.frames[k + 1].speed == 0.0f) ++k;
    s.last = k;
    stops.push_back(s);
    first = k + 1;
    moved = false;
  }
  return stops;
}

std::string verdictOf(const Stop& s, const Recording& r, const Replay& rp) {
  StopResult result = StopResult::None;
  bool holding = false;
  for (std::size_t k = s.standstill; k <= s.last; ++k) {
    if (rp.frames[k].stopResult != StopResult::None) result = rp.frames[k].stopResult;
    const auto& h = r.frames[k].handles;
    holding = holding || engine::holdsTrain(h[0], h[3]);
  }
  const engine::Verdict v = result != StopResult::None ? engine::verdictOf(result)
                            : s.named.empty()          ? engine::Verdict::NoPattern
                                                       : engine::Verdict::NotEvaluated;
  return std::string(engine::verdictName(v)) + (holding ? ", holding brake" : "");
}

void measureApproach(Stop& s, const Recording& r, const Replay& rp, const Analysis& a) {
  // Brake-command changes count from the first stopping beacon on.
  std::size_t from = s.standstill;
  bool farSeen = false;
  for (const BeaconCall& b : rp.beacons) {
    if (!inStop(s, b) || !isStopping(b.type)) continue;
    from = std::min(from, b.framesBefore);
    if (b.type == 503 && !farSeen) {
      farSeen = true;
      s.farSpeed = r.frames[frameAt(b)].speed;
      const std::size_t after = std::min(b.framesBefore, r.frames.size() - 1);
      s.farToStop = (r.frames[s.standstill].timeMs - r.frames[after].timeMs) / 1000.0;
    }
  }
  const auto command = [&](std::size_t k) {
    const auto& h = r.frames[k].handles;
    return engine::overrideOf(h[0], h[3], a.brakeNotches).quarters;
  };
  engine::ApproachMeter meter;
  meter.start(command(s.first));
  for (std::size_t k = s.first + 1; k <= s.standstill; ++k) {
    const FrameRow& f = r.frames[k];
    if (std::isnan(s.powerCut) && rp.frames[k].command >= 0 && !rp.frames[k].lowSpeed) {
      s.powerCut = a.position[k];
    }
    // The acceleration over a step between two moving frames.
    const bool moving = f.stepMs > 0 && f.speed != 0.0f && r.frames[k - 1].speed != 0.0f;
    const double accel =
        moving ? (static_cast<double>(f.speed) - r.frames[k - 1].speed) / (f.stepMs / 1000.0) : 0.0;
    meter.frame({command(k), k >= from, moving, accel, f.stepMs});
  }
  s.brakeChanges = meter.brakeChanges();
  s.peakDecel = meter.peakDecel();
  s.peakJerk = meter.peakJerk();
}

void beaconFindings(Stop& s, const Replay& rp, const Analysis& a) {
  for (const int32_t type : {503, 502, 501}) {
    bool heard = false;
    for (const BeaconCall& b : rp.beacons) {
      if (!inStop(s, b) || b.type != type) continue;
      heard = true;
      const double at = a.position[frameAt(b)];
      const BeaconWord w = decodeBeaconWord(b.data);
      switch (b.outcome) {
        case BeaconOutcome::Accepted:
          if (!b.recordFound) {
            s.findings.push_back(
                fmt("%d at %.1f m: no record %d/%d in the table of entry %d: "
                    "defaults in force",
                    type, at, w.recordCode, w.subCode, b.tableEntry));
          }
          break;
        case BeaconOutcome::WrongFormation:
          s.findings.push_back(
              fmt("%d at %.1f m ignored: formation %d, the plug-in's "
                  "FormationID is %d",
                  type, at, w.formationCode, b.formationId));
          break;
        case BeaconOutcome::Standing:
          s.findings.push_back(fmt("%d at %.1f m heard while the train stood: ignored", type, at));
          break;
        case BeaconOutcome::HmPtnFiltered:
          s.findings.push_back(
              fmt("%d at %.1f m dropped by the HmPtn flag of the record in force", type, at));
          break;
        default:
          break;
      }
    }
    if (!heard) s.findings.push_back(fmt("no %d beacon heard before this stop", type));
  }
}

void nearBeaconFinding(Stop& s, const Recording& r, const Replay& rp, const Analysis& a) {
  for (const BeaconCall& b : rp.beacons) {
    if (!inStop(s, b) || b.type != 501 || b.outcome != BeaconOutcome::Accepted) continue;
    const double v = r.frames[frameAt(b)].speed;
    if (v > b.patternSpeed) {
      s.findings.push_back(
          fmt("speed %.1f km/h at the 501 beacon (%.1f m) above the pattern's "
              "%.1f km/h",
              v, a.position[frameAt(b)], b.patternSpeed));
    }
  }
}

void frameFindings(Stop& s, const Recording& r, const Replay& rp, const Analysis& a) {
  std::size_t stronger = 0, strongerAt = 0;
  std::vector<int32_t> steps;
  for (std::size_t k = s.first; k <= s.standstill; ++k) {
    const FrameRow& f = r.frames[k];
    if (f.hasPanel && f.panel[3] == 1) {
      s.findings.push_back(fmt("cut-out (panel 88) lit at %.1f m", a.position[k]));
      break;
    }
  }
  for (std::size_t k = s.first; k <= s.standstill; ++k) {
    const FrameRow& f = r.frames[k];
    if (f.stepMs > 0) steps.push_back(f.stepMs);
    const bool overrides = engine::overrideOf(f.handles[0], f.handles[3], a.brakeNotches).active;
    if (rp.frames[k].command > 0 && !rp.frames[k].lowSpeed && !overrides && stronger++ == 0) {
      strongerAt = k;
    }
  }
  if (stronger > 0) {
    s.findings.push_back(
        fmt("the driver's brake was stronger than the command in %zu frames, "
            "from %.1f m",
            stronger, a.position[strongerAt]));
  }
  if (steps.size() < 3) return;
  std::vector<int32_t> sorted = steps;
  std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
  const int32_t median = sorted[sorted.size() / 2];
  const int32_t worst = *std::max_element(steps.begin(), steps.end());
  const auto far = std::count_if(steps.begin(), steps.end(),
                                 [&](int32_t st) { return st > 3 * median && st > median + 20; });
  if (far > 0) {
    s.findings.push_back(fmt("%zu frame steps far above the rest: up to %d ms, median %d ms",
                             static_cast<std::size_t>(far), worst, median));
  }
}

// Whether notch 7 could have stopped the train from its speed at the far
// beacon within the distance the beacon gave (to the marker, with --stop-at):
// a stop out of reach is named as such, not blamed on the near beacon.
void judgeReach(Stop& s, const Recording& r, const Replay& rp, const Analysis& a,
                const ReachVehicle& rv) {
  for (const BeaconCall& b : rp.beacons) {
    if (!inStop(s, b) || !isStopping(b.type) || b.outcome != BeaconOutcome::Accepted) continue;
    model::VehicleModel v = rv.vehicle;
    v.brakeNotches = a.brakeNotches;
    if (!rv.fitted) v.quarterDecel = rp.b7Dec / 28;
    const std::size_t k = frameAt(b);
    const double at = a.position[k];
    const double given = std::isnan(s.marker) ? b.distance : s.marker - at;
    const int32_t power =
        r.frames[k].handles[1] > 0 && r.frames[k].handles[2] == 1 ? r.frames[k].handles[1] : 0;
    s.reach = model::assessReach(v, {rv.gradient, power}, b.type, r.frames[k].speed, given);
    if (s.reach.cannotBeMade()) {
      s.findings.push_back("cannot be made: " + engine::reachAdvice(s.reach, 0.0) +
                           fmt(" (judged at %+.1f per mille, vehicle: ", rv.gradient) + rv.source +
                           ")");
    }
    return;
  }
}

void measure(Stop& s, const Recording& r, const Replay& rp, Analysis& a,
             const std::vector<double>& markers, const ReachVehicle& vehicle) {
  s.position = a.position[s.standstill];
  for (const BeaconCall& b : rp.beacons) {
    if (inStop(s, b) && isStopping(b.type) && b.outcome == BeaconOutcome::Accepted) {
      s.named.push_back({b.type, a.position[frameAt(b)], b.distance});
    }
  }
  if (!s.named.empty()) {
    s.stopPoint = s.named.back().point();
    s.error = s.stopPoint - s.position;
  }
  for (const double m : markers) {
    if (std::isnan(s.marker) || std::fabs(m - s.position) < std::fabs(s.marker - s.position)) {
      s.marker = m;
    }
  }
  if (!std::isnan(s.marker)) s.markerError = s.marker - s.position;
  s.verdict = verdictOf(s, r, rp);
  measureApproach(s, r, rp, a);
  judgeReach(s, r, rp, a, vehicle);
  beaconFindings(s, rp, a);
  if (!s.reach.cannotBeMade()) nearBeaconFinding(s, r, rp, a);
  frameFindings(s, r, rp, a);
}

}  // namespace

std::size_t frameAt(const BeaconCall& b) {
  return b.framesBefore > 0 ? b.framesBefore - 1 : 0;
}

bool inStop(const Stop& s, const BeaconCall& b) {
  return b.framesBefore >= s.first && b.framesBefore <= s.last;
}

bool isStopping(int32_t type) {
  return type >= 501 && type <= 503;
}

Analysis analyse(const Recording& r, const Replay& rp, const std::vector<double>& markers,
                 const ReachVehicle& vehicle) {
  Analysis a;
  if (r.vehicle && (*r.vehicle)[0] > 0) a.brakeNotches = (*r.vehicle)[0];
  a.positionFromLocation = locationIsPosition(r);
  a.position = positions(r, a.positionFromLocation);
  if (!a.positionFromLocation) {
    a.notes.push_back(
        "offset 0 does not follow the speed: positions are the integral of the speed");
  }
  if (rp.disagreements > 0) {
    a.notes.push_back(
        fmt("the plug-in's own code, replayed, answers otherwise than the recording in "
            "%zu frames, the first at %.3f s: is the recorded plug-in this build's?",
            rp.disagreements, r.frames[rp.firstDisagreement].timeMs / 1000.0));
  }
  a.stops = findStops(r);
  for (Stop& s : a.stops) measure(s, r, rp, a, markers, vehicle);
  if (!r.frames.empty() && r.frames.back().speed != 0.0f) {
    a.notes.push_back("the recording ends with the train moving");
  }
  return a;
}

}  // namespace tasc::report
