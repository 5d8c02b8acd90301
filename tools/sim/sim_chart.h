// `tasc sim`'s run as the stop chart draws it.
#pragma once

#include <vector>

#include "chart/stop_chart.h"
#include "engine/run.h"
#include "engine/scenario.h"

namespace tasc::sim {

// The chart's description of a run of `scenario` and its trace.
chart::StopChart describeStop(const engine::Scenario& scenario, const engine::RunResult& result,
                              const std::vector<engine::FrameRow>& trace);

}  // namespace tasc::sim
