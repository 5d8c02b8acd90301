// The beacon word codec that the route tools build words with, and the
// command line's readers, against the plug-in's own decoder.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "beacon/beacon_command.h"
#include "cli/cli.h"
#include "control/beacon.h"

namespace tasc::beacon {
namespace {

// Each field alone at every value sits at its bits and decodes back; all
// fields at once at their ends and in between do not overlap.
TEST(BeaconWord, FieldsSitAtTheirBitsAndRoundTrip) {
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
// farther than any other, and the exact text of each distance reads back.
TEST(BeaconWord, NearestCodeIsNoFartherThanAnyOtherAndTextIsExact) {
  for (int32_t kind = 1; kind <= 3; ++kind) {
    std::vector<double> wanted;
    for (int32_t code = 0; code <= 63; ++code) {
      wanted.push_back(beaconDistance(kind, code));
      EXPECT_EQ(std::strtod(exactText(wanted.back()).c_str(), nullptr), wanted.back());
    }
    for (double want = 0.0; want < 170.0; want += 0.37) wanted.push_back(want);
    for (const double want : wanted) {
      const double off = std::fabs(beaconDistance(kind, nearestDistanceCode(kind, want)) - want);
      for (int32_t code = 0; code <= 63; ++code) {
        ASSERT_LE(off, std::fabs(beaconDistance(kind, code) - want)) << kind << " " << want;
      }
    }
  }
}

TEST(BeaconWord, NearestCodeChoosesBetweenNeighboursAndTheLowestOnATie) {
  const struct {
    int32_t kind;
    double wanted;
    int32_t code;
  } cases[] = {
      {1, 7.1, 3},     // steps of 0.02 m: 7.105, not 7.085
      {3, 150.0, 5},   // 150.045 beats the base
      {3, 148.0, 58},  // below the base, steps of 0.2 m
      {3, 136.5, 32},
      {3, 159.6, 31},
      {3, 200.0, 31},
      {2, 27.0, 51},
      {2, 39.1, 50},
      {1, 3.0, 0},
      {3, 150.045, 5},  // codes 5 and 12 name the same distance
      {2, kBaseDistance[2], 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(nearestDistanceCode(c.kind, c.wanted), c.code) << c.kind << " " << c.wanted;
  }
}

TEST(BeaconCommand, CommandLineTextIsReadWhole) {
  EXPECT_EQ(parseWord("0x1F"), 31);
  EXPECT_EQ(parseWord("4294967295"), -1);
  EXPECT_EQ(parseWord("-1"), -1);
  EXPECT_EQ(parseWord("0xFFFFFFFF"), -1);
  EXPECT_EQ(parseWord("-2147483648"), INT32_MIN);
  for (const char* bad : {"4294967296", "0x100000000", "12abc", "", "-2147483649", "+5"}) {
    EXPECT_FALSE(parseWord(bad)) << bad;
  }
  EXPECT_EQ(kindOfType(502), 2);
  EXPECT_FALSE(kindOfType(504));
  EXPECT_THROW(cli::wholeInteger("code", "5 "), cli::UsageError);
  EXPECT_THROW(cli::wholeInteger("code", "99999999999"), cli::UsageError);
  EXPECT_THROW(cli::wholeDecimal("distance", "1e999"), cli::UsageError);
  EXPECT_EQ(cli::wholeDecimal("distance", "149.5"), 149.5);
  EXPECT_EQ(cli::valueList("--speeds", "30:40:5"), (std::vector<double>{30, 35, 40}));
  EXPECT_EQ(cli::valueList("--speeds", "1,2.5"), (std::vector<double>{1, 2.5}));
  EXPECT_THROW(cli::valueList("--speeds", "1,,2"), cli::UsageError);
  EXPECT_THROW(cli::valueList("--speeds", "40:30:5"), cli::UsageError);
}

}  // namespace
}  // namespace tasc::beacon
