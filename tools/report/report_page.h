// The report's page: one HTML5 document for every recording of a report,
// self-contained (inline style, no script, nothing fetched), readable on a
// laptop and printable. The accuracy across all stops and, for several stops,
// the chart of every stop's error against its speed at the far beacon; then
// per recording a table with one row per stop, each linking to its chart.
#pragma once

#include <string>
#include <vector>

#include "report/report_summary.h"

namespace tasc::report {

// A file name as a relative URL: every byte but letters, digits and "-._~/"
// percent-encoded, so that "#", "?" or "%" in a name still find the file.
std::string urlPath(const std::string& name);

// The page is also well-formed XML (void elements closed, numeric character
// references only), so that a test can parse it strictly.
std::string formatPage(const std::vector<RecordingLines>& recordings);

}  // namespace tasc::report
