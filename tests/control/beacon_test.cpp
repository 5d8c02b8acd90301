// The stopping beacon's data word and distances (what the controller does
// with a beacon: the scripts of data/beacons.txt).
#include "control/beacon.h"

#include <gtest/gtest.h>

#include "support/cases.h"

namespace tasc {
namespace {

// Each field alone at every value sits at its bits and decodes back, bits
// 23..31 ignored; all fields at once at their ends and in between do not
// overlap.
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
      for (const uint32_t high : {0u, 0x1FFu, 0x155u})
        ASSERT_EQ(decodeBeaconWord(static_cast<int32_t>(v << f.shift | high << 23)).*f.field, v)
            << f.shift;
    }
  }
  for (const BeaconWord w : {BeaconWord{63, 15, 31, 63, 3}, BeaconWord{5, 9, 17, 42, 2}}) {
    const BeaconWord back = decodeBeaconWord(encodeBeaconWord(w));
    for (const auto& f : fields) EXPECT_EQ(back.*f.field, w.*f.field) << f.shift;
  }
}

// Every code of every kind, exactly: data/beacon_distance.txt; and at each
// code's own distance the nearest code is one at that distance (between codes
// and on ties: the nearest rows of tests/beacon/data/readers.txt).
TEST(BeaconDistance, Golden) {
  for (const test::Case& c : test::readCases("control/data/beacon_distance.txt")) {
    const int32_t kind = std::stoi(c.f[0]);
    const double metres = beaconDistance(kind, std::stoi(c.f[1]));
    EXPECT_EQ(test::num(metres), c.f[2]) << c.where;
    EXPECT_EQ(beaconDistance(kind, nearestDistanceCode(kind, metres)), metres) << c.where;
  }
}

}  // namespace
}  // namespace tasc
