// One braking-parameter record, a line of a parameter file, and the one map
// from its fifteen columns to its fields.
#pragma once

#include <array>
#include <cstddef>
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

// The conversion a column uses.
enum class ColumnKind : uint8_t {
  Integer = 0,  // 32-bit signed, strtol base 10: columns 0, 1
  Decimal = 1,  // 64-bit float, strtod; ERANGE fails: columns 2..10
  Flag = 2,     // the integer conversion, true when not 0: columns 11..14
};
const char* columnKindName(ColumnKind kind);

// Kind and field name ("recordId", "leadTime[0]", ...) of column
// 0..kParamColumnCount-1; Integer and "?" past the last column.
ColumnKind columnKind(std::size_t column) noexcept;
const char* columnName(std::size_t column) noexcept;

// The value `record` holds in column `column` (a flag as 0 or 1); 0 past the
// last column.
double columnValue(const ParamRecord& record, std::size_t column) noexcept;

// Stores `value` in column `column` of `record`: a decimal column as it is,
// an integer column truncated toward zero and held within the 32-bit range
// (NaN gives 0), a flag as `value != 0`. Nothing past the last column.
void setColumnValue(ParamRecord& record, std::size_t column, double value) noexcept;

}  // namespace tasc
