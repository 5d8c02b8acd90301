// The accuracy every tool prints: the shares within each band (limits
// inclusive), the mean, mean |error| and the worst, and the table's rows.
#include "engine/accuracy.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

namespace tasc::engine {
namespace {

constexpr double kNoStop = std::numeric_limits<double>::quiet_NaN();

TEST(Accuracy, CountsEachBandInclusiveOverEveryStop) {
  const struct {
    const char* what;
    std::vector<double> errors;
    std::size_t measured;
    std::array<std::size_t, 5> within;  // +-0.10, 0.25, 0.35, 0.50, 1.00 m
    double mean, meanAbs, worst;
  } rows[] = {
      {"none", {}, 0, {0, 0, 0, 0, 0}, 0, 0, 0},
      {"on each limit", {0.10, -0.25, 0.35, -0.50, 1.00}, 5, {1, 2, 3, 4, 5}, 0.14, 0.44, 1.00},
      {"just past each limit",
       {0.1001, -0.2501, 1.0001},
       3,
       {0, 1, 2, 2, 2},
       0.2834,
       0.4501,
       1.0001},
      {"a run that did not stop counts, outside every band",
       {0.05, kNoStop},
       1,
       {1, 1, 1, 1, 1},
       0.05,
       0.05,
       0.05},
      {"the worst keeps its sign", {0.2, -0.3, 0.3}, 3, {0, 1, 3, 3, 3}, 0.0667, 0.2667, -0.3},
  };
  for (const auto& r : rows) {
    const Accuracy a = measureAccuracy(r.errors);
    EXPECT_EQ(a.stops, r.errors.size()) << r.what;
    EXPECT_EQ(a.measured, r.measured) << r.what;
    EXPECT_EQ(a.within, r.within) << r.what;
    EXPECT_NEAR(a.meanError, r.mean, 1e-4) << r.what;
    EXPECT_NEAR(a.meanAbsError, r.meanAbs, 1e-4) << r.what;
    EXPECT_DOUBLE_EQ(a.worstError, r.worst) << r.what;
  }
}

TEST(Accuracy, SharesAreOfEveryStopMeasuredOrNot) {
  const Accuracy a = measureAccuracy({0.05, 0.2, kNoStop, kNoStop});
  EXPECT_DOUBLE_EQ(a.share(0), 0.25);
  EXPECT_DOUBLE_EQ(a.share(1), 0.5);
  EXPECT_DOUBLE_EQ(a.share(9), 0.0);  // no such band
  EXPECT_DOUBLE_EQ(measureAccuracy({}).share(0), 0.0);
}

TEST(Accuracy, TableShowsTheThreeMainBandsOrAllFive) {
  const Accuracy a = measureAccuracy({0.05, -0.2, 0.43, -0.8, kNoStop});
  EXPECT_EQ(formatAccuracyTable(a, AccuracyRows::Main),
            "  within     share    stops\n"
            "  +-0.10 m   20.0 %      1\n"
            "  +-0.25 m   40.0 %      2\n"
            "  +-0.50 m   60.0 %      3\n"
            "  mean error -0.130 m, mean |error| 0.370 m, worst -0.800 m\n");
  EXPECT_EQ(formatAccuracyTable(a, AccuracyRows::All),
            "  within     share    stops\n"
            "  +-0.10 m   20.0 %      1\n"
            "  +-0.25 m   40.0 %      2\n"
            "  +-0.35 m   40.0 %      2\n"
            "  +-0.50 m   60.0 %      3\n"
            "  +-1.00 m   80.0 %      4\n"
            "  mean error -0.130 m, mean |error| 0.370 m, worst -0.800 m\n");
}

TEST(Accuracy, SweepRunsThatDidNotStopCountAsMisses) {
  std::vector<SweepOutcome> runs(3);
  runs[0].result.stopped = true;
  runs[0].result.stopError = 0.08;
  runs[1].result.stopped = true;
  runs[1].result.stopError = -0.3;
  runs[2].result.stopped = false;
  runs[2].result.stopError = -40;  // where it ended: no stop error
  const Accuracy a = sweepAccuracy(runs);
  EXPECT_EQ(a.stops, 3u);
  EXPECT_EQ(a.measured, 2u);
  EXPECT_EQ(a.within[0], 1u);
  EXPECT_DOUBLE_EQ(a.worstError, -0.3);
}

}  // namespace
}  // namespace tasc::engine
