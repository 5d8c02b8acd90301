// Stopping beacons: formation check, HmPtn filter, record selection, distance
// and file switch.
#include "control/beacon.h"

#include <cmath>
#include <vector>

#include "control/tasc_controller.h"

namespace tasc {
namespace {

// The index in `table` of the first record with these keys, -1 when none has
// them.
int32_t findParamRecord(const std::vector<ParamRecord>& table, int32_t recordId, int32_t subId) {
  for (std::size_t i = 0; i < table.size(); ++i) {
    if (table[i].recordId == recordId && table[i].subId == subId) return static_cast<int32_t>(i);
  }
  return -1;
}

}  // namespace

BeaconWord decodeBeaconWord(int32_t data) {
  const auto u = static_cast<uint32_t>(data);
  return BeaconWord{
      .distanceCode = static_cast<int32_t>(u & 0x3Fu),
      .formationCode = static_cast<int32_t>((u >> 6) & 0xFu),
      .recordCode = static_cast<int32_t>((u >> 10) & 0x1Fu),
      .fileIndex = static_cast<int32_t>((u >> 15) & 0x3Fu),
      .subCode = static_cast<int32_t>((u >> 21) & 0x3u),
  };
}

int32_t encodeBeaconWord(const BeaconWord& w) {
  const uint32_t u = (static_cast<uint32_t>(w.distanceCode) & 0x3Fu) |
                     ((static_cast<uint32_t>(w.formationCode) & 0xFu) << 6) |
                     ((static_cast<uint32_t>(w.recordCode) & 0x1Fu) << 10) |
                     ((static_cast<uint32_t>(w.fileIndex) & 0x3Fu) << 15) |
                     ((static_cast<uint32_t>(w.subCode) & 0x3u) << 21);
  return static_cast<int32_t>(u);  // below 2^23: always representable
}

int32_t nearestDistanceCode(int32_t kind, double metres) {
  int32_t best = 0;
  double bestOff = std::fabs(beaconDistance(kind, 0) - metres);
  for (int32_t code = 1; code <= kDistanceCodeMax; ++code) {
    const double off = std::fabs(beaconDistance(kind, code) - metres);
    if (off < bestOff) {
      best = code;
      bestOff = off;
    }
  }
  return best;
}

double beaconDistance(int32_t kind, int32_t code) {
  // The order of operations is part of the result: 0.01 is not folded into
  // the other factor.
  const double c = code;
  switch (kind) {
    case 1: {
      const double b = kBaseDistance[1];
      if (code >= 1 && code <= 50) return ((c + c) * 0.01) + b;
      return b;
    }
    case 2: {
      const double b = kBaseDistance[2];
      if (code >= 1 && code <= 50) return ((c * 20.0) * 0.01) + b;
      if (code >= 51 && code <= 60) return b - (((61 - c) * 20.0) * 0.01);
      return b;
    }
    case 3: {
      const double b = kBaseDistance[3];
      if (code >= 1 && code <= 10) return ((c * 20.0) * 0.01) + b;
      if (code >= 11 && code <= 31) return (((c - 10) * 50.0) * 0.01) + b;
      if (code >= 32 && code <= 52) return b - ((((53 - c) * 50.0) + 200.0) * 0.01);
      if (code >= 53 && code <= 62) return b - (((63 - c) * 20.0) * 0.01);
      return b;
    }
    default:
      return 0.0;
  }
}

const char* beaconOutcomeName(BeaconOutcome outcome) {
  switch (outcome) {
    case BeaconOutcome::Accepted:
      return "accepted";
    case BeaconOutcome::Standing:
      return "train standing";
    case BeaconOutcome::WrongFormation:
      return "formation";
    case BeaconOutcome::HmPtnFiltered:
      return "HmPtn filter";
    case BeaconOutcome::Toggled400:
      return "stop-here toggled";
    case BeaconOutcome::PatternSelected:
      return "pattern selected";
    case BeaconOutcome::NotABeacon:
      return "not a beacon type";
  }
  return "?";
}

BeaconDecision TascController::onBeacon(int32_t kind, int32_t data, const FileReader& files) {
  BeaconDecision d;
  if (kind < 1 || kind > 3) return d;
  const BeaconWord w = decodeBeaconWord(data);

  if (w.formationCode != formationId) {
    d.outcome = BeaconOutcome::WrongFormation;
    return d;
  }
  // Kind 1 is filtered on the record in force before this beacon. Kinds 2 and
  // 3 pass no filter: the test there would look at the default record, whose
  // flags are all clear, and could never reject.
  if (kind == 1 && enableHmPtn) {
    const int32_t select = patternSelect < 0 ? 0 : patternSelect > 3 ? 3 : patternSelect;
    if (activeParam.hmPtnFlag[static_cast<std::size_t>(select)]) {
      d.outcome = BeaconOutcome::HmPtnFiltered;
      return d;
    }
  }
  d.outcome = BeaconOutcome::Accepted;

  // Record selection from the table in force before any file switch: the
  // defaults with the beacon's keys, or the first record with those keys.
  d.tableIndex = findParamRecord(paramTable, w.recordCode, w.subCode);
  d.tableEntry = tableEntry;
  if (d.tableIndex >= 0) {
    activeParam = paramTable[static_cast<std::size_t>(d.tableIndex)];
  } else {
    activeParam = kDefaultParamRecord;
    activeParam.recordId = w.recordCode;
    activeParam.subId = w.subCode;
  }

  panelLamps[kLampPatternArmed] = 1;
  remainingDistance = d.distance = beaconDistance(kind, w.distanceCode);

  // File switch. loadedFileIndex stays 0, so every beacon naming another file
  // reads it again. Before the first Initialize there is no list to load from.
  if (w.fileIndex != loadedFileIndex && paramFilesRead) {
    loadParamFile(paramFiles[static_cast<std::size_t>(w.fileIndex)].data(), files);
    tableEntry = d.loadedEntry = w.fileIndex;
  }

  if (kind != 1) patternActive = true;
  return d;
}

}  // namespace tasc
