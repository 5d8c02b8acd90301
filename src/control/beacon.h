// The data word of a stopping beacon and the distances its codes stand for.
#pragma once

#include <cstdint>

namespace tasc {

// Fields of a stopping beacon's data word; bits 23..31 are not read.
struct BeaconWord {
  int32_t distanceCode;   // bits 0..5
  int32_t formationCode;  // bits 6..9, must equal FormationID
  int32_t recordCode;     // bits 10..14, matched with recordId
  int32_t fileIndex;      // bits 15..20, entry of csvPath.ini
  int32_t subCode;        // bits 21..22, matched with subId
};

BeaconWord decodeBeaconWord(int32_t data);

// Base distance of kind 1 (type 501), 2 (502) or 3 (503), m. These are exact
// 64-bit values about 1.14e-7 m below 7.045, 29.045 and 149.045.
inline constexpr double kBaseDistance[4] = {0.0, 7.044999885559082, 29.044999885559083,
                                            149.0449998855591};

// remainingDistance that a beacon of `kind` (1..3) with distance code `code`
// (0..63) sets; the base distance for codes without a formula of their own.
double beaconDistance(int32_t kind, int32_t code);

}  // namespace tasc
