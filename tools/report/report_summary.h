// Every stop of a report in one line each, for the summary across all
// recordings and for the page: the recording, the time at rest, the speed at
// the far beacon, the error the stop is judged by, the plug-in's verdict and
// what explains a miss.
#pragma once

#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "engine/accuracy.h"
#include "report/report_format.h"

namespace tasc::report {

struct StopLine {
  std::size_t number = 0;   // from 1 within its recording
  int32_t timeMs = 0;       // the host's time at the first frame at rest
  double farSpeed = kNone;  // km/h at the first 503 heard
  double error = kNone;     // m, against the --stop-at marker when there is one
  std::string verdict;      // the plug-in's
  std::string cause;        // the findings, "; " apart; empty: nothing unusual
  std::string chart;        // the stop's chart file, beside the page; empty: none written
  bool outOfReach = false;  // notch 7 could not stop within the far beacon's distance
};

// What the page and the summary keep of one recording: not its frames.
struct RecordingLines {
  std::string name;  // the file as given
  std::size_t frames = 0;
  bool positionFromLocation = true;
  std::vector<std::string> warnings;
  std::vector<std::string> notes;
  std::vector<StopLine> stops;
};

// The chart file of stop `index` (from 0): NAME's stem, "-stop", the number.
std::string chartFileName(const std::string& recording, std::size_t index);

// `charts`: whether each stop's chart is written beside the page.
RecordingLines linesOf(const RecordingReport& report, bool charts);

// Over every stop with an error; a stop without a stopping point is not counted.
engine::Accuracy accuracyOf(const std::vector<RecordingLines>& recordings);

// "all recordings: 12 stops in 3 recordings, 11 with an error\n" and the table.
std::string formatSummary(const std::vector<RecordingLines>& recordings);
nlohmann::json summaryJson(const std::vector<RecordingLines>& recordings);

}  // namespace tasc::report
