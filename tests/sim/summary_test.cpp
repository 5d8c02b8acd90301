// The accuracy table and the trace's number format.
#include <gtest/gtest.h>

#include <limits>

#include "sim/accuracy.h"
#include "sim/trace.h"
#include "support/cases.h"

namespace tasc::sim {
namespace {

SweepOutcome outcome(double error, bool stopped = true) {
  SweepOutcome o;
  o.result.stopped = stopped;
  o.result.stopError = error;
  o.result.endReason = stopped ? "standing" : "time limit";
  return o;
}

TEST(SweepAccuracy, TableHasEveryBandAndTheWorstCasesGolden) {
  const std::vector<SweepOutcome> runs = {outcome(0.1),       outcome(-0.25), outcome(0.3),
                                          outcome(-0.5),      outcome(0.9),   outcome(-2.0),
                                          outcome(-40, false)};
  // Every band from 0.10 m, then the worst cases: the run that did not stop is
  // the worst, then the largest error.
  tasc::test::expectGolden("sim/golden/accuracy-table.txt",
                           formatAccuracy(runs, summarizeSweep(runs, 3)));
}

TEST(Trace, RowsUseFixedDecimalsAndEmptyFieldsForNoValue) {
  FrameRow r;
  r.timeMs = 1033;
  r.position = 351.06661234;
  r.speed = -0.0;
  r.pluginRemaining = std::numeric_limits<double>::quiet_NaN();
  r.patternSpeed = std::numeric_limits<double>::quiet_NaN();
  r.accel = -1e-7;  // prints as 0, not -0
  r.beacon = 503;
  // Under its header: 0 speed and acceleration without a sign, no value empty.
  tasc::test::expectGolden("sim/golden/trace-row.csv", traceHeader() + formatTraceRow(r));
}

}  // namespace
}  // namespace tasc::sim
