// What a run shows: the summary, the trace CSV, the accuracy table.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "check/check.h"
#include "sim/run.h"
#include "sim/scenario.h"

namespace tasc::sim {

// The summary of one stop, a few lines for a person; with the check of the
// vehicle folder when given.
std::string formatSummary(const Scenario& scenario, const RunResult& result,
                          const check::Report* folder = nullptr);

// The vehicle folder's check in one line (its errors in full), then the
// scenario's warnings.
std::string folderLines(const Scenario& scenario, const check::Report& folder);

// "within 0.5 m", "outside 0.5 m" or why the train did not stop.
std::string stopBand(const RunResult& result);

// The trace as CSV, one row per frame, fixed decimals (reproducible text).
std::string traceHeader();
std::string formatTraceRow(const FrameRow& row);
bool writeTrace(const std::string& path, const std::vector<FrameRow>& rows);

}  // namespace tasc::sim
