#include "report/report_format.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "engine/stop_measures.h"

namespace tasc::report {
namespace {

std::string fmt(const char* format, auto... args) {
  char text[1024];
  std::snprintf(text, sizeof text, format, args...);
  return text;
}

// A measure, or "-" when there is none.
std::string value(double v, const char* format) {
  return std::isnan(v) ? std::string("-") : fmt(format, v);
}

nlohmann::json number(double v) {
  return std::isnan(v) ? nlohmann::json(nullptr) : nlohmann::json(v);
}

// One line per accepted stopping beacon, each after `indent`.
std::string namedPoints(const Stop& s, const std::string& indent) {
  std::string out;
  for (std::size_t i = 0; i < s.named.size(); ++i) {
    const NamedPoint& p = s.named[i];
    out += fmt("%s%d at %.3f m + %.3f m = %.3f m%s\n", i ? indent.c_str() : "", p.type, p.position,
               p.distance, p.point(), i + 1 == s.named.size() ? " (in force)" : "");
  }
  return out.empty() ? "none (no stopping beacon accepted)\n" : out;
}

// The error the stop is judged by: against the marker when there is one.
double judgedError(const Stop& s) {
  return std::isnan(s.markerError) ? s.error : s.markerError;
}

// Whether any stop has a true stopping point (--stop-at) to be measured by.
bool anyMarker(const Analysis& a) {
  return std::any_of(a.stops.begin(), a.stops.end(),
                     [](const Stop& s) { return !std::isnan(s.marker); });
}

}  // namespace

std::string formatText(const RecordingReport& rep) {
  const Analysis& a = rep.analysis;
  std::string out =
      fmt("recording   %s: %zu frames, %zu stop%s; position from %s\n", rep.name.c_str(),
          rep.recording.frames.size(), a.stops.size(), a.stops.size() == 1 ? "" : "s",
          a.positionFromLocation ? "offset 0" : "the speed's integral");
  for (const std::string& n : a.notes) out += "note        " + n + "\n";
  if (a.stops.empty()) return out;
  out +=
      "stop    at rest  stop point    error   marker   vs marker  plug-in says            "
      "   far v  to rest  brake  decel   jerk\n";
  out +=
      "            (m)         (m)      (m)      (m)        (m)                          "
      "  (km/h)      (s)   chg. km/h/s km/h/s2\n";
  for (std::size_t i = 0; i < a.stops.size(); ++i) {
    const Stop& s = a.stops[i];
    out += fmt("%4zu %10.3f  %10s %8s %8s %10s  %-25s %6s %8s %6d %6.2f %6.2f\n", i + 1, s.position,
               value(s.stopPoint, "%.3f").c_str(), value(s.error, "%+.3f").c_str(),
               value(s.marker, "%.3f").c_str(), value(s.markerError, "%+.3f").c_str(),
               s.verdict.c_str(), value(s.farSpeed, "%.1f").c_str(),
               value(s.farToStop, "%.2f").c_str(), s.brakeChanges, s.peakDecel, s.peakJerk);
  }
  out +=
      "error: stopping point named by the beacons minus the position at rest (positive short, "
      "negative overrun)\n"
      "       against the point the plug-in aims at: the host's position of the train at the "
      "beacon plus the distance it set\n";
  if (!anyMarker(a)) {
    out +=
        "       (the front's position if the host reports the front); with the beacon receiver "
        "behind the front,\n"
        "       or a beacon's code rounding its distance, the true point differs: give "
        "--stop-at POS to measure against it\n";
  }
  for (std::size_t i = 0; i < a.stops.size(); ++i) {
    const Stop& s = a.stops[i];
    out += fmt("\nstop %zu at %.3f m", i + 1, s.position);
    if (!std::isnan(judgedError(s))) {
      out += fmt(": %+.3f m (%s)", judgedError(s), engine::stopBand(judgedError(s)).c_str());
    }
    out += "\n  named     " + namedPoints(s, "            ");
    if (s.findings.empty()) out += "  explains  nothing unusual\n";
    for (const std::string& f : s.findings) out += "  explains  " + f + "\n";
  }
  return out;
}

std::string formatJson(const std::vector<RecordingReport>& reports, const nlohmann::json& summary) {
  nlohmann::json all = nlohmann::json::array();
  for (const RecordingReport& rep : reports) {
    nlohmann::json stops = nlohmann::json::array();
    for (const Stop& s : rep.analysis.stops) {
      nlohmann::json named = nlohmann::json::array();
      for (const NamedPoint& p : s.named) {
        named.push_back({{"type", p.type}, {"position", p.position}, {"distance", p.distance}});
      }
      stops.push_back({{"position", s.position},
                       {"named", named},
                       {"stopPoint", number(s.stopPoint)},
                       {"error", number(s.error)},
                       {"marker", number(s.marker)},
                       {"markerError", number(s.markerError)},
                       {"verdict", s.verdict},
                       {"farSpeed", number(s.farSpeed)},
                       {"farToStop", number(s.farToStop)},
                       {"brakeChanges", s.brakeChanges},
                       {"peakDecel", s.peakDecel},
                       {"peakJerk", s.peakJerk},
                       {"findings", s.findings}});
    }
    all.push_back({{"recording", rep.name},
                   {"frames", rep.recording.frames.size()},
                   {"positionFrom", rep.analysis.positionFromLocation ? "offset0" : "speed"},
                   {"warnings", rep.warnings},
                   {"notes", rep.analysis.notes},
                   {"stops", stops}});
  }
  return nlohmann::json{{"recordings", all}, {"summary", summary}}.dump(2) + "\n";
}

chart::StopChart describeStop(const RecordingReport& rep, const Replay& rp, std::size_t index) {
  const Analysis& a = rep.analysis;
  const Stop& s = a.stops[index];
  const recording::Recording& r = rep.recording;
  chart::StopChart c;
  c.name = fmt("%s, stop %zu", rep.name.c_str(), index + 1);
  c.stopPoint = std::isnan(s.marker) ? s.stopPoint : s.marker;
  c.stopError = judgedError(s);
  c.band = std::isnan(c.stopError) ? std::string() : engine::stopBand(c.stopError);
  c.verdict = s.verdict;
  c.stopPosition = s.position;
  c.powerCut = s.powerCut;
  c.brakeNotches = a.brakeNotches;
  for (const BeaconCall& b : rp.beacons) {
    if (!inStop(s, b) || b.type < 400 || b.type > 504) continue;
    c.beacons.push_back({a.position[frameAt(b)], b.type,
                         !isStopping(b.type) || b.outcome == BeaconOutcome::Accepted});
  }
  if (c.beacons.empty()) c.startPosition = s.position - 400.0;
  for (std::size_t k = s.first; k <= s.last; ++k) {
    const auto& h = r.frames[k].handles;
    chart::ChartPoint p;
    p.position = a.position[k];
    p.speed = r.frames[k].speed;
    p.pattern = rp.frames[k].patternSpeed;
    const engine::Override sent = engine::overrideOf(h[0], h[3], a.brakeNotches);
    p.command = sent.quarters;
    p.beyond = sent.beyond;
    c.points.push_back(p);
  }
  return c;
}

}  // namespace tasc::report
