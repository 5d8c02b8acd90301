// `tasc report RECORDING... [--stop-at POS]... [--out DIR] [--json]`: every
// stop of each recording, measured and explained, with a chart per stop and
// an HTML page per recording.
#pragma once

namespace CLI {
class App;
}

namespace tasc::report {

void addReportCommand(CLI::App& tasc, int& status);

}  // namespace tasc::report
