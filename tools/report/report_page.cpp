#include "report/report_page.h"

#include <cmath>
#include <cstdio>

#include "chart/error_chart.h"
#include "chart/svg.h"

namespace tasc::report {
namespace {

// Text from files (names, paths, findings) as HTML content or a quoted
// attribute value: & < > " escaped, as in the charts.
using svg::escape;

std::string fmt(const char* format, auto... args) {
  char text[256];
  std::snprintf(text, sizeof text, format, args...);
  return text;
}

// Screen and print alike: tables fit the width, rows do not split over pages.
constexpr const char* kStyle =
    "body{font-family:system-ui,sans-serif;font-size:15px;line-height:1.4;color:#222;"
    "max-width:1100px;margin:1.5em auto;padding:0 1em}"
    "h1{font-size:1.6em;margin:0 0 .2em;overflow-wrap:anywhere}"
    "h2{font-size:1.25em;margin:1.6em 0 .4em;border-bottom:1px solid #ccc}"
    "p.lead{color:#555;margin:0 0 1em}"
    "table{border-collapse:collapse;margin:.5em 0 1em}"
    "th,td{padding:.3em .6em;border-bottom:1px solid #e3e3e3;text-align:left;vertical-align:top}"
    "th{background:#f3f3f3;font-weight:600}"
    "th.n{text-align:right}td.n{text-align:right;font-variant-numeric:tabular-nums;"
    "white-space:nowrap}th.w{max-width:9em}"
    "td.good{background:#cfe8d2}td.fair{background:#eef6ee}td.poor{background:#f8dcd8}"
    "td.cause{font-size:.9em;color:#444}td.name{overflow-wrap:anywhere;min-width:10em;max-width:"
    "22em}"
    "figure{margin:1em 0}figure svg,figure img{max-width:100%;height:auto}"
    "figcaption{font-size:.9em;color:#555}"
    "@media print{body{max-width:none;margin:0;font-size:11pt}a{color:inherit;"
    "text-decoration:none}tr,figure{break-inside:avoid}h2{break-after:avoid}}";

// The cell class of an error: within +-0.10 m, +-0.25 m, or beyond.
const char* errorClass(double error) {
  if (std::isnan(error)) return "n";
  if (std::fabs(error) <= 0.10) return "n good";
  return std::fabs(error) <= 0.25 ? "n fair" : "n poor";
}

std::string timeOfDay(int32_t ms) {
  const int32_t s = (ms >= 0 ? ms : 0) / 1000;
  return fmt("%02d:%02d:%02d", s / 3600, s / 60 % 60, s % 60);
}

std::string number(double v, const char* format) {
  return std::isnan(v) ? std::string("&#8211;") : fmt(format, v);
}

std::string accuracyTable(const std::vector<RecordingLines>& recordings) {
  const engine::Accuracy a = accuracyOf(recordings);
  std::string t =
      "<table class=\"accuracy\">\n<thead><tr><th>within</th><th class=\"n\">share</th>"
      "<th class=\"n\">stops</th></tr></thead>\n<tbody>\n";
  for (std::size_t b = 0; b < engine::kAccuracyBands.size(); ++b) {
    if (!engine::showsBand(engine::AccuracyRows::Main, b)) continue;
    t += fmt("<tr><td>&#177;%.2f m</td><td class=\"n\">%.1f %%</td><td class=\"n\">%zu</td></tr>\n",
             engine::kAccuracyBands[b], 100.0 * a.share(b), a.within[b]);
  }
  t +=
      fmt("</tbody>\n</table>\n<p>mean error %+.3f m, mean |error| %.3f m, worst %+.3f m, over "
          "%zu stop%s with an error</p>\n",
          a.meanError, a.meanAbsError, a.worstError, a.stops, a.stops == 1 ? "" : "s");
  return t;
}

// One stop's row; with `named`, the recording's name first.
std::string stopRow(const RecordingLines& r, const StopLine& s, bool named) {
  const std::string n = std::to_string(s.number);
  std::string row = "<tr>";
  if (named) row += "<td class=\"name\">" + escape(r.name) + "</td>";
  row += "<td class=\"n\">";
  row += s.chart.empty() ? n
                         : "<a href=\"" + urlPath(s.chart) + "\" title=\"the chart of stop " + n +
                               " of " + escape(r.name) + "\">" + n + "</a>";
  row += "</td><td class=\"n\">" + timeOfDay(s.timeMs) + "</td>";
  row += "<td class=\"n\">" + number(s.farSpeed, "%.1f") + "</td>";
  row += std::string("<td class=\"") + errorClass(s.error) + "\">" + number(s.error, "%+.3f") +
         "</td>";
  row += "<td>" + escape(s.verdict) + "</td><td class=\"cause\">";
  if (s.outOfReach) row += "<strong>could not be made</strong> ";
  row += (s.cause.empty() ? "nothing unusual" : escape(s.cause)) + "</td></tr>\n";
  return row;
}

// Every stop of every recording in one table; the stop's number links to its chart.
std::string stopsTable(const std::vector<RecordingLines>& recordings) {
  const bool named = recordings.size() > 1;
  std::string s = "<section>\n<h2>Stops</h2>\n<table class=\"stops\">\n<thead><tr>";
  if (named) s += "<th>recording</th>";
  s += "<th class=\"n\">stop</th><th class=\"n\">time</th>"
       "<th class=\"n w\">speed at the far beacon (km/h)</th><th class=\"n\">error (m)</th>"
       "<th>plug-in says</th><th>cause</th></tr></thead>\n<tbody>\n";
  for (const RecordingLines& r : recordings) {
    for (const StopLine& l : r.stops) s += stopRow(r, l, named);
  }
  return s + "</tbody>\n</table>\n</section>\n";
}

// What each recording holds, with its warnings and notes.
std::string recordingsTable(const std::vector<RecordingLines>& recordings) {
  std::string s =
      "<section>\n<h2>Recordings</h2>\n<table class=\"recordings\">\n<thead><tr><th>recording"
      "</th><th class=\"n\">frames</th><th class=\"n\">stops</th><th>position from</th>"
      "<th>notes</th></tr></thead>\n<tbody>\n";
  for (const RecordingLines& r : recordings) {
    s += "<tr><td class=\"name\">" + escape(r.name) + "</td>";
    s += fmt("<td class=\"n\">%zu</td><td class=\"n\">%zu</td>", r.frames, r.stops.size());
    s += std::string("<td>") +
         (r.positionFromLocation ? "the host's offset 0" : "the speed's integral") +
         "</td><td class=\"cause\">";
    std::string notes;
    for (const std::string& w : r.warnings) {
      notes += (notes.empty() ? "" : "<br/>") + ("warning: " + escape(w));
    }
    for (const std::string& n : r.notes) notes += (notes.empty() ? "" : "<br/>") + escape(n);
    s += notes + "</td></tr>\n";
  }
  return s + "</tbody>\n</table>\n</section>\n";
}

// The chart of every stop, from the SVG document without its XML declaration.
std::string errorFigure(const std::vector<RecordingLines>& recordings) {
  std::vector<chart::ErrorPoint> points;
  for (const RecordingLines& r : recordings) {
    for (const StopLine& s : r.stops) {
      points.push_back({s.farSpeed, s.error, s.outOfReach,
                        r.name + ", stop " + std::to_string(s.number),
                        s.chart.empty() ? std::string() : urlPath(s.chart)});
    }
  }
  std::string svg =
      chart::renderErrorChart("stop error against the speed at the far beacon", points);
  svg.erase(0, svg.find('\n') + 1);
  return "<figure>\n" + svg +
         "<figcaption>Each mark is a stop; it links to the stop's chart. Shaded: within &#177;0.10 "
         "m "
         "and &#177;0.25 m.</figcaption>\n</figure>\n";
}

std::size_t stopCount(const std::vector<RecordingLines>& recordings) {
  std::size_t n = 0;
  for (const RecordingLines& r : recordings) n += r.stops.size();
  return n;
}

}  // namespace

std::string urlPath(const std::string& name) {
  std::string out;
  for (const char c : name) {
    const auto u = static_cast<unsigned char>(c);
    const bool plain = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') ||
                       c == '-' || c == '.' || c == '_' || c == '~' || c == '/';
    out += plain ? std::string(1, c) : fmt("%%%02X", u);
  }
  return out;
}

std::string formatPage(const std::vector<RecordingLines>& recordings) {
  const std::size_t stops = stopCount(recordings);
  const std::string title = recordings.size() == 1
                                ? recordings.front().name
                                : std::to_string(recordings.size()) + " recordings";
  std::string h =
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\"/>\n"
      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\"/>\n"
      "<title>tasc report: " +
      escape(title) + "</title>\n<style>" + kStyle + "</style>\n</head>\n<body>\n";
  h += "<h1>tasc report: " + escape(title) + "</h1>\n";
  h +=
      fmt("<p class=\"lead\">%zu stop%s in %zu recording%s. The error is the stopping point "
          "(the one the beacons named, or the nearest --stop-at point) minus the position at "
          "rest: positive short, negative overrun.</p>\n",
          stops, stops == 1 ? "" : "s", recordings.size(), recordings.size() == 1 ? "" : "s");
  if (stops > 0) h += "<section>\n<h2>All stops</h2>\n" + accuracyTable(recordings);
  if (stops > 1) h += errorFigure(recordings);
  if (stops > 0) h += "</section>\n";
  if (stops > 0) h += stopsTable(recordings);
  h += recordingsTable(recordings);
  for (const RecordingLines& r : recordings) {
    for (const StopLine& l : r.stops) {
      // One stop has no chart of many: its own chart is the page's figure.
      if (stops != 1 || l.chart.empty()) continue;
      h += "<figure><img src=\"" + urlPath(l.chart) + "\" alt=\"the chart of stop " +
           std::to_string(l.number) + " of " + escape(r.name) + "\"/></figure>\n";
    }
  }
  return h + "</body>\n</html>\n";
}

}  // namespace tasc::report
