// The measures of a stop that tasc sim and tasc report share, by their
// literal values: the override as the vehicle applies it, the holding brake,
// the band, the approach's brake changes and peaks, and the accuracy every
// tool prints (the shares within each band, the mean, mean |error| and the
// worst; the table itself is the sim and report goldens').
#include <gtest/gtest.h>

#include <vector>

#include "engine/accuracy.h"
#include "engine/engine_test_support.h"
#include "engine/stop_measures.h"
#include "support/cases.h"

namespace tasc::engine {
namespace {

using tasc::test::numbers;

TEST(StopMeasures, OverrideIsWhatTheVehicleApplies) {
  for (const tasc::test::Case& c : tasc::test::readCases("engine/data/overrides.txt")) {
    const std::vector<double> v = numbers(c.f[1] + " " + c.f[2] + " " + c.f[3]);
    const Override o = overrideOf(int32_t(v[0]), int32_t(v[1]), int32_t(v[2]));
    EXPECT_EQ(o.active, c.f[4] == "1") << c.where;
    EXPECT_EQ(o.quarters, std::stoi(c.f[5])) << c.where;
    EXPECT_EQ(o.beyond, c.f[6] == "1") << c.where;
  }
}

// The rows of data/measures.txt: the holding brake, the band, the verdicts' names and the
// shares of the accuracy bands.
TEST(StopMeasures, HoldingBrakeBandVerdictNamesAndShares) {
  for (const tasc::test::Case& c : tasc::test::readCases("engine/data/measures.txt")) {
    const std::vector<double> a = numbers(c.f[1]);
    const std::string got =
        c.f[0] == "holds"    ? std::to_string(holdsTrain(int32_t(a[0]), int32_t(a[1])))
        : c.f[0] == "band"   ? stopBand(a[0])
        : c.f[0] == "plugin" ? verdictName(verdictOf(StopResult(a[0])))
        : c.f[0] == "verdict"
            ? verdictName(Verdict(a[0]))
            : tasc::test::num(measureAccuracy({a.begin() + 1, a.end()}).share(std::size_t(a[0])));
    EXPECT_EQ(got, c.f[2]) << c.where;
  }
}

TEST(StopMeasures, ApproachCountsChangesAndPeaks) {
  for (const tasc::test::Case& c : tasc::test::readCases("engine/data/approach.txt")) {
    ApproachMeter m;
    m.start(std::stoi(c.f[1]));
    for (std::size_t at = 0; at < c.f[2].size();) {
      const std::size_t end = std::min(c.f[2].find(';', at), c.f[2].size());
      const std::vector<double> f = numbers(c.f[2].substr(at, end - at));
      m.frame({int32_t(f[0]), f[1] != 0, f[2] != 0, f[3], int32_t(f[4])});
      at = end + 1;
    }
    EXPECT_EQ(m.brakeChanges(), std::stoi(c.f[3])) << c.where;
    EXPECT_DOUBLE_EQ(m.peakDecel(), std::stod(c.f[4])) << c.where;
    EXPECT_DOUBLE_EQ(m.peakJerk(), std::stod(c.f[5])) << c.where;
  }
}

TEST(Accuracy, CountsEachBandInclusiveOverEveryStop) {
  for (const tasc::test::Case& c : tasc::test::readCases("engine/data/accuracy.txt")) {
    const std::vector<double> errors = numbers(c.f[1]), within = numbers(c.f[3]);
    const Accuracy a = measureAccuracy(errors);
    EXPECT_EQ(a.stops, errors.size()) << c.where;
    EXPECT_EQ(a.measured, std::stoul(c.f[2])) << c.where;
    EXPECT_EQ(std::vector<double>(a.within.begin(), a.within.end()), within) << c.where;
    EXPECT_NEAR(a.meanError, std::stod(c.f[4]), 1e-4) << c.where;
    EXPECT_NEAR(a.meanAbsError, std::stod(c.f[5]), 1e-4) << c.where;
    EXPECT_DOUBLE_EQ(a.worstError, std::stod(c.f[6])) << c.where;
  }
}

}  // namespace
}  // namespace tasc::engine
