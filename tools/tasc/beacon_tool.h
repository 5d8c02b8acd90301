// Data words of stopping beacons for route authors: encoding from fields,
// decoding, and the distance table of each kind. The distances come from the
// plug-in's own beaconDistance, so the tool shows exactly what it will set.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "control/beacon.h"

namespace tasc::tool {

inline constexpr int kDistanceCodeCount = 64;

// Beacon type 501, 502 or 503 as the kind 1..3 of beaconDistance; nothing for
// any other type.
std::optional<int32_t> kindOfType(int64_t type);

// Field limits, inclusive.
struct FieldRange {
  const char* name;
  int64_t max;
};
inline constexpr FieldRange kCodeRange{"code", 63};
inline constexpr FieldRange kFormationRange{"formation", 15};
inline constexpr FieldRange kRecordRange{"record", 31};
inline constexpr FieldRange kFileRange{"file", 63};
inline constexpr FieldRange kSubRange{"sub", 3};

// The data word of the fields; every field must lie in its range.
int32_t encodeBeaconWord(const BeaconWord& w);

// The code of `kind` whose distance lies nearest to `metres`; of codes at the
// same distance the lowest. Nothing for a distance that is not finite.
std::optional<int32_t> nearestCode(int32_t kind, double metres);

// "code must be 0..63, not 64" when `value` lies outside the field's range.
std::optional<std::string> rangeError(const FieldRange& range, int64_t value);

// Whole-text conversions for the command line: the entire text must be the
// number. parseWord takes decimal or 0x hexadecimal, 0..0xFFFFFFFF or a
// negative 32-bit value, and gives the 32-bit word.
std::optional<int64_t> parseWholeInteger(std::string_view text);
std::optional<int32_t> parseWord(std::string_view text);
std::optional<double> parseWholeDecimal(std::string_view text);

// A double printed with %.17g: read back, it gives the same bits.
std::string exactText(double value);

}  // namespace tasc::tool
