// The data word of a stopping beacon and the distances its codes stand for.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tasc {

// What a beacon did, as the plug-in's dispatch and onBeacon decide it.
enum class BeaconOutcome : uint8_t {
  Accepted = 0,         // a stopping beacon set the distance and the record in force
  Standing = 1,         // a stopping beacon while the stored speed is 0: ignored
  WrongFormation = 2,   // its formation is not FormationID: ignored
  HmPtnFiltered = 3,    // a near beacon that the HmPtn flag of the record in force drops
  Toggled400 = 4,       // type 400 switched the "stop here" flag
  PatternSelected = 5,  // type 504 set the HmPtn pattern selector
  NotABeacon = 6,       // any other type, or a kind outside 1..3: ignored
};
const char* beaconOutcomeName(BeaconOutcome outcome);

// What the plug-in decided on a beacon: the whole of it, so that a tool shows
// it without working any of it out again. Past the outcome, the fields hold a
// value for an accepted stopping beacon only.
struct BeaconDecision {
  BeaconOutcome outcome = BeaconOutcome::NotABeacon;
  int32_t tableIndex = -1;   // the record selected, by its index in the table searched (the
                             // one in force before the beacon); -1: the defaults with its keys
  int32_t tableEntry = -1;   // the csvPath.ini entry whose file that table holds
  int32_t loadedEntry = -1;  // the entry whose file the beacon then loaded; -1: none
  double distance = 0.0;     // m, the remaining distance it set

  bool accepted() const { return outcome == BeaconOutcome::Accepted; }
};

// Fields of a stopping beacon's data word; bits 23..31 are not read.
struct BeaconWord {
  int32_t distanceCode;   // bits 0..5
  int32_t formationCode;  // bits 6..9, must equal FormationID
  int32_t recordCode;     // bits 10..14, matched with recordId
  int32_t fileIndex;      // bits 15..20, entry of csvPath.ini
  int32_t subCode;        // bits 21..22, matched with subId
};

BeaconWord decodeBeaconWord(int32_t data);

// The data word of `w`, each field cut to its width; bits 23..31 clear. The
// route tools build words with it; the plug-in only decodes.
int32_t encodeBeaconWord(const BeaconWord& w);

// Widest value of each field, in the order of BeaconWord.
inline constexpr int32_t kDistanceCodeMax = 63;
inline constexpr int32_t kFormationCodeMax = 15;
inline constexpr int32_t kRecordCodeMax = 31;
inline constexpr int32_t kFileIndexMax = 63;
inline constexpr int32_t kSubCodeMax = 3;

// Base distance of kind 1 (type 501), 2 (502) or 3 (503), m. These are exact
// 64-bit values about 1.14e-7 m below 7.045, 29.045 and 149.045.
inline constexpr double kBaseDistance[4] = {0.0, 7.044999885559082, 29.044999885559083,
                                            149.0449998855591};

// remainingDistance that a beacon of `kind` (1..3) with distance code `code`
// (0..63) sets; the base distance for codes without a formula of their own.
double beaconDistance(int32_t kind, int32_t code);

// The distance code of `kind` (1..3) whose distance lies nearest to `metres`;
// of codes at the same distance the lowest. 0 for a distance that is not a
// number.
int32_t nearestDistanceCode(int32_t kind, double metres);

}  // namespace tasc
