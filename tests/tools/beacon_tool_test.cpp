// Beacon words of the author tool against the plug-in's own decoder.
#include <gtest/gtest.h>

#include <cmath>

#include "beacon_tool.h"
#include "check.h"

namespace tasc::tool {
namespace {

TEST(BeaconTool, EncodeDecodeRoundTripsEveryFieldValue) {
  for (int32_t code = 0; code <= 63; ++code) {
    for (int32_t formation = 0; formation <= 15; ++formation) {
      for (int32_t record = 0; record <= 31; record += 31 - record > 7 ? 7 : 1) {
        for (int32_t file = 0; file <= 63; file += 21) {
          for (int32_t sub = 0; sub <= 3; ++sub) {
            const BeaconWord w{code, formation, record, file, sub};
            const int32_t word = encodeBeaconWord(w);
            ASSERT_GE(word, 0);
            ASSERT_LT(word, 1 << 23);
            const BeaconWord back = decodeBeaconWord(word);
            ASSERT_EQ(back.distanceCode, code);
            ASSERT_EQ(back.formationCode, formation);
            ASSERT_EQ(back.recordCode, record);
            ASSERT_EQ(back.fileIndex, file);
            ASSERT_EQ(back.subCode, sub);
          }
        }
      }
    }
  }
}

TEST(BeaconTool, EveryRecordAndFileIndexRoundTripsAlone) {
  for (int32_t v = 0; v <= 63; ++v) {
    const BeaconWord w{0, 0, v & 31, v, 0};
    const BeaconWord back = decodeBeaconWord(encodeBeaconWord(w));
    EXPECT_EQ(back.recordCode, v & 31);
    EXPECT_EQ(back.fileIndex, v);
  }
}

TEST(BeaconTool, FieldsSitAtTheirBits) {
  EXPECT_EQ(encodeBeaconWord({1, 0, 0, 0, 0}), 1);
  EXPECT_EQ(encodeBeaconWord({0, 1, 0, 0, 0}), 1 << 6);
  EXPECT_EQ(encodeBeaconWord({0, 0, 1, 0, 0}), 1 << 10);
  EXPECT_EQ(encodeBeaconWord({0, 0, 0, 1, 0}), 1 << 15);
  EXPECT_EQ(encodeBeaconWord({0, 0, 0, 0, 1}), 1 << 21);
}

// The nearest code of each code's own distance gives back a code with the
// very same distance: the printed distance is what the plug-in sets.
TEST(BeaconTool, NearestCodeOfAnExactDistanceHasThatDistance) {
  for (int32_t kind = 1; kind <= 3; ++kind) {
    for (int32_t code = 0; code <= 63; ++code) {
      const double d = beaconDistance(kind, code);
      const std::optional<int32_t> n = nearestCode(kind, d);
      ASSERT_TRUE(n);
      EXPECT_EQ(beaconDistance(kind, *n), d) << kind << " " << code;
    }
  }
}

TEST(BeaconTool, NearestCodeIsNoFartherThanAnyOther) {
  for (int32_t kind = 1; kind <= 3; ++kind) {
    for (double want = 0.0; want < 170.0; want += 0.37) {
      const int32_t n = *nearestCode(kind, want);
      const double off = std::fabs(beaconDistance(kind, n) - want);
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

TEST(BeaconTool, ExactTextRoundTripsEveryDistance) {
  for (int32_t kind = 1; kind <= 3; ++kind) {
    for (int32_t code = 0; code <= 63; ++code) {
      const double d = beaconDistance(kind, code);
      EXPECT_EQ(std::strtod(exactText(d).c_str(), nullptr), d);
    }
  }
}

TEST(CheckTool, MissingFolderIsAnError) {
  const Report r = checkFolder("/no/such/folder/here");
  EXPECT_EQ(r.exitStatus(), 2);
  EXPECT_EQ(r.errors, 1);
}

}  // namespace
}  // namespace tasc::tool
