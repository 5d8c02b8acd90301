// Beacon words of the author tool against the plug-in's own decoder.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "beacon_tool.h"
#include "check.h"

namespace tasc::tool {
namespace {

// Each field alone at every value sits at its bits and decodes back; all
// fields at once at their ends and in between do not overlap.
TEST(BeaconTool, FieldsSitAtTheirBitsAndRoundTrip) {
  const struct {
    int shift, max;
    int32_t BeaconWord::*field;
  } fields[] = {{0, 63, &BeaconWord::distanceCode},
                {6, 15, &BeaconWord::formationCode},
                {10, 31, &BeaconWord::recordCode},
                {15, 63, &BeaconWord::fileIndex},
                {21, 3, &BeaconWord::subCode}};
  for (const auto& f : fields) {
    for (int32_t v = 0; v <= f.max; ++v) {
      BeaconWord w{0, 0, 0, 0, 0};
      w.*f.field = v;
      ASSERT_EQ(encodeBeaconWord(w), v << f.shift) << f.shift;
      ASSERT_EQ(decodeBeaconWord(v << f.shift).*f.field, v) << f.shift;
    }
  }
  for (const BeaconWord w : {BeaconWord{63, 15, 31, 63, 3}, BeaconWord{5, 9, 17, 42, 2}}) {
    const BeaconWord back = decodeBeaconWord(encodeBeaconWord(w));
    for (const auto& f : fields) EXPECT_EQ(back.*f.field, w.*f.field) << f.shift;
  }
}

// At every code's own distance and on a grid between: the nearest code is no
// farther than any other (at an exact distance: the very same distance, so
// the printed distance is what the plug-in sets), and the exact text of each
// distance reads back to it.
TEST(BeaconTool, NearestCodeIsNoFartherThanAnyOtherAndTextIsExact) {
  for (int32_t kind = 1; kind <= 3; ++kind) {
    std::vector<double> wanted;
    for (int32_t code = 0; code <= 63; ++code) {
      wanted.push_back(beaconDistance(kind, code));
      EXPECT_EQ(std::strtod(exactText(wanted.back()).c_str(), nullptr), wanted.back());
    }
    for (double want = 0.0; want < 170.0; want += 0.37) wanted.push_back(want);
    for (const double want : wanted) {
      const std::optional<int32_t> n = nearestCode(kind, want);
      ASSERT_TRUE(n);
      const double off = std::fabs(beaconDistance(kind, *n) - want);
      for (int32_t code = 0; code <= 63; ++code) {
        ASSERT_LE(off, std::fabs(beaconDistance(kind, code) - want)) << kind << " " << want;
      }
    }
  }
}

TEST(BeaconTool, NearestCodeChoosesBetweenNeighbours) {
  // Kind 1 steps 0.02 m from the base: 7.1 m is code 3 (7.105), not 2 (7.085).
  EXPECT_EQ(nearestCode(1, 7.1), 3);
  // Kind 3: 150 m lies between code 5 (150.045) and the base; code 5 wins.
  EXPECT_EQ(nearestCode(3, 150.0), 5);
  // Below the base of kind 3: codes 53..62 step back 0.2 m.
  EXPECT_EQ(nearestCode(3, 148.0), 58);
  // Ties between codes at the base distance give the lowest: code 0.
  EXPECT_EQ(nearestCode(2, kBaseDistance[2]), 0);
  EXPECT_FALSE(nearestCode(1, std::nan("")));
}

TEST(BeaconTool, OutOfRangeFieldsAreRejectedWithTheirRange) {
  EXPECT_FALSE(rangeError(kFormationRange, 15));
  EXPECT_EQ(rangeError(kFormationRange, 16).value_or(""), "formation must be 0..15, not 16");
  EXPECT_EQ(rangeError(kRecordRange, 32).value_or(""), "record must be 0..31, not 32");
  EXPECT_EQ(rangeError(kFileRange, 64).value_or(""), "file must be 0..63, not 64");
  EXPECT_EQ(rangeError(kSubRange, -1).value_or(""), "sub must be 0..3, not -1");
  EXPECT_EQ(rangeError(kCodeRange, 64).value_or(""), "code must be 0..63, not 64");
  EXPECT_FALSE(kindOfType(500));
  EXPECT_FALSE(kindOfType(504));
  EXPECT_EQ(kindOfType(502), 2);
}

TEST(BeaconTool, WordTextIsReadWhole) {
  EXPECT_EQ(parseWord("0x1F"), 31);
  EXPECT_EQ(parseWord("4294967295"), -1);
  EXPECT_EQ(parseWord("-1"), -1);
  EXPECT_EQ(parseWord("0xFFFFFFFF"), -1);
  EXPECT_FALSE(parseWord("4294967296"));
  EXPECT_FALSE(parseWord("0x100000000"));
  EXPECT_FALSE(parseWord("12abc"));
  EXPECT_FALSE(parseWord(""));
  EXPECT_FALSE(parseWholeInteger("5 "));
  EXPECT_FALSE(parseWholeDecimal("1e999"));
  EXPECT_EQ(parseWholeDecimal("149.5"), 149.5);
}

TEST(CheckTool, MissingFolderIsAnError) {
  const Report r = checkFolder("/no/such/folder/here");
  EXPECT_EQ(r.exitStatus(), 2);
  EXPECT_EQ(r.errors, 1);
}

}  // namespace
}  // namespace tasc::tool
