// The SVG chart of one stop: speed against position with the plug-in's
// pattern at the train, the beacons, the stopping point, and the brake
// command on a second axis.
#pragma once

#include <string>
#include <vector>

#include "sim/run.h"
#include "sim/scenario.h"

namespace tasc::sim {

// A complete standalone SVG document.
std::string renderChart(const Scenario& scenario, const RunResult& result,
                        const std::vector<FrameRow>& trace);

}  // namespace tasc::sim
