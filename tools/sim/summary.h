// What `tasc sim` says of one stop: the summary for a person, with the check
// of the vehicle folder and the scenario's warnings.
#pragma once

#include <string>

#include "check/check.h"
#include "engine/run.h"
#include "engine/scenario.h"

namespace tasc::sim {

using engine::RunResult;
using engine::Scenario;

// The summary of one stop, a few lines for a person; with the check of the
// vehicle folder when given.
std::string formatSummary(const Scenario& scenario, const RunResult& result,
                          const check::Findings* folder = nullptr);

// The vehicle folder's check in one line (its errors in full), then the
// scenario's warnings.
std::string folderLines(const Scenario& scenario, const check::Findings& folder);

// The speeds the beacon layout serves, per gradient of the scenario (of its
// sweep, for the sweep's slowest brake and largest receiver offset).
std::string layoutLines(const Scenario& scenario);

// A warning for each stopping beacon whose record is not in the table in
// force: the plug-in runs that stop on the default record.
std::string recordWarnings(const Scenario& scenario, const RunResult& result,
                           const check::Findings* folder);

// The warning that the scenario's own stop cannot be made, judged before the
// run from its entry speed; empty when it can.
std::string reachWarning(const Scenario& scenario);

// "within 0.5 m", "outside 0.5 m" or why the train did not stop.
std::string stopBand(const RunResult& result);

}  // namespace tasc::sim
