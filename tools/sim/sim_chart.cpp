#include "sim/sim_chart.h"

#include "engine/stop_measures.h"
#include "sim/summary.h"

namespace tasc::sim {

using chart::ChartBeacon;
using chart::ChartPoint;
using chart::StopChart;
using engine::BeaconEntry;
using engine::BeaconPass;
using engine::FrameRow;

StopChart describeStop(const engine::Scenario& s, const engine::RunResult& r,
                       const std::vector<FrameRow>& trace) {
  StopChart c;
  c.name = s.name;
  c.stopError = r.stopError;
  c.band = stopBand(r);
  c.verdict = engine::verdictName(r.verdict);
  c.stopPoint = s.stopPoint;
  c.stopPosition = r.stopPosition;
  c.startPosition = s.initialPosition;
  c.powerCut = r.powerCutPosition;
  c.brakeNotches = s.vehicle.brakeNotches;
  for (const BeaconEntry& b : s.beacons) c.beacons.push_back({b.position, b.type, true});
  for (const BeaconPass& b : r.beacons) {
    for (ChartBeacon& cb : c.beacons) {
      if (cb.position == b.position && cb.type == b.type && b.type >= 501 && b.type <= 503) {
        cb.accepted = b.accepted();
      }
    }
  }
  c.points.reserve(trace.size());
  for (const FrameRow& row : trace) {
    ChartPoint pt;
    pt.position = row.position;
    pt.speed = row.speed;
    pt.pattern = row.patternSpeed;
    pt.command = row.brakeCommand;
    pt.beyond =
        engine::overrideOf(row.sent.brake, row.sent.constantSpeed, s.vehicle.brakeNotches).beyond;
    c.points.push_back(pt);
  }
  return c;
}

}  // namespace tasc::sim
