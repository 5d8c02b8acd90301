#include "sim/trace.h"

#include <cmath>
#include <cstdio>
#include <fstream>

namespace tasc::sim {
namespace {

// A fixed-decimal number, or an empty field for NaN. -0 prints as 0.
std::string fixed(double v, int decimals) {
  if (std::isnan(v)) return {};
  char text[512];  // any double with its decimals
  std::snprintf(text, sizeof text, "%.*f", decimals, v);
  std::string s = text;
  if (s[0] == '-' && s.find_first_not_of("-0.") == std::string::npos) s.erase(0, 1);
  return s;
}

}  // namespace

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
  char ints[160];
  std::snprintf(ints, sizeof ints, "%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,", r.brakeCommand,
                r.sent.brake, r.sent.power, r.sent.reverser, r.sent.constantSpeed, r.driverPower,
                r.driverBrake, r.panel[0], r.panel[1], r.panel[2], r.panel[3], r.panel[4]);
  line += ints;
  line += r.beacon ? std::to_string(r.beacon) : std::string();
  line += '\n';
  return line;
}

bool writeTrace(const std::filesystem::path& path, const std::vector<FrameRow>& rows) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out << traceHeader();
  for (const FrameRow& r : rows) out << formatTraceRow(r);
  return static_cast<bool>(out);
}

}  // namespace tasc::sim
