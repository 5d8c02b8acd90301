#include "sim/chart.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace tasc::sim {
namespace {

constexpr double kWidth = 960, kHeight = 540;
constexpr double kLeft = 70, kRight = 70, kTop = 50, kBottom = 60;
constexpr double kPlotW = kWidth - kLeft - kRight, kPlotH = kHeight - kTop - kBottom;
constexpr int kMaxQuarters = 32;

std::string num(double v) {
  char b[32];
  std::snprintf(b, sizeof b, "%.2f", v);
  return b;
}

// A tick label: up to three decimals, no trailing zeros, no "-0".
std::string label(double v) {
  if (std::fabs(v) < 1e-9) v = 0;
  char b[32];
  std::snprintf(b, sizeof b, "%.3g", v);
  return b;
}

// Text content with the XML specials escaped.
std::string escape(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

// A "nice" tick step for a span, about `count` ticks.
double tickStep(double span, int count) {
  const double raw = span / count;
  const double mag = std::pow(10.0, std::floor(std::log10(raw)));
  for (double m : {1.0, 2.0, 5.0, 10.0}) {
    if (raw <= m * mag) return m * mag;
  }
  return 10 * mag;
}

// Ticks first, first + step, ... up to last (and a hair past, for rounding);
// counted as integers, at most 100.
int tickCount(double first, double last, double step) {
  if (!(step > 0) || !(last + 1e-9 >= first)) return 0;
  const double n = std::floor((last + 1e-9 - first) / step) + 1;
  return n >= 100 ? 100 : static_cast<int>(n);
}

// The plotting area: the ranges shown and the mapping into pixels.
struct Frame {
  double x0 = 0, x1 = 0;  // m, positions shown
  double vmax = 10;       // km/h at the top
  double vStep = 1;       // km/h between speed ticks
  double px(double x) const { return kLeft + (x - x0) / (x1 - x0) * kPlotW; }
  double py(double v) const { return kTop + kPlotH - std::clamp(v, 0.0, vmax) / vmax * kPlotH; }
  static double pq(double q) { return kTop + kPlotH - q / kMaxQuarters * kPlotH; }
};

// From a little before the first beacon (or the start) to a little past the
// stopping point or where the train ended; speeds up to the highest shown.
Frame frameFor(const Scenario& s, const RunResult& r, const std::vector<FrameRow>& trace) {
  Frame f;
  f.x0 = s.initialPosition;
  for (const BeaconSpec& b : s.beacons) {
    if (b.position >= s.initialPosition) {
      f.x0 = std::max(f.x0, b.position - 30.0);
      break;
    }
  }
  f.x1 = std::max(s.stopPoint, r.stopPosition) + 10.0;
  if (f.x1 - f.x0 < 20) f.x0 = f.x1 - 20;
  for (const FrameRow& row : trace) {
    if (row.position >= f.x0) f.vmax = std::max(f.vmax, row.speed);
  }
  f.vStep = tickStep(f.vmax, 6);
  f.vmax = std::ceil(f.vmax / f.vStep) * f.vStep;
  return f;
}

void appendAxes(std::string& svg, const Frame& f, double stopPoint) {
  svg += "<g stroke=\"#ddd\" stroke-width=\"1\">\n";
  const double xStep = tickStep(f.x1 - f.x0, 10);
  const double xFirst = std::ceil(f.x0 / xStep) * xStep;
  const int xTicks = tickCount(xFirst, f.x1, xStep);
  const int vTicks = tickCount(0, f.vmax, f.vStep);
  for (int i = 0; i < xTicks; ++i) {
    const double x = xFirst + i * xStep;
    svg += "<line x1=\"" + num(f.px(x)) + "\" y1=\"" + num(kTop) + "\" x2=\"" + num(f.px(x)) +
           "\" y2=\"" + num(kTop + kPlotH) + "\"/>\n";
  }
  for (int i = 0; i < vTicks; ++i) {
    const double v = i * f.vStep;
    svg += "<line x1=\"" + num(kLeft) + "\" y1=\"" + num(f.py(v)) + "\" x2=\"" +
           num(kLeft + kPlotW) + "\" y2=\"" + num(f.py(v)) + "\"/>\n";
  }
  svg += "</g>\n<g fill=\"#333\">\n";
  for (int i = 0; i < xTicks; ++i) {
    const double x = xFirst + i * xStep;
    svg += "<text x=\"" + num(f.px(x)) + "\" y=\"" + num(kTop + kPlotH + 18) +
           "\" text-anchor=\"middle\">" + label(x - stopPoint) + "</text>\n";
  }
  for (int i = 0; i < vTicks; ++i) {
    const double v = i * f.vStep;
    svg += "<text x=\"" + num(kLeft - 8) + "\" y=\"" + num(f.py(v) + 4) +
           "\" text-anchor=\"end\">" + label(v) + "</text>\n";
  }
  for (int q = 0; q <= kMaxQuarters; q += 4) {
    svg += "<text x=\"" + num(kLeft + kPlotW + 8) + "\" y=\"" + num(Frame::pq(q) + 4) + "\">" +
           std::to_string(q / 4) + "</text>\n";
  }
  svg += "<text x=\"" + num(kLeft + kPlotW / 2) + "\" y=\"" + num(kHeight - 14) +
         "\" text-anchor=\"middle\">position relative to the stopping point (m)</text>\n";
  svg += "<text transform=\"translate(18 " + num(kTop + kPlotH / 2) +
         ") rotate(-90)\" text-anchor=\"middle\">speed (km/h)</text>\n";
  svg += "<text transform=\"translate(" + num(kWidth - 16) + " " + num(kTop + kPlotH / 2) +
         ") rotate(90)\" text-anchor=\"middle\">brake command (notches)</text>\n";
  svg += "</g>\n";
  svg += "<rect x=\"" + num(kLeft) + "\" y=\"" + num(kTop) + "\" width=\"" + num(kPlotW) +
         "\" height=\"" + num(kPlotH) + "\" fill=\"none\" stroke=\"#333\"/>\n";
}

void appendMarks(std::string& svg, const Frame& f, const Scenario& s) {
  for (const BeaconSpec& b : s.beacons) {
    if (b.position < f.x0 || b.position > f.x1) continue;
    svg += "<line x1=\"" + num(f.px(b.position)) + "\" y1=\"" + num(kTop) + "\" x2=\"" +
           num(f.px(b.position)) + "\" y2=\"" + num(kTop + kPlotH) +
           "\" stroke=\"#2a9d8f\" stroke-dasharray=\"4 3\"/>\n";
    svg += "<text x=\"" + num(f.px(b.position) + 3) + "\" y=\"" + num(kTop + 14) +
           "\" fill=\"#2a9d8f\">" + std::to_string(b.type) + "</text>\n";
  }
  svg += "<line x1=\"" + num(f.px(s.stopPoint)) + "\" y1=\"" + num(kTop) + "\" x2=\"" +
         num(f.px(s.stopPoint)) + "\" y2=\"" + num(kTop + kPlotH) +
         "\" stroke=\"#d62828\" stroke-width=\"2\"/>\n";
  svg += "<text x=\"" + num(f.px(s.stopPoint) + 3) + "\" y=\"" + num(kTop + 28) +
         "\" fill=\"#d62828\">stop</text>\n";
}

// Brake command (steps), pattern, speed.
void appendCurves(std::string& svg, const Frame& f, const std::vector<FrameRow>& trace) {
  std::string brake, pattern, speed;
  bool patternOpen = false;
  double lastQ = 0;
  for (const FrameRow& row : trace) {
    if (row.position < f.x0 || row.position > f.x1) continue;
    const double x = f.px(row.position);
    const double q = row.brakeCommand > 0 ? row.brakeCommand : 0;
    brake += brake.empty() ? "M" + num(x) + " " + num(Frame::pq(q))
                           : " H" + num(x) + (q != lastQ ? " V" + num(Frame::pq(q)) : "");
    lastQ = q;
    if (std::isnan(row.patternSpeed)) {
      patternOpen = false;
    } else {
      pattern += (patternOpen ? " L" : " M") + num(x) + " " + num(f.py(row.patternSpeed));
      patternOpen = true;
    }
    speed += (speed.empty() ? "M" : " L") + num(x) + " " + num(f.py(row.speed));
  }
  if (!brake.empty()) {
    svg += "<path d=\"" + brake + "\" fill=\"none\" stroke=\"#f4a261\" stroke-width=\"1.5\"/>\n";
  }
  if (!pattern.empty()) {
    svg += "<path d=\"" + pattern +
           "\" fill=\"none\" stroke=\"#6c757d\" stroke-width=\"1.5\" stroke-dasharray=\"6 4\"/>\n";
  }
  if (!speed.empty()) {
    svg += "<path d=\"" + speed + "\" fill=\"none\" stroke=\"#1d3557\" stroke-width=\"2\"/>\n";
  }
}

void appendLegend(std::string& svg) {
  const double lx = kLeft + 12, ly = kTop + kPlotH - 64;
  svg += "<g font-size=\"12\">\n";
  const struct {
    const char* label;
    const char* color;
    const char* dash;
  } items[] = {{"speed", "#1d3557", ""},
               {"pattern at the train (plug-in's distance)", "#6c757d", "6 4"},
               {"brake command", "#f4a261", ""}};
  for (int i = 0; i < 3; ++i) {
    const double y = ly + 18 * i;
    svg += "<line x1=\"" + num(lx) + "\" y1=\"" + num(y) + "\" x2=\"" + num(lx + 24) + "\" y2=\"" +
           num(y) + "\" stroke=\"" + items[i].color + "\" stroke-width=\"2\"" +
           (items[i].dash[0] ? std::string(" stroke-dasharray=\"") + items[i].dash + "\"" : "") +
           "/>\n";
    svg +=
        "<text x=\"" + num(lx + 30) + "\" y=\"" + num(y + 4) + "\">" + items[i].label + "</text>\n";
  }
  svg += "</g>\n";
}

}  // namespace

std::string renderChart(const Scenario& s, const RunResult& r, const std::vector<FrameRow>& trace) {
  const Frame f = frameFor(s, r, trace);
  std::string svg;
  svg.reserve(std::size_t{64} * 1024);
  svg += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + num(kWidth) + "\" height=\"" +
         num(kHeight) + "\" viewBox=\"0 0 " + num(kWidth) + " " + num(kHeight) +
         "\" font-family=\"sans-serif\" font-size=\"12\">\n";
  svg += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
  char title[256];
  std::snprintf(title, sizeof title, "%s: stop error %+.3f m (%s)", s.name.c_str(), r.stopError,
                verdictName(r.verdict));
  svg += "<text x=\"" + num(kWidth / 2) + "\" y=\"24\" text-anchor=\"middle\" font-size=\"16\">" +
         escape(title) + "</text>\n";
  appendAxes(svg, f, s.stopPoint);
  appendMarks(svg, f, s);
  appendCurves(svg, f, trace);
  appendLegend(svg);
  svg += "</svg>\n";
  return svg;
}

}  // namespace tasc::sim
