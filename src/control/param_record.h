// One braking-parameter record: a line of a parameter file.
#pragma once

#include <array>
#include <cstdint>

namespace tasc {

inline constexpr int kLeadTimeCount = 5;
inline constexpr int kHmPtnFlagCount = 4;
inline constexpr int kParamColumnCount = 15;

struct ParamRecord {
  int32_t recordId{};                             // key, matched by a beacon's record field
  int32_t subId{};                                // second key, matched by its sub field
  std::array<double, kLeadTimeCount> leadTime{};  // s, look-ahead times of steps 0..4
  double decelFar{};                              // km/h/s, pattern deceleration far out
  double decelNear{};                             // km/h/s, pattern deceleration at the point
  double blendLength{};                           // m, blend between the two decelerations
  double blendStart{};                            // m, remaining distance where the blend starts
  std::array<bool, kHmPtnFlagCount> hmPtnFlag{};  // one per patternSelect value

  friend bool operator==(const ParamRecord&, const ParamRecord&) = default;
};

// The default record: used by the reset, as the first entry of every table and
// as the base of every record selection. The one place these values are written.
inline constexpr ParamRecord kDefaultParamRecord{
    .recordId = 0,
    .subId = 0,
    .leadTime = {3.5, 2.5, 1.5, 0.5, 0.1},
    .decelFar = 2.6,
    .decelNear = 2.2,
    .blendLength = 50.0,
    .blendStart = 1.0,
    .hmPtnFlag = {false, false, false, false},
};

}  // namespace tasc
