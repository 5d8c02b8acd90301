// What `tasc report` shows of a recording: the table of its stops with what
// explains each miss (text or JSON) and a chart per stop.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "chart/stop_chart.h"
#include "recording/reader.h"
#include "report/stops.h"

namespace tasc::report {

struct RecordingReport {
  std::string name;  // the file as given
  std::vector<std::string> warnings;
  recording::Recording recording;
  Analysis analysis;
};

std::string formatText(const RecordingReport& report);
// One JSON document for every recording: {"recordings": [...], "summary": S}.
std::string formatJson(const std::vector<RecordingReport>& reports, const nlohmann::json& summary);
// The chart of stop `index` (from 0).
chart::StopChart describeStop(const RecordingReport& report, const Replay& replay,
                              std::size_t index);

}  // namespace tasc::report
