#include "tune/tune_chart.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>

#include "chart/svg.h"
#include "system/text.h"
#include "tune/record_file.h"

namespace tasc::tune {
namespace {

constexpr double kPanelW = 300, kPanelH = 320, kGap = 30;
constexpr double kLeft = 60, kTop = 60, kBottom = 50, kRight = 20;
constexpr const char* kBeforeColor = "#e76f51";
constexpr const char* kAfterColor = "#1d3557";

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
  double x0, x1;  // the axis's values
  double y0, y1;  // m
  double left;    // px of the plot's left edge
  double px(double v) const {
    return x1 > x0 ? left + 15 + (v - x0) / (x1 - x0) * (kPanelW - 30) : left + kPanelW / 2;
  }
  double py(double e) const { return kTop + (y1 - std::clamp(e, y0, y1)) / (y1 - y0) * kPanelH; }
};

void appendFrame(std::string& svg, const Panel& p) {
  svg += "<rect x=\"" + num(p.left) + "\" y=\"" + num(p.py(0.10)) + "\" width=\"" + num(kPanelW) +
         "\" height=\"" + num(p.py(-0.10) - p.py(0.10)) + "\" fill=\"#e9f5ec\"/>\n";
  svg += "<rect x=\"" + num(p.left) + "\" y=\"" + num(kTop) + "\" width=\"" + num(kPanelW) +
         "\" height=\"" + num(kPanelH) + "\" fill=\"none\" stroke=\"#333\"/>\n";
  const double step = p.y1 - p.y0 > 1.0 ? 0.25 : 0.1;
  const auto first = static_cast<int>(std::ceil(p.y0 / step - 1e-9));
  const auto last = static_cast<int>(std::floor(p.y1 / step + 1e-9));
  for (int k = first; k <= last; ++k) {
    const double e = k * step;
    svg += "<line x1=\"" + num(p.left) + "\" y1=\"" + num(p.py(e)) + "\" x2=\"" +
           num(p.left + kPanelW) + "\" y2=\"" + num(p.py(e)) + "\" stroke=\"#ccc\"/>\n";
    svg += "<text x=\"" + num(p.left - 4) + "\" y=\"" + num(p.py(e) + 4) +
           "\" text-anchor=\"end\">" + label(e) + "</text>\n";
  }
  svg += "<text x=\"" + num(p.left + kPanelW / 2) + "\" y=\"" + num(kTop + kPanelH + 36) +
         "\" text-anchor=\"middle\">" + p.axis->title + "</text>\n";
}

void appendRuns(std::string& svg, const Panel& p, const std::vector<engine::SweepOutcome>& runs,
                const char* color, double shift, bool withTicks) {
  std::vector<double> ticks;
  for (const engine::SweepOutcome& o : runs) {
    const double v = p.axis->value(o.sweepCase);
    ticks.push_back(v);
    const double e = o.result.stopped ? o.result.stopError : p.y0;
    svg += "<circle cx=\"" + num(p.px(v) + shift) + "\" cy=\"" + num(p.py(e)) +
           "\" r=\"2.5\" fill=\"" + color + "\" fill-opacity=\"0.5\"/>\n";
  }
  if (!withTicks) return;
  std::sort(ticks.begin(), ticks.end());
  ticks.erase(std::unique(ticks.begin(), ticks.end()), ticks.end());
  for (double v : ticks) {
    svg += "<text x=\"" + num(p.px(v)) + "\" y=\"" + num(kTop + kPanelH + 16) +
           "\" text-anchor=\"middle\">" + label(v) + "</text>\n";
  }
}

}  // namespace

std::string renderTuneChart(const std::string& name,
                            const std::vector<engine::SweepOutcome>& before,
                            const std::vector<engine::SweepOutcome>& after) {
  double y0 = -0.3, y1 = 0.3;
  for (const auto* runs : {&before, &after}) {
    for (const engine::SweepOutcome& o : *runs) {
      if (!o.result.stopped) continue;
      y0 = std::min(y0, std::floor(o.result.stopError * 10) / 10);
      y1 = std::max(y1, std::ceil(o.result.stopError * 10) / 10);
    }
  }
  std::vector<Panel> panels;
  for (const Axis& a : kAxes) {
    double x0 = 0, x1 = 0;
    for (std::size_t i = 0; i < after.size(); ++i) {
      const double v = a.value(after[i].sweepCase);
      x0 = i == 0 ? v : std::min(x0, v);
      x1 = i == 0 ? v : std::max(x1, v);
    }
    if (x1 > x0) panels.push_back({&a, x0, x1, y0, y1, kLeft + panels.size() * (kPanelW + kGap)});
  }
  const double width = kLeft + std::max<std::size_t>(panels.size(), 1) * (kPanelW + kGap) + kRight;
  const double height = kTop + kPanelH + kBottom + 20;
  std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + num(width) + "\" height=\"" +
         num(height) + "\" viewBox=\"0 0 " + num(width) + " " + num(height) +
         "\" font-family=\"sans-serif\" font-size=\"12\">\n";
  svg += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
  svg += "<text x=\"" + num(kLeft) + "\" y=\"24\" font-size=\"16\">" + escape(name) +
         ": stop error (m, positive short) over each swept axis, within +-0.10 m shaded</text>\n";
  svg += "<text x=\"" + num(kLeft) + "\" y=\"44\"><tspan fill=\"" + kBeforeColor +
         "\">&#9679; starting record</tspan>   <tspan fill=\"" + kAfterColor +
         "\">&#9679; tuned record</tspan></text>\n";
  for (const Panel& p : panels) {
    appendFrame(svg, p);
    appendRuns(svg, p, before, kBeforeColor, -4, false);
    appendRuns(svg, p, after, kAfterColor, 4, true);
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
