#include "tune/tune_chart.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>

#include "chart/axis.h"
#include "chart/svg.h"
#include "system/text.h"
#include "tune/record_file.h"

namespace tasc::tune {
namespace {

constexpr double kPanelW = 300, kPanelH = 320, kGap = 30;
constexpr double kLeft = 60, kTop = 60, kBottom = 50, kRight = 20;
constexpr const char* kBeforeColor = "#e76f51";
constexpr const char* kAfterColor = "#1d3557";

using chart::ErrorRange;
using chart::niceTicks;
using chart::shownErrors;
using chart::Ticks;
using svg::escape;
using svg::label;
using svg::num;

struct Axis {
  const char* title;
  double (*value)(const engine::SweepCase&);
};

const Axis kAxes[] = {
    {"initial speed, km/h", [](const engine::SweepCase& c) { return c.initialSpeed; }},
    {"brake dead time, s", [](const engine::SweepCase& c) { return c.brakeDeadTime; }},
    {"brake lag, s", [](const engine::SweepCase& c) { return c.brakeTimeConstant; }},
    {"gradient, per mille", [](const engine::SweepCase& c) { return c.gradient; }},
    {"receiver offset, m", [](const engine::SweepCase& c) { return c.receiverOffset; }},
};

// One panel: the stop error of every run against one axis, before and after.
struct Panel {
  const Axis* axis;
  Ticks x;      // the axis's values
  Ticks y;      // m
  double left;  // px of the plot's left edge
  double px(double v) const {
    return left + 15 + (v - x.first) / (x.last() - x.first) * (kPanelW - 30);
  }
  double py(double e) const {
    const double y0 = y.first, y1 = y.last();
    return kTop + (y1 - std::clamp(e, y0, y1)) / (y1 - y0) * kPanelH;
  }
};

// The stops drawn at one edge of a panel: beyond its axis, or not at rest.
struct Edge {
  int count = 0;
  int notStopped = 0;
  double farthest = 0;  // m
};

void appendFrame(std::string& svg, const Panel& p) {
  svg += "<rect x=\"" + num(p.left) + "\" y=\"" + num(p.py(0.10)) + "\" width=\"" + num(kPanelW) +
         "\" height=\"" + num(p.py(-0.10) - p.py(0.10)) + "\" fill=\"#e9f5ec\"/>\n";
  svg += "<rect x=\"" + num(p.left) + "\" y=\"" + num(kTop) + "\" width=\"" + num(kPanelW) +
         "\" height=\"" + num(kPanelH) + "\" fill=\"none\" stroke=\"#333\"/>\n";
  for (int k = 0; k < p.y.count; ++k) {
    const double e = p.y.at(k);
    svg += "<line x1=\"" + num(p.left) + "\" y1=\"" + num(p.py(e)) + "\" x2=\"" +
           num(p.left + kPanelW) + "\" y2=\"" + num(p.py(e)) + "\" stroke=\"#ccc\"/>\n";
    svg += "<text x=\"" + num(p.left - 4) + "\" y=\"" + num(p.py(e) + 4) +
           "\" text-anchor=\"end\">" + label(e) + "</text>\n";
  }
  for (int k = 0; k < p.x.count; ++k) {
    svg += "<text x=\"" + num(p.px(p.x.at(k))) + "\" y=\"" + num(kTop + kPanelH + 16) +
           "\" text-anchor=\"middle\">" + label(p.x.at(k)) + "</text>\n";
  }
  svg += "<text x=\"" + num(p.left + kPanelW / 2) + "\" y=\"" + num(kTop + kPanelH + 36) +
         "\" text-anchor=\"middle\">" + p.axis->title + "</text>\n";
}

// A run beyond the axis: a triangle on the edge, pointing the way it went.
void appendClipped(std::string& svg, double x, bool top, const char* color) {
  const double tip = top ? kTop : kTop + kPanelH;
  const double base = top ? tip + 8 : tip - 8;
  svg += "<polygon points=\"" + num(x) + "," + num(tip) + " " + num(x - 4) + "," + num(base) + " " +
         num(x + 4) + "," + num(base) + "\" fill=\"" + color + "\" fill-opacity=\"0.7\"/>\n";
}

void appendRuns(std::string& svg, const Panel& p, const std::vector<engine::SweepOutcome>& runs,
                const char* color, double shift, Edge (&edges)[2]) {
  for (const engine::SweepOutcome& o : runs) {
    const double x = p.px(p.axis->value(o.sweepCase)) + shift;
    const double e = o.result.stopError;
    if (o.result.stopped && e >= p.y.first && e <= p.y.last()) {
      svg += "<circle cx=\"" + num(x) + "\" cy=\"" + num(p.py(e)) + "\" r=\"2.5\" fill=\"" + color +
             "\" fill-opacity=\"0.5\"/>\n";
      continue;
    }
    const bool top = o.result.stopped && e > p.y.last();
    appendClipped(svg, x, top, color);
    Edge& edge = edges[top ? 0 : 1];
    if (!o.result.stopped) {
      ++edge.notStopped;
      continue;
    }
    edge.farthest = edge.count == 0 || std::fabs(e) > std::fabs(edge.farthest) ? e : edge.farthest;
    ++edge.count;
  }
}

// Below the panel, in the record's colour, on line `line` (0 or 1): what lies
// beyond its axis: "▼ 3 beyond, to -17.20 m, 1 did not stop  ▲ 1 beyond, to +0.52 m".
void appendEdgeNotes(std::string& svg, const Panel& p, const Edge (&edges)[2], const char* color,
                     int line) {
  std::string text;
  for (int side = 0; side < 2; ++side) {
    const Edge& edge = edges[side];
    if (edge.count + edge.notStopped == 0) continue;
    text += text.empty() ? "" : "  ";
    text += side == 0 ? "&#9650; " : "&#9660; ";
    if (edge.count > 0) {
      char value[64];
      std::snprintf(value, sizeof value, "%d beyond, to %+.2f m", edge.count, edge.farthest);
      text += value;
    }
    if (edge.notStopped > 0) {
      text += (edge.count > 0 ? ", " : "") + std::to_string(edge.notStopped) + " did not stop";
    }
  }
  if (text.empty()) return;
  svg += "<text x=\"" + num(p.left) + "\" y=\"" + num(kTop + kPanelH + kBottom + 4 + 14 * line) +
         "\" font-size=\"11\" fill=\"" + color + "\">" + text + "</text>\n";
}

// The range of one axis over the runs.
Ticks axisTicks(const Axis& a, const std::vector<engine::SweepOutcome>& runs) {
  double x0 = 0, x1 = 0;
  for (std::size_t i = 0; i < runs.size(); ++i) {
    const double v = a.value(runs[i].sweepCase);
    x0 = i == 0 ? v : std::min(x0, v);
    x1 = i == 0 ? v : std::max(x1, v);
  }
  return x1 > x0 ? niceTicks(x0, x1) : Ticks{};
}

}  // namespace

std::string renderTuneChart(const std::string& name,
                            const std::vector<engine::SweepOutcome>& before,
                            const std::vector<engine::SweepOutcome>& after) {
  std::vector<double> errors;
  for (const auto* runs : {&before, &after}) {
    for (const engine::SweepOutcome& o : *runs) {
      if (o.result.stopped) errors.push_back(o.result.stopError);
    }
  }
  const ErrorRange shown = shownErrors(errors);
  const Ticks y = niceTicks(shown.lo, shown.hi);
  std::vector<Panel> panels;
  for (const Axis& a : kAxes) {
    const Ticks x = axisTicks(a, after);
    if (x.count > 0) panels.push_back({&a, x, y, kLeft + panels.size() * (kPanelW + kGap)});
  }
  const double width = kLeft + std::max<std::size_t>(panels.size(), 1) * (kPanelW + kGap) + kRight;
  const double height = kTop + kPanelH + kBottom + 36;  // two lines of notes
  std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + num(width) + "\" height=\"" +
         num(height) + "\" viewBox=\"0 0 " + num(width) + " " + num(height) +
         "\" font-family=\"sans-serif\" font-size=\"12\">\n";
  svg += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
  svg += "<text x=\"" + num(kLeft) + "\" y=\"24\" font-size=\"16\">" + escape(name) +
         ": stop error (m, positive short) over each swept axis, within +-0.10 m shaded</text>\n";
  svg += "<text x=\"" + num(kLeft) + "\" y=\"44\"><tspan fill=\"" + kBeforeColor +
         "\">&#9679; starting record</tspan>   <tspan fill=\"" + kAfterColor +
         "\">&#9679; tuned record</tspan>   &#9650;&#9660; beyond the axis</text>\n";
  for (const Panel& p : panels) {
    appendFrame(svg, p);
    Edge start[2], tuned[2];
    appendRuns(svg, p, before, kBeforeColor, -4, start);
    appendRuns(svg, p, after, kAfterColor, 4, tuned);
    appendEdgeNotes(svg, p, start, kBeforeColor, 0);
    appendEdgeNotes(svg, p, tuned, kAfterColor, 1);
  }
  svg += "</svg>\n";
  return svg;
}

void writeChart(const std::string& file, const std::string& name,
                const std::vector<engine::SweepOutcome>& before,
                const std::vector<engine::SweepOutcome>& after) {
  std::ofstream out(platform::pathFromUtf8(file), std::ios::binary | std::ios::trunc);
  out << renderTuneChart(name, before, after);
  out.flush();
  if (!out) throw RecordError("cannot write " + file);
}

}  // namespace tasc::tune
