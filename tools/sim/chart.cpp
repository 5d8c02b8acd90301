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

}  // namespace

std::string renderChart(const Scenario& s, const RunResult& r, const std::vector<FrameRow>& trace) {
  // Horizontal range: from a little before the first beacon (or the start)
  // to a little past the stopping point or where the train ended.
  double x0 = s.initialPosition;
  for (const BeaconSpec& b : s.beacons) {
    if (b.position >= s.initialPosition) {
      x0 = std::max(x0, b.position - 30.0);
      break;
    }
  }
  double x1 = std::max(s.stopPoint, r.stopPosition) + 10.0;
  if (x1 - x0 < 20) x0 = x1 - 20;
  double vmax = 10;
  for (const FrameRow& f : trace) {
    if (f.position >= x0) vmax = std::max(vmax, f.speed);
  }
  const double vStep = tickStep(vmax, 6);
  vmax = std::ceil(vmax / vStep) * vStep;

  const auto px = [&](double x) { return kLeft + (x - x0) / (x1 - x0) * kPlotW; };
  const auto py = [&](double v) {
    return kTop + kPlotH - std::clamp(v, 0.0, vmax) / vmax * kPlotH;
  };
  const auto pq = [&](double q) { return kTop + kPlotH - q / kMaxQuarters * kPlotH; };

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

  // Grid and axes.
  svg += "<g stroke=\"#ddd\" stroke-width=\"1\">\n";
  const double xStep = tickStep(x1 - x0, 10);
  const double xFirst = std::ceil(x0 / xStep) * xStep;
  const int xTicks = tickCount(xFirst, x1, xStep);
  const int vTicks = tickCount(0, vmax, vStep);
  for (int i = 0; i < xTicks; ++i) {
    const double x = xFirst + i * xStep;
    svg += "<line x1=\"" + num(px(x)) + "\" y1=\"" + num(kTop) + "\" x2=\"" + num(px(x)) +
           "\" y2=\"" + num(kTop + kPlotH) + "\"/>\n";
  }
  for (int i = 0; i < vTicks; ++i) {
    const double v = i * vStep;
    svg += "<line x1=\"" + num(kLeft) + "\" y1=\"" + num(py(v)) + "\" x2=\"" + num(kLeft + kPlotW) +
           "\" y2=\"" + num(py(v)) + "\"/>\n";
  }
  svg += "</g>\n<g fill=\"#333\">\n";
  for (int i = 0; i < xTicks; ++i) {
    const double x = xFirst + i * xStep;
    svg += "<text x=\"" + num(px(x)) + "\" y=\"" + num(kTop + kPlotH + 18) +
           "\" text-anchor=\"middle\">" + label(x - s.stopPoint) + "</text>\n";
  }
  for (int i = 0; i < vTicks; ++i) {
    const double v = i * vStep;
    svg += "<text x=\"" + num(kLeft - 8) + "\" y=\"" + num(py(v) + 4) + "\" text-anchor=\"end\">" +
           label(v) + "</text>\n";
  }
  for (int q = 0; q <= kMaxQuarters; q += 4) {
    svg += "<text x=\"" + num(kLeft + kPlotW + 8) + "\" y=\"" + num(pq(q) + 4) + "\">" +
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

  // Beacons and the stopping point.
  for (const BeaconSpec& b : s.beacons) {
    if (b.position < x0 || b.position > x1) continue;
    svg += "<line x1=\"" + num(px(b.position)) + "\" y1=\"" + num(kTop) + "\" x2=\"" +
           num(px(b.position)) + "\" y2=\"" + num(kTop + kPlotH) +
           "\" stroke=\"#2a9d8f\" stroke-dasharray=\"4 3\"/>\n";
    svg += "<text x=\"" + num(px(b.position) + 3) + "\" y=\"" + num(kTop + 14) +
           "\" fill=\"#2a9d8f\">" + std::to_string(b.type) + "</text>\n";
  }
  svg += "<line x1=\"" + num(px(s.stopPoint)) + "\" y1=\"" + num(kTop) + "\" x2=\"" +
         num(px(s.stopPoint)) + "\" y2=\"" + num(kTop + kPlotH) +
         "\" stroke=\"#d62828\" stroke-width=\"2\"/>\n";
  svg += "<text x=\"" + num(px(s.stopPoint) + 3) + "\" y=\"" + num(kTop + 28) +
         "\" fill=\"#d62828\">stop</text>\n";

  // Curves: brake command (steps), pattern, speed.
  std::string brake, pattern, speed;
  bool patternOpen = false;
  double lastQ = 0;
  for (const FrameRow& f : trace) {
    if (f.position < x0 || f.position > x1) continue;
    const double x = px(f.position);
    const double q = f.brakeCommand > 0 ? f.brakeCommand : 0;
    brake += brake.empty() ? "M" + num(x) + " " + num(pq(q))
                           : " H" + num(x) + (q != lastQ ? " V" + num(pq(q)) : "");
    lastQ = q;
    if (std::isnan(f.patternSpeed)) {
      patternOpen = false;
    } else {
      pattern += (patternOpen ? " L" : " M") + num(x) + " " + num(py(f.patternSpeed));
      patternOpen = true;
    }
    speed += (speed.empty() ? "M" : " L") + num(x) + " " + num(py(f.speed));
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

  // Legend.
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
  svg += "</g>\n</svg>\n";
  return svg;
}

}  // namespace tasc::sim
