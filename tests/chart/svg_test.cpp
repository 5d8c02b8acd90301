// The SVG pieces every chart shares, by their literal text.
#include <gtest/gtest.h>

#include "chart/svg.h"

namespace tasc::svg {
namespace {

TEST(Svg, NumbersAndLabels) {
  EXPECT_EQ(num(12.345), "12.35");
  EXPECT_EQ(label(-1e-12), "0") << "no -0 on an axis";
  EXPECT_EQ(label(2.50), "2.5");
  EXPECT_EQ(label(-150.0), "-150");
  EXPECT_EQ(label(1234.5), "1.23e+03");
  EXPECT_EQ(escape("a<b & \"c\">"), "a&lt;b &amp; &quot;c&quot;&gt;");
}

TEST(Svg, TicksAreNiceStepsCountedAsIntegers) {
  EXPECT_DOUBLE_EQ(tickStep(87, 6), 20);
  EXPECT_DOUBLE_EQ(tickStep(10, 10), 1);
  EXPECT_DOUBLE_EQ(tickStep(0.9, 6), 0.2);
  EXPECT_DOUBLE_EQ(tickStep(700, 6), 200);
  EXPECT_EQ(tickCount(0, 10, 2), 6);
  EXPECT_EQ(tickCount(-150, 10, 20), 9);
  EXPECT_EQ(tickCount(0, 0.3, 0.1), 4) << "a hair past the last, for rounding";
  EXPECT_EQ(tickCount(0, 1e6, 1), 100);
  EXPECT_EQ(tickCount(0, 10, 0), 0);
  EXPECT_EQ(tickCount(10, 0, 1), 0);
}

}  // namespace
}  // namespace tasc::svg
