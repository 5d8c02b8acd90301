// The SVG pieces every chart shares, by their literal text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "chart/svg.h"
#include "support/cases.h"

namespace tasc::svg {
namespace {

TEST(Svg, NumbersLabelsAndTicks) {
  for (const test::Case& c : test::readCases("chart/data/svg.txt")) {
    const std::string& fn = c.f[0];
    const std::vector<double> a = test::numbers(c.f[1]);
    const std::string got = fn == "escape"  ? escape(c.f[1])
                            : fn == "num"   ? num(a.at(0))
                            : fn == "label" ? label(a.at(0))
                            : fn == "tickStep"
                                ? test::num(tickStep(a.at(0), static_cast<int>(a.at(1))))
                                : std::to_string(tickCount(a.at(0), a.at(1), a.at(2)));
    EXPECT_EQ(got, c.f[2]) << c.where;
  }
}

}  // namespace
}  // namespace tasc::svg
