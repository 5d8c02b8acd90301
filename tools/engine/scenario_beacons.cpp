// The scenario's [track]: the stopping point and the beacons, each beacon's
// data word whole, by its fields or by the distance wanted.
#include <algorithm>
#include <cmath>
#include <sstream>

#include "control/beacon.h"
#include "engine/scenario_reader.h"

namespace tasc::engine {
namespace detail {
namespace {

// A beacon coded this far from its true distance warns.
constexpr double kCodedDistanceTolerance = 0.5;  // m

BeaconEntry readBeacon(Reader& r, double stopPoint, int32_t folderFormation) {
  BeaconEntry b;
  const std::optional<int64_t> type = r.integer("type", 0, 2147483647);
  if (!type) r.fail(nullptr, "type", "missing (400, 501, 502, 503, 504, ...)");
  b.type = static_cast<int32_t>(*type);
  b.line = static_cast<int32_t>(r.table().source().begin.line);
  const std::optional<double> position = r.number("position", -1e7, 1e7);
  const std::optional<double> before = r.number("before_stop", -1e6, 1e6);
  if (position && before)
    r.fail(r.table().get("before_stop"), "before_stop", "give position or before_stop, not both");
  if (!position && !before) r.fail(nullptr, "position", "missing (or before_stop)");
  b.position = position ? *position : stopPoint - *before;

  const bool stopping = b.type >= 501 && b.type <= 503;
  const bool hasFields = r.has("code") || r.has("distance") || r.has("formation") ||
                         r.has("record") || r.has("file") || r.has("sub");
  if (r.has("data")) {
    if (hasFields)
      r.fail(r.table().get("data"), "data", "give the data word whole or by its fields, not both");
    const std::optional<int64_t> word = r.integer("data", -2147483648LL, 4294967295LL);
    if (!word) r.fail(nullptr, "data", "no usable data word");
    b.data = static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(*word)));
    if (stopping && (static_cast<uint32_t>(b.data) >> 23) != 0) {
      r.warn(r.table().get("data"), "data",
             "data word " + std::to_string(*word) +
                 " has bits above 22 set: the plug-in does not read them (fields: distance code "
                 "0..63, formation 0..15, record 0..31, file 0..63, sub 0..3)");
    }
  } else if (stopping) {
    const int32_t kind = b.type - 500;
    const std::optional<int64_t> code = r.integer("code", 0, 63);
    const std::optional<double> wanted = r.number("distance", 0, 1000);
    if (code && wanted)
      r.fail(r.table().get("distance"), "distance", "give code or distance, not both");
    int32_t c = 0;
    if (code) {
      c = static_cast<int32_t>(*code);
      b.coding = BeaconCoding::Code;
    } else if (wanted) {
      c = nearestDistanceCode(kind, *wanted);
      b.coding = BeaconCoding::Distance;
      b.wanted = *wanted;
    } else {
      b.coding = BeaconCoding::Place;  // coded once the receiver's offset is known
    }
    const auto formation =
        static_cast<int32_t>(r.integer("formation", 0, 15).value_or(folderFormation & 0xF));
    const auto record = static_cast<int32_t>(r.integer("record", 0, 31).value_or(0));
    const auto file = static_cast<int32_t>(r.integer("file", 0, 63).value_or(0));
    const auto sub = static_cast<int32_t>(r.integer("sub", 0, 3).value_or(0));
    b.data = encodeBeaconWord(BeaconWord{c, formation, record, file, sub});
  } else if (hasFields) {
    r.fail(nullptr, "type",
           "only stopping beacons (501..503) take code, distance, formation, record, file, sub");
  }
  r.finish();
  return b;
}

}  // namespace

void readTrack(Reader& t, Scenario& s, int32_t folderFormation) {
  s.stopPoint = t.required("stop_point", -1e7, 1e7);
  s.gradient = t.number("gradient", -100, 100, 0);
  if (const toml::array* beacons = t.tableArray("beacon")) {
    int index = 0;
    for (const toml::node& n : *beacons) {
      Reader b(*n.as_table(), t.full("beacon[" + std::to_string(index++) + "]"), t.faults());
      guarded([&] { s.beacons.push_back(readBeacon(b, s.stopPoint, folderFormation)); });
    }
  }
  std::stable_sort(
      s.beacons.begin(), s.beacons.end(),
      [](const BeaconEntry& a, const BeaconEntry& b) { return a.position < b.position; });
  t.finish();
}

}  // namespace detail

namespace {

using detail::Reader;

std::string metres(double m) {
  return Reader::fmt(m) + " m";
}

// The distances a beacon type's codes can set: lowest and highest.
std::pair<double, double> codableRange(int32_t kind) {
  double lo = beaconDistance(kind, 0), hi = lo;
  for (int32_t code = 1; code <= 63; ++code) {
    lo = std::min(lo, beaconDistance(kind, code));
    hi = std::max(hi, beaconDistance(kind, code));
  }
  return {lo, hi};
}

// How the beacon's code came about, as the author wrote it.
std::string givenAs(const BeaconEntry& b, int32_t code) {
  switch (b.coding) {
    case BeaconCoding::Word:
      return "data word " + std::to_string(b.data) + ", code " + std::to_string(code);
    case BeaconCoding::Code:
      return "code = " + std::to_string(code);
    case BeaconCoding::Distance:
      return "distance = " + Reader::fmt(b.wanted) + " -> code " + std::to_string(code);
    case BeaconCoding::Place:
      break;
  }
  return "coded for the front: code " + std::to_string(code);
}

// The one-line fix: the code for the front's distance, or, where no code
// reaches it, the place where one does.
std::string fixFor(const BeaconEntry& b, double truth, double receiverOffset) {
  const int32_t kind = b.type - 500;
  const auto [lo, hi] = codableRange(kind);
  if (truth < lo - 0.5 || truth > hi + 0.5) {
    return "place it between " + Reader::fmt(lo + receiverOffset) + " and " +
           Reader::fmt(hi + receiverOffset) + " m before the stopping point (before_stop)";
  }
  const int32_t code = nearestDistanceCode(kind, truth);
  switch (b.coding) {
    case BeaconCoding::Word: {
      BeaconWord w = decodeBeaconWord(b.data);
      w.distanceCode = code;
      return "data = " + std::to_string(encodeBeaconWord(w)) + " (code " + std::to_string(code) +
             ")";
    }
    case BeaconCoding::Code:
      return "code = " + std::to_string(code) + ", or leave code out to code it for the front";
    case BeaconCoding::Distance:
      return "leave distance out: the beacon is then coded for the front (code " +
             std::to_string(code) + ")";
    case BeaconCoding::Place:
      break;
  }
  return "place it between " + Reader::fmt(lo + receiverOffset) + " and " +
         Reader::fmt(hi + receiverOffset) + " m before the stopping point";
}

}  // namespace

const char* beaconCodingName(BeaconCoding coding) {
  switch (coding) {
    case BeaconCoding::Word:
      return "data word";
    case BeaconCoding::Code:
      return "code";
    case BeaconCoding::Distance:
      return "distance";
    case BeaconCoding::Place:
      return "place";
  }
  return "?";
}

namespace detail {

// A beacon given by its place codes the front's distance to the stopping
// point when the receiver passes it: a route author codes a beacon for the
// train's front, and the plug-in measures the front's travel from there.
void codeBeaconsForFront(Scenario& s) {
  for (BeaconEntry& b : s.beacons) {
    if (b.coding != BeaconCoding::Place || b.type < 501 || b.type > 503) continue;
    BeaconWord w = decodeBeaconWord(b.data);
    w.distanceCode = nearestDistanceCode(b.type - 500, s.stopPoint - b.position - s.receiverOffset);
    b.data = encodeBeaconWord(w);
  }
}

// A stopping beacon sets the distance its code stands for when the receiver
// passes it; the front is then stopPoint - position - receiverOffset away.
void codedDistanceWarnings(const Scenario& s, Faults& faults) {
  for (const BeaconEntry& b : s.beacons) {
    if (b.type < 501 || b.type > 503) continue;
    const int32_t code = decodeBeaconWord(b.data).distanceCode;
    const double coded = beaconDistance(b.type - 500, code);
    const double truth = s.stopPoint - b.position - s.receiverOffset;
    if (std::fabs(coded - truth) <= kCodedDistanceTolerance) continue;
    std::ostringstream out;
    out << faults.file << ':' << b.line << ": beacon " << b.type << " at " << metres(b.position)
        << " tells the plug-in the point is " << metres(coded) << " ahead (" << givenAs(b, code)
        << "), but the front is " << metres(truth) << " from it when the receiver passes";
    if (s.receiverOffset != 0) out << " (" << metres(s.receiverOffset) << " behind the front)";
    out << ": the train will stop " << metres(std::fabs(coded - truth)) << ' '
        << (coded > truth ? "past" : "short of")
        << " the point; fix: " << fixFor(b, truth, s.receiverOffset);
    faults.warnings.push_back(out.str());
  }
}

}  // namespace detail
}  // namespace tasc::engine
