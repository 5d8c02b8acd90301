#include "fit/fit_output.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>

#include "chart/svg.h"
#include "model/train.h"
#include "system/text.h"

namespace fs = std::filesystem;

namespace tasc::fit {
namespace {

std::string fmt(const char* format, auto... args) {
  char text[512];
  std::snprintf(text, sizeof text, format, args...);
  return text;
}

// A value that prints as 0 at the table's precision prints without a sign.
double noNegativeZero(double v, double half) {
  return std::fabs(v) < half ? 0.0 : v;
}

constexpr double kW = 720, kH = 360, kLeft = 60, kTop = 50, kRight = 60, kBottom = 50;
constexpr const char* kRecordedColor = "#e76f51";
constexpr const char* kSimulatedColor = "#1d3557";
constexpr const char* kBrakeColor = "#8d99ae";

struct Plot {
  double t1, v1;  // s, km/h at the right and top
  double x(double t) const { return kLeft + t / t1 * kW; }
  double y(double v) const { return kTop + (1.0 - v / v1) * kH; }
  double yBrake(double q) const { return kTop + (1.0 - q / 28.0) * kH; }
};

std::string polyline(const std::vector<double>& xs, const std::vector<double>& ys,
                     const char* color, const char* extra) {
  std::string s =
      "<polyline fill=\"none\" stroke=\"" + std::string(color) + "\" " + extra + " points=\"";
  for (std::size_t k = 0; k < xs.size(); ++k) {
    s += svg::num(xs[k]) + "," + svg::num(ys[k]) + (k + 1 < xs.size() ? " " : "");
  }
  return s + "\"/>\n";
}

std::string axes(const Plot& p, const char* timeLabel) {
  std::string s = "<rect x=\"" + svg::num(kLeft) + "\" y=\"" + svg::num(kTop) + "\" width=\"" +
                  svg::num(kW) + "\" height=\"" + svg::num(kH) +
                  "\" fill=\"none\" stroke=\"#333\"/>\n";
  const double vs = svg::tickStep(p.v1, 6);
  for (int k = 0, n = svg::tickCount(0, p.v1, vs); k < n; ++k) {
    const double y = p.y(k * vs);
    s += "<line x1=\"" + svg::num(kLeft) + "\" y1=\"" + svg::num(y) + "\" x2=\"" +
         svg::num(kLeft + kW) + "\" y2=\"" + svg::num(y) + "\" stroke=\"#ddd\"/>\n";
    s += "<text x=\"" + svg::num(kLeft - 4) + "\" y=\"" + svg::num(y + 4) +
         "\" text-anchor=\"end\">" + svg::label(k * vs) + "</text>\n";
  }
  const double ts = svg::tickStep(p.t1, 8);
  for (int k = 0, n = svg::tickCount(0, p.t1, ts); k < n; ++k) {
    s += "<text x=\"" + svg::num(p.x(k * ts)) + "\" y=\"" + svg::num(kTop + kH + 16) +
         "\" text-anchor=\"middle\">" + svg::label(k * ts) + "</text>\n";
  }
  for (int q = 0; q <= 28; q += 4) {
    s += "<text x=\"" + svg::num(kLeft + kW + 4) + "\" y=\"" + svg::num(p.yBrake(q) + 4) +
         "\" fill=\"" + kBrakeColor + "\">" + std::to_string(q / 4) + "</text>\n";
  }
  s += "<text x=\"" + svg::num(kLeft + kW / 2) + "\" y=\"" + svg::num(kTop + kH + 36) +
       "\" text-anchor=\"middle\">" + timeLabel + "</text>\n";
  s += "<text x=\"16\" y=\"" + svg::num(kTop + kH / 2) + "\" transform=\"rotate(-90 16 " +
       svg::num(kTop + kH / 2) + ")\" text-anchor=\"middle\">speed, km/h</text>\n";
  return s;
}

}  // namespace

std::string formatTable(const std::vector<Segment>& segments, const FitResult& r) {
  const model::VehicleModel& v = r.vehicle;
  std::string s;
  s += fmt("b7_decel             %8.4f km/h/s  (quarter notch %.5f)\n", v.quarterDecel * 28.0,
           v.quarterDecel);
  s += fmt("brake_dead_time      %8.4f s\n", v.brakeDeadTime);
  s += fmt("brake_time_constant  %8.4f s\n", v.brakeTimeConstant);
  if (r.powerLagFitted) s += fmt("power_time_constant  %8.4f s\n", v.powerTimeConstant);
  s += fmt("resistance_a         %8.4f km/h/s%s\n", v.resistanceA,
           r.resistanceAFitted ? "" : "  (held: each stop's gradient takes it up)");
  s += fmt("resistance_c         %.3e km/h/s per (km/h)^2\n", v.resistanceC);
  s += fmt("rms                  %8.4f km/h over all stops\n\n", r.rms);
  // Under power: the speed at the cut, the time from it, and the traction
  // the stop had there.
  const bool power = r.powerLagFitted;
  s += "stop  recording                       start v  braking  gradient    rms";
  s += power ? "  traction\n" : "\n";
  s += "                                       (km/h)      (s)   (o/oo)  (km/h)";
  s += power ? "  (km/h/s)\n" : "\n";
  for (std::size_t k = 0; k < segments.size(); ++k) {
    const Segment& g = segments[k];
    const SegmentFit& f = r.segments[k];
    std::string name = platform::utf8Of(platform::pathFromUtf8(g.recording).filename()) + ":" +
                       std::to_string(g.stop);
    if (name.size() > 30) name = "..." + name.substr(name.size() - 27);
    s += fmt("%4zu  %-30s  %7.2f  %7.2f  %8.3f  %6.4f", k + 1, name.c_str(), g.speed[g.brakeFrom],
             g.duration(), noNegativeZero(f.gradient, 0.0005), f.rms);
    if (power) s += g.underPower() ? fmt("  %8.3f", f.traction) : std::string("         -");
    s += "\n";
  }
  return s;
}

std::string b7DecText(double b7Decel) {
  return fmt("%.4f", b7Decel);
}

std::string vehicleToml(const FitResult& r, const std::vector<std::string>& recordings) {
  const model::VehicleModel& v = r.vehicle;
  std::string s = "# Fitted by tasc fit from " + std::to_string(recordings.size()) +
                  " recording(s); RMS speed error " + fmt("%.4f", r.rms) + " km/h.\n";
  s += "# A scenario reads it with vehicle_file = \"...\"; keys in its own [vehicle] win.\n";
  s += "[vehicle]\n";
  // Rounded far below what a fit resolves, so that a value such as 3.36
  // reads as the B7Dec it matches (and as TASC.ini's B7Dec when written there).
  s += fmt("brake_notches = %d\n", v.brakeNotches);
  s += "b7_decel = " + b7DecText(v.quarterDecel * 28.0) + "\n";
  s += fmt("brake_dead_time = %.4f\n", v.brakeDeadTime);
  s += fmt("brake_time_constant = %.4f\n", v.brakeTimeConstant);
  if (r.powerLagFitted) s += fmt("power_time_constant = %.4f\n", v.powerTimeConstant);
  s += fmt("resistance_a = %.5f\n", v.resistanceA);
  s += fmt("resistance_b = %.8g\n", v.resistanceB);
  s += fmt("resistance_c = %.4g\n", v.resistanceC);
  return s;
}

std::string renderOverlay(const Segment& s, const std::vector<double>& simulated, double rms) {
  std::vector<double> ts, rec, sim, bx, by;
  double vmax = 1;
  for (std::size_t k = 0; k < s.speed.size(); ++k) {
    ts.push_back((s.timeMs[k] - s.timeMs.front()) / 1000.0);
    vmax = std::max({vmax, s.speed[k], simulated[k]});
  }
  const double t1 = std::max(ts.back(), 1.0);
  const double step = svg::tickStep(vmax, 6);
  const Plot p{t1, std::ceil(vmax / step) * step};
  for (std::size_t k = 0; k < ts.size(); ++k) {
    const int32_t q = std::max(model::decodeBrakeNotch(s.brake[k], s.brakeNotches), 0);
    if (k > 0) {
      bx.push_back(p.x(ts[k]));
      by.push_back(by.back());
    }
    bx.push_back(p.x(ts[k]));
    by.push_back(p.yBrake(std::min(q, 28)));
    rec.push_back(p.y(s.speed[k]));
    sim.push_back(p.y(simulated[k]));
    ts[k] = p.x(ts[k]);
  }
  const double w = kLeft + kW + kRight, h = kTop + kH + kBottom;
  std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  out += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + svg::num(w) + "\" height=\"" +
         svg::num(h) + "\" viewBox=\"0 0 " + svg::num(w) + " " + svg::num(h) +
         "\" font-family=\"sans-serif\" font-size=\"12\">\n";
  out += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
  out += "<text x=\"" + svg::num(kLeft) + "\" y=\"20\" font-size=\"15\">" +
         svg::escape(s.recording + ", stop " + std::to_string(s.stop)) +
         fmt(": RMS %.3f km/h</text>\n", rms);
  out += "<text x=\"" + svg::num(kLeft) + "\" y=\"40\"><tspan fill=\"" + kRecordedColor +
         "\">recorded speed</tspan>   <tspan fill=\"" + kSimulatedColor +
         "\">simulated with the fitted vehicle</tspan>   <tspan fill=\"" + kBrakeColor +
         "\">brake notch (right)</tspan></text>\n";
  out += axes(
      p, s.underPower() ? "time from the segment's start, s" : "time from the brake's start, s");
  if (s.underPower()) {
    const double x = ts[s.brakeFrom];
    out += "<line x1=\"" + svg::num(x) + "\" y1=\"" + svg::num(kTop) + "\" x2=\"" + svg::num(x) +
           "\" y2=\"" + svg::num(kTop + kH) + "\" stroke=\"#333\" stroke-dasharray=\"4 3\"/>\n";
    out +=
        "<text x=\"" + svg::num(x + 4) + "\" y=\"" + svg::num(kTop + 14) + "\">power cut</text>\n";
  }
  out += polyline(bx, by, kBrakeColor, "stroke-width=\"1\"");
  out += polyline(ts, rec, kRecordedColor, "stroke-width=\"3\" stroke-opacity=\"0.6\"");
  out += polyline(ts, sim, kSimulatedColor, "stroke-width=\"1.2\"");
  return out + "</svg>\n";
}

void writeReplacing(const fs::path& file, const std::string& text) {
  fs::path temp = file;
  temp += ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out << text;
    out.flush();
    if (!out) {
      std::error_code ec;
      fs::remove(temp, ec);
      throw OutputError("cannot write " + platform::utf8Of(temp));
    }
  }
  std::error_code ec;
  fs::rename(temp, file, ec);
  if (ec) {
    // A runtime whose rename does not replace an existing file.
    fs::remove(file, ec);
    fs::rename(temp, file, ec);
  }
  if (ec) {
    const std::string why = ec.message();
    fs::remove(temp, ec);
    throw OutputError("cannot write " + platform::utf8Of(file) + ": " + why);
  }
}

}  // namespace tasc::fit
