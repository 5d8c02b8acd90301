// What a run shows: the summary, the trace CSV, the accuracy table.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "sim/run.h"
#include "sim/scenario.h"

namespace tasc::sim {

// The summary of one stop, a few lines for a person.
std::string formatSummary(const Scenario& scenario, const RunResult& result);

// The trace as CSV, one row per frame, fixed decimals (reproducible text).
std::string traceHeader();
std::string formatTraceRow(const FrameRow& row);
bool writeTrace(const std::string& path, const std::vector<FrameRow>& rows);

}  // namespace tasc::sim
