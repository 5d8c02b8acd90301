#include "chart/error_chart.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "chart/svg.h"

namespace tasc::chart {
namespace {

using svg::escape;
using svg::label;
using svg::num;

using L = ErrorLayout;

constexpr const char* kPointColor = "#1f5fa8";
constexpr const char* kReachColor = "#c0392b";

std::string rect(double x, double y, double w, double h, const std::string& style) {
  return "<rect x=\"" + num(x) + "\" y=\"" + num(y) + "\" width=\"" + num(w) + "\" height=\"" +
         num(h) + "\" " + style + "/>\n";
}

std::string text(double x, double y, const std::string& content, const std::string& attrs) {
  return "<text x=\"" + num(x) + "\" y=\"" + num(y) + "\" " + attrs + ">" + content + "</text>\n";
}

// The shaded bands, the grid and the tick labels of both axes.
std::string frame(const ErrorLayout& l) {
  const double right = L::kLeft + L::kPlotW;
  std::string s =
      rect(L::kLeft, l.py(0.25), L::kPlotW, l.py(-0.25) - l.py(0.25), "fill=\"#eef6ee\"");
  s += rect(L::kLeft, l.py(0.10), L::kPlotW, l.py(-0.10) - l.py(0.10), "fill=\"#cfe8d2\"");
  for (int k = 0; k < l.y.count; ++k) {
    const double y = l.py(l.y.at(k));
    s += "<line x1=\"" + num(L::kLeft) + "\" y1=\"" + num(y) + "\" x2=\"" + num(right) +
         "\" y2=\"" + num(y) + "\" stroke=\"" + (std::fabs(l.y.at(k)) < 1e-9 ? "#666" : "#ddd") +
         "\"/>\n";
    s += text(L::kLeft - 6, y + 4, label(l.y.at(k)), "text-anchor=\"end\"");
  }
  for (int k = 0; k < l.x.count; ++k) {
    const double x = l.px(l.x.at(k));
    s += "<line x1=\"" + num(x) + "\" y1=\"" + num(L::kTop) + "\" x2=\"" + num(x) + "\" y2=\"" +
         num(L::kTop + L::kPlotH) + "\" stroke=\"#eee\"/>\n";
    s += text(x, L::kTop + L::kPlotH + 16, label(l.x.at(k)), "text-anchor=\"middle\"");
  }
  s += rect(L::kLeft, L::kTop, L::kPlotW, L::kPlotH, "fill=\"none\" stroke=\"#333\"");
  s += text(L::kLeft + L::kPlotW / 2, L::kTop + L::kPlotH + 36, "speed at the far beacon (km/h)",
            "text-anchor=\"middle\"");
  s += text(
      16, L::kTop + L::kPlotH / 2, "stop error (m, positive short)",
      "text-anchor=\"middle\" transform=\"rotate(-90 16 " + num(L::kTop + L::kPlotH / 2) + ")\"");
  return s;
}

// One stop's mark: a dot, a cross for a stop out of reach, a triangle on the
// edge for an error beyond the axis.
std::string mark(const ErrorLayout& l, const ErrorPoint& p) {
  const double x = l.px(p.speed), y = l.py(p.error);
  const char* color = p.outOfReach ? kReachColor : kPointColor;
  std::string shape;
  if (l.clipped(p.error)) {
    const bool top = p.error > l.y.last();
    const double base = top ? y + 9 : y - 9;
    shape = "<polygon points=\"" + num(x) + "," + num(y) + " " + num(x - 5) + "," + num(base) +
            " " + num(x + 5) + "," + num(base) + "\" fill=\"" + color + "\"/>";
  } else if (p.outOfReach) {
    shape = "<path d=\"M" + num(x - 4) + " " + num(y - 4) + "L" + num(x + 4) + " " + num(y + 4) +
            "M" + num(x - 4) + " " + num(y + 4) + "L" + num(x + 4) + " " + num(y - 4) +
            "\" stroke=\"" + color + "\" stroke-width=\"2\"/>";
  } else {
    shape = "<circle cx=\"" + num(x) + "\" cy=\"" + num(y) + "\" r=\"3.5\" fill=\"" + color +
            "\" fill-opacity=\"0.7\"/>";
  }
  char value[64];
  std::snprintf(value, sizeof value, ": %.1f km/h, %+.3f m", p.speed, p.error);
  std::string tip = "<title>" + escape(p.label) + value +
                    (p.outOfReach ? " (could not be made)" : "") + "</title>";
  if (p.link.empty()) return "<g>" + tip + shape + "</g>\n";
  return "<a href=\"" + escape(p.link) + "\">" + tip + shape + "</a>\n";
}

bool drawn(const ErrorPoint& p) {
  return std::isfinite(p.speed) && std::isfinite(p.error);
}

}  // namespace

double ErrorLayout::px(double speed) const {
  const double span = x.last() - x.first;
  return kLeft + 10 + (speed - x.first) / span * (kPlotW - 20);
}

double ErrorLayout::py(double error) const {
  const double y0 = y.first, y1 = y.last();
  return kTop + (y1 - std::clamp(error, y0, y1)) / (y1 - y0) * kPlotH;
}

ErrorLayout layoutErrors(const std::vector<ErrorPoint>& points) {
  std::vector<double> errors;
  double lo = 0, hi = 0;
  bool any = false;
  for (const ErrorPoint& p : points) {
    if (!drawn(p)) continue;
    errors.push_back(p.error);
    lo = any ? std::min(lo, p.speed) : p.speed;
    hi = any ? std::max(hi, p.speed) : p.speed;
    any = true;
  }
  const ErrorRange shown = shownErrors(errors);
  ErrorLayout l;
  l.x = niceTicks(lo, hi);
  l.y = niceTicks(shown.lo, shown.hi);
  return l;
}

std::string renderErrorChart(const std::string& title, const std::vector<ErrorPoint>& points) {
  const ErrorLayout l = layoutErrors(points);
  std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + num(L::kWidth) + "\" height=\"" +
         num(L::kHeight) + "\" viewBox=\"0 0 " + num(L::kWidth) + " " + num(L::kHeight) +
         "\" font-family=\"sans-serif\" font-size=\"12\">\n";
  svg += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
  svg += text(L::kLeft, 18, escape(title), "font-size=\"14\" font-weight=\"bold\"");
  svg += frame(l);
  int beyond = 0, notDrawn = 0;
  for (const ErrorPoint& p : points) {
    if (!drawn(p)) {
      ++notDrawn;
      continue;
    }
    if (l.clipped(p.error)) ++beyond;
    svg += mark(l, p);
  }
  const std::string key =
      "<tspan fill=\"#cfe8d2\">&#9632;</tspan> within &#177;0.10 m   "
      "<tspan fill=\"#eef6ee\" stroke=\"#cfe8d2\">&#9632;</tspan> within "
      "&#177;0.25 m   <tspan fill=\"" +
      std::string(kReachColor) +
      "\">&#215;</tspan> could not be made   &#9650;&#9660; beyond the axis";
  svg += text(L::kLeft, 33, key, "font-size=\"12\"");
  std::string note;
  if (beyond > 0) note += std::to_string(beyond) + " beyond the error axis, drawn on its edge";
  if (notDrawn > 0) {
    note += (note.empty() ? "" : "; ") + std::to_string(notDrawn) +
            " without a far beacon or an error, not drawn";
  }
  if (!note.empty()) svg += text(L::kLeft, L::kHeight - 8, note, "font-size=\"11\"");
  svg += "</svg>\n";
  return svg;
}

}  // namespace tasc::chart
