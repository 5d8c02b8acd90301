// The command line's readers and the exact text of the distances; the word
// codec itself is tested with the plug-in's decoder.
#include <gtest/gtest.h>

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

// The exact text of each code's distance reads back to the distance.
TEST(BeaconCommand, DistanceTextIsExact) {
  for (int32_t kind = 1; kind <= 3; ++kind) {
    for (int32_t code = 0; code <= 63; ++code) {
      const double d = beaconDistance(kind, code);
      EXPECT_EQ(std::strtod(exactText(d).c_str(), nullptr), d) << kind << " " << code;
    }
  }
}

template <typename T>
std::string text(const std::optional<T>& v) {
  return v ? exactText(static_cast<double>(*v)) : "none";
}

// The rows of data/readers.txt: the command line's readers (the sweep options'
// lists and ranges too), and the nearest code between neighbours and the lowest
// on a tie.
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
      if (fn == "range") {
        const std::vector<double> v = cli::valueList("--speeds", in);
        got = std::to_string(v.size()) + " values";
        if (!v.empty()) got += " " + exactText(v.front()) + " .. " + exactText(v.back());
      }
      if (fn == "nearest") {
        got = std::to_string(nearestDistanceCode(std::stoi(in), std::stod(in.substr(2))));
      }
    } catch (const cli::UsageError& e) {
      got = fn == "range" ? e.what() : "usage";
    }
    EXPECT_EQ(got, c.f[2]) << c.where;
  }
}

}  // namespace
}  // namespace tasc::beacon
