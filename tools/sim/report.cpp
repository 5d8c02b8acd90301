#include "sim/report.h"

#include <cmath>
#include <cstdarg>
#include <fstream>

namespace tasc::sim {
namespace {

std::string fmt(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string fmt(const char* format, ...) {
  char buffer[512];
  va_list args;
  va_start(args, format);
  const int n = std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  return n < 0 ? std::string()
               : std::string(buffer, static_cast<std::size_t>(std::min<int>(n, sizeof buffer - 1)));
}

// A fixed-decimal number, or an empty field for NaN. -0 prints as 0.
std::string fixed(double v, int decimals) {
  if (std::isnan(v)) return {};
  std::string s = fmt("%.*f", decimals, v);
  if (s[0] == '-' && s.find_first_not_of("-0.") == std::string::npos) s.erase(0, 1);
  return s;
}

}  // namespace

std::string formatSummary(const Scenario& s, const RunResult& r) {
  std::string out;
  out += fmt("scenario      %s (%s)\n", s.name.c_str(), s.file.string().c_str());
  if (r.stopped) {
    out += fmt("stop error    %+.3f m  (%s; positive short, negative overrun)\n", r.stopError,
               std::fabs(r.stopError) <= 0.5 ? "within 0.5 m" : "outside 0.5 m");
  } else {
    out += fmt("stop error    %+.3f m  (did not stop: %s)\n", r.stopError, r.endReason.c_str());
  }
  std::string verdict = verdictName(r.verdict);
  if (r.verdict == Verdict::OnTarget || r.verdict == Verdict::Short ||
      r.verdict == Verdict::Overrun || r.verdict == Verdict::NotEvaluated) {
    verdict += fmt(" (plug-in's own distance %+.3f m", r.pluginDistanceAtStop);
    verdict += r.holdingBrake ? "; holding brake applied)" : "; no holding brake)";
  }
  out += fmt("plug-in says  %s\n", verdict.c_str());
  if (r.firstBeaconMs >= 0 && r.stopMs >= 0) {
    out += fmt("time          %.2f s from the first beacon to the stop\n",
               (r.stopMs - r.firstBeaconMs) / 1000.0);
  }
  out += fmt("brake         %d command changes, strongest %d quarter notches\n", r.brakeChanges,
             r.peakCommand < 0 ? 0 : r.peakCommand);
  out += fmt("comfort       peak deceleration %.2f km/h/s, peak jerk %.2f km/h/s^2\n", r.peakDecel,
             r.peakJerk);
  std::string beacons;
  for (const BeaconPass& b : r.beacons) {
    if (!beacons.empty()) beacons += ", ";
    beacons += fmt("%d at %.1f m", b.type, b.position);
    if (b.type >= 501 && b.type <= 503) {
      beacons += b.accepted() ? fmt(" -> %.3f m", b.distance) : std::string(" (ignored)");
    }
  }
  out += fmt("beacons       %s\n", beacons.empty() ? "none passed" : beacons.c_str());
  return out;
}

std::string traceHeader() {
  return "time_s,position_m,speed_kmh,accel_kmhps,remaining_true_m,remaining_plugin_m,"
         "pattern_kmh,brake_decel_kmhps,brake_command_q,notch_sent,power_sent,reverser_sent,"
         "constant_speed,driver_power,driver_brake,p85,p86,p87,p88,p89,beacon\n";
}

std::string formatTraceRow(const FrameRow& r) {
  std::string line;
  line.reserve(160);
  line += fixed(r.timeMs / 1000.0, 3) + ',';
  line += fixed(r.position, 4) + ',';
  line += fixed(r.speed, 4) + ',';
  line += fixed(r.accel, 4) + ',';
  line += fixed(r.trueRemaining, 4) + ',';
  line += fixed(r.pluginRemaining, 4) + ',';
  line += fixed(r.patternSpeed, 4) + ',';
  line += fixed(r.brakeDecel, 4) + ',';
  line += fmt("%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,", r.brakeCommand, r.sent.brake, r.sent.power,
              r.sent.reverser, r.sent.constantSpeed, r.driverPower, r.driverBrake, r.panel[0],
              r.panel[1], r.panel[2], r.panel[3], r.panel[4]);
  line += r.beacon ? std::to_string(r.beacon) : std::string();
  line += '\n';
  return line;
}

bool writeTrace(const std::string& path, const std::vector<FrameRow>& rows) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out << traceHeader();
  for (const FrameRow& r : rows) out << formatTraceRow(r);
  return static_cast<bool>(out);
}

}  // namespace tasc::sim
