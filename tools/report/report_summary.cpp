#include "report/report_summary.h"

#include <cmath>
#include <cstdio>
#include <filesystem>

#include "system/text.h"

namespace tasc::report {

std::string chartFileName(const std::string& recording, std::size_t index) {
  // The recording's name is UTF-8: its stem as the system names it, back in UTF-8.
  return platform::utf8Of(platform::pathFromUtf8(recording).stem()) + "-stop" +
         std::to_string(index + 1) + ".svg";
}

RecordingLines linesOf(const RecordingReport& rep, bool charts) {
  RecordingLines r;
  r.name = rep.name;
  r.frames = rep.recording.frames.size();
  r.positionFromLocation = rep.analysis.positionFromLocation;
  r.warnings = rep.warnings;
  r.notes = rep.analysis.notes;
  const auto& stops = rep.analysis.stops;
  for (std::size_t i = 0; i < stops.size(); ++i) {
    const Stop& s = stops[i];
    StopLine l;
    l.number = i + 1;
    l.timeMs = s.standstill < r.frames ? rep.recording.frames[s.standstill].timeMs : 0;
    l.farSpeed = s.farSpeed;
    l.error = std::isnan(s.markerError) ? s.error : s.markerError;
    l.verdict = s.verdict;
    for (const std::string& f : s.findings) l.cause += (l.cause.empty() ? "" : "; ") + f;
    if (charts) l.chart = chartFileName(rep.name, i);
    l.outOfReach = s.reach.cannotBeMade();
    r.stops.push_back(std::move(l));
  }
  return r;
}

engine::Accuracy accuracyOf(const std::vector<RecordingLines>& recordings) {
  std::vector<double> errors;
  for (const RecordingLines& r : recordings) {
    for (const StopLine& s : r.stops) {
      if (!std::isnan(s.error)) errors.push_back(s.error);
    }
  }
  return engine::measureAccuracy(errors);
}

namespace {

std::size_t stopCount(const std::vector<RecordingLines>& recordings) {
  std::size_t n = 0;
  for (const RecordingLines& r : recordings) n += r.stops.size();
  return n;
}

}  // namespace

std::string formatSummary(const std::vector<RecordingLines>& recordings) {
  const engine::Accuracy a = accuracyOf(recordings);
  char line[200];
  std::snprintf(line, sizeof line,
                "all recordings: %zu stop%s in %zu recording%s, %zu with an error\n",
                stopCount(recordings), stopCount(recordings) == 1 ? "" : "s", recordings.size(),
                recordings.size() == 1 ? "" : "s", a.measured);
  return line + engine::formatAccuracyTable(a, engine::AccuracyRows::Main);
}

nlohmann::json summaryJson(const std::vector<RecordingLines>& recordings) {
  const engine::Accuracy a = accuracyOf(recordings);
  nlohmann::json within = nlohmann::json::array();
  for (std::size_t b = 0; b < engine::kAccuracyBands.size(); ++b) {
    if (!engine::showsBand(engine::AccuracyRows::Main, b)) continue;
    within.push_back(
        {{"limit", engine::kAccuracyBands[b]}, {"stops", a.within[b]}, {"share", a.share(b)}});
  }
  return {{"recordings", recordings.size()}, {"stops", stopCount(recordings)},
          {"withError", a.measured},         {"within", within},
          {"meanError", a.meanError},        {"meanAbsError", a.meanAbsError},
          {"worstError", a.worstError}};
}

}  // namespace tasc::report
