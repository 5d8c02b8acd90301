#include "chart/stop_chart.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "chart/svg.h"

namespace tasc::chart {
namespace {

constexpr double kWidth = 960, kHeight = 840;
constexpr double kLeft = 70, kRight = 70, kPlotW = kWidth - kLeft - kRight;
constexpr double kZoomMetres = 10;  // the lower panel: the last metres before the standstill

using svg::escape;
using svg::label;
using svg::num;
using svg::tickCount;
using svg::tickStep;

std::string vline(double x, double y0, double y1, const std::string& style) {
  return "<line x1=\"" + num(x) + "\" y1=\"" + num(y0) + "\" x2=\"" + num(x) + "\" y2=\"" +
         num(y1) + "\" " + style + "/>\n";
}

std::string text(double x, double y, const std::string& content, const std::string& attrs = {}) {
  return "<text x=\"" + num(x) + "\" y=\"" + num(y) + "\"" + (attrs.empty() ? "" : " " + attrs) +
         ">" + escape(content) + "</text>\n";
}

// One plotting area: the ranges shown and the mapping into pixels.
struct Panel {
  double top = 0, height = 0;
  double x0 = 0, x1 = 0;  // m, positions shown
  double vmax = 10;       // km/h at the top
  double vStep = 1;       // km/h between speed ticks
  int32_t notches = 8;    // brake notches at the top of the right axis
  double origin = 0;      // m: position labels are relative to it
  double bottom() const { return top + height; }
  bool shows(double x) const { return x >= x0 && x <= x1; }
  double px(double x) const { return kLeft + (std::clamp(x, x0, x1) - x0) / (x1 - x0) * kPlotW; }
  double py(double v) const { return bottom() - std::clamp(v, 0.0, vmax) / vmax * height; }
  double pq(double quarters) const {
    return bottom() - std::clamp(quarters / 4.0 / notches, 0.0, 1.0) * height;
  }
};

// The speed range of the frames shown.
void fitSpeeds(Panel& p, const StopChart& c) {
  p.vmax = p.x1 - p.x0 < 50 ? 1 : 10;
  for (const ChartPoint& pt : c.points) {
    if (p.shows(pt.position)) p.vmax = std::max(p.vmax, pt.speed);
  }
  p.vStep = tickStep(p.vmax, 6);
  p.vmax = std::ceil(p.vmax / p.vStep) * p.vStep;
}

// From a little before the first beacon (or the start) to a little past the
// stopping point or where the train ended.
Panel mainPanel(const StopChart& c) {
  Panel p;
  p.top = 50;
  p.height = 420;
  p.notches = std::max(c.brakeNotches, 1);
  p.origin = std::isnan(c.stopPoint) ? c.stopPosition : c.stopPoint;
  p.x0 = c.points.empty() ? c.stopPosition - 200 : c.points.front().position;
  if (!std::isnan(c.startPosition)) p.x0 = std::max(p.x0, c.startPosition);
  for (const ChartBeacon& b : c.beacons) {
    if (b.position >= p.x0) {
      p.x0 = std::max(p.x0, b.position - 30.0);
      break;
    }
  }
  p.x1 = std::max(p.origin, c.stopPosition) + 10.0;
  if (p.x1 - p.x0 < 20) p.x0 = p.x1 - 20;
  fitSpeeds(p, c);
  return p;
}

// The last 10 m before the standstill, and the stopping point when it is near.
Panel zoomPanel(const StopChart& c, const Panel& main) {
  Panel p = main;
  p.top = 560;
  p.height = 210;
  p.x0 = c.stopPosition - kZoomMetres;
  p.x1 = c.stopPosition + 1.0;
  if (!std::isnan(c.stopPoint) && std::fabs(c.stopPoint - c.stopPosition) < kZoomMetres) {
    p.x0 = std::min(p.x0, c.stopPoint - 1.0);
    p.x1 = std::max(p.x1, c.stopPoint + 1.0);
  }
  fitSpeeds(p, c);
  return p;
}

void appendAxes(std::string& svg, const Panel& p, int xTickCount) {
  svg += "<g stroke=\"#ddd\" stroke-width=\"1\">\n";
  const double xStep = tickStep(p.x1 - p.x0, xTickCount);
  const double xFirst = std::ceil((p.x0 - p.origin) / xStep) * xStep + p.origin;
  const int xTicks = tickCount(xFirst, p.x1, xStep);
  const int vTicks = tickCount(0, p.vmax, p.vStep);
  for (int i = 0; i < xTicks; ++i) svg += vline(p.px(xFirst + i * xStep), p.top, p.bottom(), "");
  for (int i = 0; i < vTicks; ++i) {
    const double y = p.py(i * p.vStep);
    svg += "<line x1=\"" + num(kLeft) + "\" y1=\"" + num(y) + "\" x2=\"" + num(kLeft + kPlotW) +
           "\" y2=\"" + num(y) + "\"/>\n";
  }
  svg += "</g>\n<g fill=\"#333\">\n";
  for (int i = 0; i < xTicks; ++i) {
    const double x = xFirst + i * xStep;
    svg += text(p.px(x), p.bottom() + 18, label(x - p.origin), "text-anchor=\"middle\"");
  }
  for (int i = 0; i < vTicks; ++i) {
    svg += text(kLeft - 8, p.py(i * p.vStep) + 4, label(i * p.vStep), "text-anchor=\"end\"");
  }
  const int qStep = p.notches > 10 ? 8 : 4;
  for (int q = 0; q <= p.notches * 4; q += qStep) {
    svg += text(kLeft + kPlotW + 8, p.pq(q) + 4, std::to_string(q / 4));
  }
  svg += "<text transform=\"translate(18 " + num(p.top + p.height / 2) +
         ") rotate(-90)\" text-anchor=\"middle\">speed (km/h)</text>\n";
  svg += "<text transform=\"translate(" + num(kWidth - 16) + " " + num(p.top + p.height / 2) +
         ") rotate(90)\" text-anchor=\"middle\">brake notch</text>\n";
  svg += "</g>\n";
  svg += "<rect x=\"" + num(kLeft) + "\" y=\"" + num(p.top) + "\" width=\"" + num(kPlotW) +
         "\" height=\"" + num(p.height) + "\" fill=\"none\" stroke=\"#333\"/>\n";
}

void appendMarks(std::string& svg, const Panel& p, const StopChart& c) {
  for (const ChartBeacon& b : c.beacons) {
    if (!p.shows(b.position)) continue;
    const char* color = b.accepted ? "#2a9d8f" : "#9d2a6e";
    svg += vline(p.px(b.position), p.top, p.bottom(),
                 std::string("stroke=\"") + color + "\" stroke-dasharray=\"4 3\"");
    svg += text(p.px(b.position) + 3, p.top + 14,
                std::to_string(b.type) + (b.accepted ? "" : " (ignored)"),
                std::string("fill=\"") + color + "\"");
  }
  if (!std::isnan(c.powerCut) && p.shows(c.powerCut)) {
    svg +=
        vline(p.px(c.powerCut), p.top, p.bottom(), "stroke=\"#7b2cbf\" stroke-dasharray=\"2 3\"");
    svg += text(p.px(c.powerCut) + 3, p.top + 42, "power cut", "fill=\"#7b2cbf\"");
  }
  if (!std::isnan(c.stopPoint) && p.shows(c.stopPoint)) {
    svg += vline(p.px(c.stopPoint), p.top, p.bottom(), "stroke=\"#d62828\" stroke-width=\"2\"");
    svg += text(p.px(c.stopPoint) + 3, p.top + 28, "stop", "fill=\"#d62828\"");
  }
}

// Brake notch (steps), pattern, speed; frames that sent a notch the vehicle
// lacks as red dots along the top.
void appendCurves(std::string& svg, const Panel& p, const StopChart& c) {
  std::string brake, pattern, speed, beyond;
  bool patternOpen = false;
  double lastQ = 0;
  for (const ChartPoint& pt : c.points) {
    if (!p.shows(pt.position)) continue;
    const double x = p.px(pt.position);
    const double q = pt.command > 0 ? pt.command : 0;
    brake += brake.empty() ? "M" + num(x) + " " + num(p.pq(q))
                           : " H" + num(x) + (q != lastQ ? " V" + num(p.pq(q)) : "");
    lastQ = q;
    if (std::isnan(pt.pattern)) {
      patternOpen = false;
    } else {
      pattern += (patternOpen ? " L" : " M") + num(x) + " " + num(p.py(pt.pattern));
      patternOpen = true;
    }
    speed += (speed.empty() ? "M" : " L") + num(x) + " " + num(p.py(pt.speed));
    if (pt.beyond) {
      beyond += "<circle cx=\"" + num(x) + "\" cy=\"" + num(p.top + 4) + "\" r=\"2.5\"/>\n";
    }
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
  if (!beyond.empty()) svg += "<g fill=\"#d62828\">\n" + beyond + "</g>\n";
}

// The standstill and the error between it and the stopping point.
void appendStopError(std::string& svg, const Panel& p, const StopChart& c) {
  const double xs = p.px(c.stopPosition);
  svg += vline(xs, p.top, p.bottom(), "stroke=\"#1d3557\" stroke-dasharray=\"2 2\"");
  if (std::isnan(c.stopPoint) || std::isnan(c.stopError)) return;
  // A bar from the standstill to the stopping point, labelled to its left.
  const double y = p.top + 60, xp = p.px(c.stopPoint);
  svg += "<line x1=\"" + num(xs) + "\" y1=\"" + num(y) + "\" x2=\"" + num(xp) + "\" y2=\"" +
         num(y) + "\" stroke=\"#d62828\" stroke-width=\"3\"/>\n";
  char error[64];
  std::snprintf(error, sizeof error, "stop error %+.3f m", c.stopError);
  svg += text(std::min(xs, xp) - 6, y + 4, error, "text-anchor=\"end\" fill=\"#d62828\"");
}

void appendLegend(std::string& svg, const Panel& p) {
  const double lx = kLeft + 12, ly = p.bottom() - 64;
  svg += "<g font-size=\"12\">\n";
  const struct {
    const char* label;
    const char* color;
    const char* dash;
  } items[] = {{"speed", "#1d3557", ""},
               {"pattern at the train (plug-in's distance)", "#6c757d", "6 4"},
               {"brake notch commanded (red dots: a notch the vehicle lacks)", "#f4a261", ""}};
  for (int i = 0; i < 3; ++i) {
    const double y = ly + 18 * i;
    svg += "<line x1=\"" + num(lx) + "\" y1=\"" + num(y) + "\" x2=\"" + num(lx + 24) + "\" y2=\"" +
           num(y) + "\" stroke=\"" + items[i].color + "\" stroke-width=\"2\"" +
           (items[i].dash[0] ? std::string(" stroke-dasharray=\"") + items[i].dash + "\"" : "") +
           "/>\n";
    svg += text(lx + 30, y + 4, items[i].label);
  }
  svg += "</g>\n";
}

std::string title(const StopChart& c) {
  char t[512];
  if (std::isnan(c.stopError)) {
    std::snprintf(t, sizeof t, "%s: no stopping point (%s)", c.name.c_str(), c.verdict.c_str());
  } else {
    std::snprintf(t, sizeof t, "%s: stop error %+.3f m (%s); plug-in: %s", c.name.c_str(),
                  c.stopError, c.band.c_str(), c.verdict.c_str());
  }
  return t;
}

}  // namespace

std::string renderChart(const StopChart& c) {
  const Panel main = mainPanel(c);
  const Panel zoom = zoomPanel(c, main);
  std::string svg;
  svg.reserve(std::size_t{96} * 1024);
  svg += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + num(kWidth) + "\" height=\"" +
         num(kHeight) + "\" viewBox=\"0 0 " + num(kWidth) + " " + num(kHeight) +
         "\" font-family=\"sans-serif\" font-size=\"12\">\n";
  svg += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
  svg += text(kWidth / 2, 24, title(c), "text-anchor=\"middle\" font-size=\"16\"");
  appendAxes(svg, main, 10);
  appendMarks(svg, main, c);
  appendCurves(svg, main, c);
  appendLegend(svg, main);
  svg += text(kWidth / 2, main.bottom() + 38, "position relative to the stopping point (m)",
              "text-anchor=\"middle\" fill=\"#333\"");
  svg +=
      text(kWidth / 2, zoom.top - 10, "the last 10 m", "text-anchor=\"middle\" font-size=\"14\"");
  appendAxes(svg, zoom, 10);
  appendMarks(svg, zoom, c);
  appendCurves(svg, zoom, c);
  appendStopError(svg, zoom, c);
  svg += text(kWidth / 2, zoom.bottom() + 38, "position relative to the stopping point (m)",
              "text-anchor=\"middle\" fill=\"#333\"");
  svg += "</svg>\n";
  return svg;
}

}  // namespace tasc::chart
