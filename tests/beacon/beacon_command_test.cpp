// The beacon word codec that the route tools build words with, and the
// command line's readers, against the plug-in's own decoder.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "beacon/beacon_command.h"
#include "cli/cli.h"
#include "control/beacon.h"
#include "support/cases.h"

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

template <typename T>
std::string text(const std::optional<T>& v) {
  return v ? exactText(static_cast<double>(*v)) : "none";
}

// The rows of data/readers.txt: the command line's readers, and the nearest
// code between neighbours and the lowest on a tie.
TEST(BeaconCommand, ReadersAndNearestCodeGolden) {
  for (const tasc::test::Case& c : tasc::test::readCases("beacon/data/readers.txt")) {
    const std::string& fn = c.f[0];
    const std::string& in = c.f[1];
    std::string got;
    try {
      if (fn == "word") got = text(parseWord(in));
      if (fn == "kind") got = text(kindOfType(std::stoi(in)));
      if (fn == "int") got = std::to_string(cli::wholeInteger("code", in));
      if (fn == "dec") got = exactText(cli::wholeDecimal("distance", in));
      if (fn == "list") {
        for (double v : cli::valueList("--speeds", in))
          got += (got.empty() ? "" : " ") + exactText(v);
      }
      if (fn == "nearest") {
        got = std::to_string(nearestDistanceCode(std::stoi(in), std::stod(in.substr(2))));
      }
    } catch (const cli::UsageError&) {
      got = "usage";
    }
    EXPECT_EQ(got, c.f[2]) << c.where;
  }
}

}  // namespace
}  // namespace tasc::beacon
