#include "sim/scenario.h"

#include <toml++/toml.h>
#include <algorithm>
#include <cmath>
#include <fstream>
#include <set>
#include <sstream>
#include <string_view>

#include "control/beacon.h"
#include "control/pattern.h"
#include "params/settings.h"
#include "plugin/host_records.h"

namespace fs = std::filesystem;

namespace tasc::sim {

const char* beaconTimingName(BeaconTiming timing) {
  switch (timing) {
    case BeaconTiming::BeforeElapse:
      return "before_elapse";
    case BeaconTiming::AfterElapse:
      return "after_elapse";
  }
  return "?";
}

const char* driverActionName(DriverAction action) {
  switch (action) {
    case DriverAction::Power:
      return "power";
    case DriverAction::Brake:
      return "brake";
    case DriverAction::Reverser:
      return "reverser";
    case DriverAction::KeyDown:
      return "key down";
    case DriverAction::KeyUp:
      return "key up";
  }
  return "?";
}

bool SweepAxes::empty() const {
  return initialSpeed.empty() && brakeDeadTime.empty() && brakeTimeConstant.empty() &&
         gradient.empty() && receiverOffset.empty();
}

namespace {

// The strongest command of the plug-in is notch 7.
constexpr int32_t kPluginNotches = static_cast<int32_t>(kTrackingLimit) / 4;
// A beacon coded this far from its true distance warns.
constexpr double kCodedDistanceTolerance = 0.5;  // m

// The faults found so far in one scenario file. Reading goes on after a
// fault, so that one run reports them all.
struct Faults {
  std::string file;
  std::vector<std::string> lines;     // "file:line:column: key: message"
  std::vector<std::string> warnings;  // the same form: the run goes on
};

// Thrown when a table cannot be read on: caught where the next table starts.
struct TableAbort {};

// Reads `body` and goes on after a fault that ended it.
template <typename Body>
void guarded(Body body) {
  try {
    body();
  } catch (const TableAbort&) {
  }
}

// One TOML table being read: every key must be read once, so that a typing
// error in a key name is reported instead of silently ignored.
class Reader {
 public:
  Reader(const toml::table& table, std::string prefix, Faults& faults)
      : table_(table), prefix_(std::move(prefix)), faults_(faults) {}

  // A fault: noted, and reading goes on.
  void note(const toml::node* node, std::string_view key, const std::string& message) const {
    faults_.lines.push_back(where(node, key) + message);
  }
  // Something the plug-in will take otherwise than the author may think.
  void warn(const toml::node* node, std::string_view key, const std::string& message) const {
    faults_.warnings.push_back(where(node, key) + message);
  }
  std::string where(const toml::node* node, std::string_view key) const {
    const toml::source_region& where = node ? node->source() : table_.source();
    std::ostringstream out;
    // A key of the vehicle file names that file.
    out << (where.path ? *where.path : faults_.file) << ':' << where.begin.line << ':'
        << where.begin.column << ": ";
    if (!key.empty()) {
      out << full(key) << ": ";
    } else if (!prefix_.empty()) {
      out << prefix_ << ": ";
    }
    return out.str();
  }

  // A fault after which the table cannot be read on.
  [[noreturn]] void fail(const toml::node* node, std::string_view key,
                         const std::string& message) const {
    note(node, key, message);
    throw TableAbort{};
  }

  std::string full(std::string_view key) const {
    return prefix_.empty() ? std::string(key) : prefix_ + "." + std::string(key);
  }

  const toml::node* get(std::string_view key) {
    used_.insert(std::string(key));
    return table_.get(key);
  }
  bool has(std::string_view key) const { return table_.contains(key); }
  const toml::table& table() const { return table_; }
  Faults& faults() const { return faults_; }

  // A number within [lo, hi]; integers are accepted where a float is meant.
  std::optional<double> number(std::string_view key, double lo, double hi) {
    const toml::node* n = get(key);
    if (!n) return std::nullopt;
    return checkNumber(n, key, lo, hi);
  }
  double number(std::string_view key, double lo, double hi, double fallback) {
    return number(key, lo, hi).value_or(fallback);
  }
  double required(std::string_view key, double lo, double hi) {
    const std::optional<double> v = number(key, lo, hi);
    if (!v) fail(nullptr, key, "missing (a number from " + fmt(lo) + " to " + fmt(hi) + ")");
    return *v;
  }

  // The node as a number within [lo, hi]; nothing, with the fault noted,
  // when it is none or outside.
  std::optional<double> checkNumber(const toml::node* n, std::string_view key, double lo,
                                    double hi) const {
    double v = 0;
    if (const auto* i = n->as_integer()) {
      v = static_cast<double>(i->get());
    } else if (const auto* f = n->as_floating_point()) {
      v = f->get();
    } else {
      note(n, key, std::string("expected a number, got ") + typeName(*n));
      return std::nullopt;
    }
    if (!std::isfinite(v) || v < lo || v > hi) {
      note(n, key, "value " + fmt(v) + " is outside " + fmt(lo) + " to " + fmt(hi));
      return std::nullopt;
    }
    return v;
  }

  std::optional<int64_t> integer(std::string_view key, int64_t lo, int64_t hi) {
    const toml::node* n = get(key);
    if (!n) return std::nullopt;
    const auto* i = n->as_integer();
    if (!i) {
      note(n, key, std::string("expected an integer, got ") + typeName(*n));
      return std::nullopt;
    }
    const int64_t v = i->get();
    if (v < lo || v > hi) {
      note(n, key,
           "value " + std::to_string(v) + " is outside " + std::to_string(lo) + " to " +
               std::to_string(hi));
      return std::nullopt;
    }
    return v;
  }

  std::optional<std::string> string(std::string_view key) {
    const toml::node* n = get(key);
    if (!n) return std::nullopt;
    const auto* s = n->as_string();
    if (!s) {
      note(n, key, std::string("expected a string, got ") + typeName(*n));
      return std::nullopt;
    }
    return s->get();
  }

  std::optional<bool> boolean(std::string_view key) {
    const toml::node* n = get(key);
    if (!n) return std::nullopt;
    const auto* b = n->as_boolean();
    if (!b) {
      note(n, key, std::string("expected true or false, got ") + typeName(*n));
      return std::nullopt;
    }
    return b->get();
  }

  // A sub-table, or nothing when absent.
  const toml::table* subTable(std::string_view key) {
    const toml::node* n = get(key);
    if (!n) return nullptr;
    const auto* t = n->as_table();
    if (!t) fail(n, key, std::string("expected a table, got ") + typeName(*n));
    return t;
  }

  // An array of tables ([[key]]), or nothing when absent.
  const toml::array* tableArray(std::string_view key) {
    const toml::node* n = get(key);
    if (!n) return nullptr;
    const auto* a = n->as_array();
    if (!a || !a->is_array_of_tables()) {
      fail(n, key, "expected an array of tables ([[" + full(key) + "]])");
    }
    return a;
  }

  void finish() const {
    for (const auto& [k, v] : table_) {
      if (!used_.contains(std::string(k.str()))) note(&v, k.str(), "unknown key");
    }
  }

  static std::string fmt(double v) {
    std::ostringstream out;
    out << v;
    return out.str();
  }

  static const char* typeName(const toml::node& n) {
    switch (n.type()) {
      case toml::node_type::table:
        return "a table";
      case toml::node_type::array:
        return "an array";
      case toml::node_type::string:
        return "a string";
      case toml::node_type::integer:
        return "an integer";
      case toml::node_type::floating_point:
        return "a float";
      case toml::node_type::boolean:
        return "a boolean";
      case toml::node_type::date:
        return "a date";
      case toml::node_type::time:
        return "a time";
      case toml::node_type::date_time:
        return "a date-time";
      default:
        return "nothing";
    }
  }

 private:
  const toml::table& table_;
  std::string prefix_;
  Faults& faults_;
  std::set<std::string> used_;
};

int32_t toMs(double seconds) {
  return static_cast<int32_t>(std::llround(seconds * 1000.0));
}

// One axis of the sweep: a number, an array of numbers, or {from, to, step}.
std::vector<double> readAxis(Reader& r, std::string_view key, double lo, double hi) {
  const toml::node* n = r.get(key);
  if (!n) return {};
  std::vector<double> values;
  if (const auto* a = n->as_array()) {
    if (a->empty()) r.fail(n, key, "empty list");
    for (const toml::node& e : *a) {
      if (const auto v = r.checkNumber(&e, key, lo, hi)) values.push_back(*v);
    }
  } else if (const auto* t = n->as_table()) {
    const toml::node* from = t->get("from");
    const toml::node* to = t->get("to");
    const toml::node* step = t->get("step");
    if (!from || !to || !step) r.fail(n, key, "a range needs from, to and step");
    for (const auto& [k, v] : *t) {
      if (k.str() != "from" && k.str() != "to" && k.str() != "step") {
        r.note(&v, std::string(key) + "." + std::string(k.str()), "unknown key");
      }
    }
    const auto fv = r.checkNumber(from, key, lo, hi);
    const auto ev = r.checkNumber(to, key, lo, hi);
    const auto sv = r.checkNumber(step, key, 1e-9, 1e9);
    if (!fv || !ev || !sv) return {};
    const double f = *fv, e = *ev, s = *sv;
    if (e < f) r.fail(to, key, "'to' is below 'from'");
    const double count = std::floor((e - f) / s + 1e-9) + 1;
    if (count > 10000) r.fail(step, key, "more than 10000 values");
    for (int i = 0; i < static_cast<int>(count); ++i) values.push_back(f + s * i);
  } else {
    if (const auto v = r.checkNumber(n, key, lo, hi)) values.push_back(*v);
  }
  return values;
}

int32_t keyCode(Reader& r, std::string_view key, const std::string& name) {
  std::string lower;
  for (char c : name)
    lower.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
  if (lower == "u") return kKeyU;
  if (lower == "lctrl" || lower == "left_ctrl" || lower == "ctrl") return kKeyLeftCtrl;
  r.fail(r.table().get(key), key, "unknown key name \"" + name + "\" (use \"U\" or \"LCtrl\")");
}

// The plug-in commands notches up to 7 and plans with TASC.ini's B7Dec.
void vehicleWarnings(Reader& r, const VehicleModel& v, double folderB7Dec) {
  if (v.brakeNotches < kPluginNotches) {
    r.warn(r.table().get("brake_notches"), "brake_notches",
           std::to_string(v.brakeNotches) +
               " service notches, but the plug-in commands notches up "
               "to " +
               std::to_string(kPluginNotches) +
               ": a notch the vehicle lacks acts here as the "
               "emergency brake");
  }
  const double b7 = v.quarterDecel * 28.0;
  if (std::fabs(b7 - folderB7Dec) > 1e-9 * std::max(1.0, folderB7Dec)) {
    const char* key = r.has("quarter_decel") ? "quarter_decel" : "b7_decel";
    r.warn(r.table().get(key), key,
           "notch 7 of this vehicle gives " + Reader::fmt(b7) +
               " km/h/s, but the plug-in plans "
               "with B7Dec " +
               Reader::fmt(folderB7Dec) +
               " of TASC.ini: set B7Dec to the vehicle's "
               "own deceleration");
  }
}

void readVehicle(Reader& r, VehicleModel& v, double folderB7Dec) {
  v.brakeNotches = static_cast<int32_t>(r.integer("brake_notches", 1, 10).value_or(8));
  v.powerNotches = static_cast<int32_t>(r.integer("power_notches", 0, 20).value_or(5));
  const std::optional<double> b7 = r.number("b7_decel", 0.01, 20);
  const std::optional<double> quarter = r.number("quarter_decel", 0.001, 5);
  if (b7 && quarter)
    r.fail(r.table().get("quarter_decel"), "quarter_decel",
           "give b7_decel or quarter_decel, not both");
  v.quarterDecel = quarter ? *quarter : (b7 ? *b7 : folderB7Dec) / 28.0;
  vehicleWarnings(r, v, folderB7Dec);
  v.emergencyDecel = r.number("emergency_decel", 0.01, 20, 4.5);
  v.brakeDeadTime = r.number("brake_dead_time", 0, 5, v.brakeDeadTime);
  v.brakeTimeConstant = r.number("brake_time_constant", 0, 10, v.brakeTimeConstant);
  if (const toml::node* n = r.get("power_accel")) {
    if (const auto* a = n->as_array()) {
      for (const toml::node& e : *a) {
        v.powerAccel.push_back(r.checkNumber(&e, "power_accel", 0, 20).value_or(0));
      }
      if (static_cast<int32_t>(v.powerAccel.size()) != v.powerNotches) {
        r.fail(n, "power_accel",
               "needs one value per power notch (" + std::to_string(v.powerNotches) + ")");
      }
    } else {
      const double top = r.checkNumber(n, "power_accel", 0, 20).value_or(0);
      for (int32_t i = 1; i <= v.powerNotches; ++i)
        v.powerAccel.push_back(top * i / v.powerNotches);
    }
  }
  if (v.powerAccel.empty()) {
    for (int32_t i = 1; i <= v.powerNotches; ++i) v.powerAccel.push_back(0.6 * i);
  }
  v.powerKneeSpeed = r.number("power_knee_speed", 1, 400, v.powerKneeSpeed);
  v.powerTimeConstant = r.number("power_time_constant", 0, 10, v.powerTimeConstant);
  v.resistanceA = r.number("resistance_a", 0, 5, v.resistanceA);
  v.resistanceB = r.number("resistance_b", 0, 1, v.resistanceB);
  v.resistanceC = r.number("resistance_c", 0, 1, v.resistanceC);
  r.finish();
}

BeaconSpec readBeacon(Reader& r, double stopPoint, int32_t folderFormation) {
  BeaconSpec b;
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
    b.how = "data word";
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
    std::ostringstream how;
    if (code) {
      c = static_cast<int32_t>(*code);
      how << "code " << c;
    } else {
      const double want = wanted ? *wanted : stopPoint - b.position;
      c = nearestDistanceCode(kind, want);
      how << (wanted ? "distance " : "true distance ") << Reader::fmt(want) << " m -> code " << c;
    }
    const auto formation =
        static_cast<int32_t>(r.integer("formation", 0, 15).value_or(folderFormation & 0xF));
    const auto record = static_cast<int32_t>(r.integer("record", 0, 31).value_or(0));
    const auto file = static_cast<int32_t>(r.integer("file", 0, 63).value_or(0));
    const auto sub = static_cast<int32_t>(r.integer("sub", 0, 3).value_or(0));
    b.data = encodeBeaconWord(BeaconWord{c, formation, record, file, sub});
    b.how = how.str();
  } else {
    if (hasFields)
      r.fail(nullptr, "type",
             "only stopping beacons (501..503) take code, distance, formation, record, file, sub");
    b.how = "data word";
  }
  r.finish();
  return b;
}

// One scripted event: a handle move or a key held for a while.
void readEvent(Reader& e, const VehicleModel& v, DriverScript& d) {
  const std::size_t faultsBefore = e.faults().lines.size();
  const int32_t at = toMs(e.required("at", 0, 86400));
  int actions = 0;
  if (const std::optional<std::string> key = e.string("key")) {
    ++actions;
    const int32_t vk = keyCode(e, "key", *key);
    const int32_t hold = toMs(e.required("hold", 0.001, 86400));
    d.events.push_back({at, DriverAction::KeyDown, vk});
    d.events.push_back({at + hold, DriverAction::KeyUp, vk});
  }
  if (const auto rev = e.integer("reverser", -1, 1)) {
    ++actions;
    d.events.push_back({at, DriverAction::Reverser, static_cast<int32_t>(*rev)});
  }
  if (const auto p = e.integer("power", 0, v.powerNotches)) {
    ++actions;
    d.events.push_back({at, DriverAction::Power, static_cast<int32_t>(*p)});
  }
  if (const auto b = e.integer("brake", 0, v.brakeNotches + 1)) {
    ++actions;
    d.events.push_back({at, DriverAction::Brake, static_cast<int32_t>(*b)});
  }
  // A bad value was said already; the count would only repeat it.
  if (actions != 1 && e.faults().lines.size() == faultsBefore) {
    e.fail(nullptr, "", "an event needs exactly one of key (with hold), reverser, power, brake");
  }
  e.finish();
}

DriverScript readDriver(Reader& r, const VehicleModel& v) {
  DriverScript d;
  d.powerNotch = static_cast<int32_t>(r.integer("power_notch", 0, v.powerNotches).value_or(0));
  d.powerOffAt = r.number("power_off_at", -1e7, 1e7);
  d.handOffAtPowerCut = r.boolean("hand_off_at_power_cut").value_or(true);
  if (const toml::array* events = r.tableArray("event")) {
    int index = 0;
    for (const toml::node& n : *events) {
      Reader e(*n.as_table(), r.full("event[" + std::to_string(index++) + "]"), r.faults());
      guarded([&] { readEvent(e, v, d); });
    }
  }
  std::stable_sort(d.events.begin(), d.events.end(),
                   [](const DriverEvent& a, const DriverEvent& b) { return a.timeMs < b.timeMs; });
  r.finish();
  return d;
}

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
      [](const BeaconSpec& a, const BeaconSpec& b) { return a.position < b.position; });
  t.finish();
}

void readRun(Reader& ru, Scenario& s) {
  s.frameRate = static_cast<int32_t>(ru.integer("frame_rate", 1, 1000).value_or(60));
  s.maxTime = ru.number("max_time", 1, 86400, s.maxTime);
  s.settleTime = ru.number("settle_time", 1.1, 600, s.settleTime);
  s.overrunLimit = ru.number("overrun_limit", 0, 1e6, s.overrunLimit);
  if (const std::optional<std::string> timing = ru.string("beacon_timing")) {
    if (*timing == "before_elapse") {
      s.beaconTiming = BeaconTiming::BeforeElapse;
    } else if (*timing == "after_elapse") {
      s.beaconTiming = BeaconTiming::AfterElapse;
    } else {
      ru.fail(ru.table().get("beacon_timing"), "beacon_timing",
              "expected \"before_elapse\" or \"after_elapse\"");
    }
  }
  ru.finish();
}

// Up to kMaxFaults lines, then how many more.
std::string faultReport(const std::vector<std::string>& lines) {
  constexpr std::size_t kMaxFaults = 20;
  std::string out;
  for (std::size_t i = 0; i < lines.size() && i < kMaxFaults; ++i) {
    if (i > 0) out += '\n';
    out += lines[i];
  }
  if (lines.size() > kMaxFaults) {
    out += "\n... and " + std::to_string(lines.size() - kMaxFaults) + " more";
  }
  return out;
}

void readSweep(Reader& w, SweepAxes& sweep) {
  sweep.initialSpeed = readAxis(w, "initial_speed", 0, 400);
  sweep.brakeDeadTime = readAxis(w, "brake_dead_time", 0, 5);
  sweep.brakeTimeConstant = readAxis(w, "brake_time_constant", 0, 10);
  sweep.gradient = readAxis(w, "gradient", -100, 100);
  sweep.receiverOffset = readAxis(w, "receiver_offset", -100, 500);
  w.finish();
}

void readTrain(Reader& tr, Scenario& s) {
  s.initialSpeed = tr.number("initial_speed", 0, 400, 0);
  s.initialPosition = tr.number("initial_position", -1e7, 1e7, 0);
  s.receiverOffset = tr.number("receiver_offset", -100, 500, 0);
  tr.finish();
}

// The vehicle folder, absolute; a fault when it is no folder.
void readVehicleFolder(Reader& r, const toml::table& root, Scenario& s) {
  const std::optional<std::string> folder = r.string("vehicle_folder");
  if (!folder) {
    r.fail(nullptr, "vehicle_folder", "missing (the folder with TASC.ini and csvPath.ini)");
  }
  const fs::path base = s.file.has_parent_path() ? s.file.parent_path() : fs::path(".");
  s.vehicleFolder = fs::absolute(base / *folder).lexically_normal();
  std::error_code ec;
  if (!fs::is_directory(s.vehicleFolder, ec)) {
    r.fail(root.get("vehicle_folder"), "vehicle_folder",
           "no such folder: " + s.vehicleFolder.string());
  }
}

// A stopping beacon sets the distance its code stands for when the receiver
// passes it; the front is then stopPoint - position - receiverOffset away.
void codedDistanceWarnings(const Scenario& s, Faults& faults) {
  for (const BeaconSpec& b : s.beacons) {
    if (b.type < 501 || b.type > 503) continue;
    const double coded = beaconDistance(b.type - 500, decodeBeaconWord(b.data).distanceCode);
    const double truth = s.stopPoint - b.position - s.receiverOffset;
    if (std::fabs(coded - truth) <= kCodedDistanceTolerance) continue;
    std::ostringstream out;
    out << faults.file << ':' << b.line << ": beacon " << b.type << " at " << b.position
        << " m: its code sets " << Reader::fmt(coded) << " m, but the front is "
        << Reader::fmt(truth) << " m from the stopping point when the receiver passes it (" << b.how
        << "): the train will stop " << Reader::fmt(std::fabs(coded - truth)) << " m "
        << (coded > truth ? "past" : "short of") << " the point";
    faults.warnings.push_back(out.str());
  }
}

// A vehicle file parsed, with its [vehicle] table; `fail` says why not.
template <typename Fail>
toml::table parseVehicleFile(const fs::path& file, Fail fail) {
  std::ifstream in(file, std::ios::binary);
  if (!in) fail("cannot open " + file.string());
  std::ostringstream text;
  text << in.rdbuf();
  toml::table root;
  try {
    root = toml::parse(text.str(), file.string());
  } catch (const toml::parse_error& e) {
    fail(file.string() + ":" + std::to_string(e.source().begin.line) + ":" +
         std::to_string(e.source().begin.column) + ": syntax: " + std::string(e.description()));
  }
  if (!root["vehicle"].as_table()) fail(file.string() + " has no [vehicle] table");
  return root;
}

// The file that `vehicle_file` names, relative to the scenario, parsed: a
// fitted vehicle (tasc fit writes one) in its [vehicle] table.
toml::table vehicleFile(Reader& r, const Scenario& s, const std::string& name) {
  const fs::path base = s.file.has_parent_path() ? s.file.parent_path() : fs::path(".");
  const toml::node* key = r.table().get("vehicle_file");
  return parseVehicleFile((base / name).lexically_normal(),
                          [&](const std::string& why) { r.fail(key, "vehicle_file", why); });
}

// The scenario's own [vehicle] keys moved over the vehicle file's: moved, not
// copied, so that each node keeps its file and line for the messages.
void overlayVehicle(toml::table& root, toml::table& fileVehicle) {
  toml::table* own = root["vehicle"].as_table();
  if (!own) return;
  for (auto&& [k, node] : *own) {
    node.visit([&, &k = k](auto& n) { fileVehicle.insert_or_assign(k, std::move(n)); });
  }
}

// The fitted vehicle's [vehicle] keys over `under` (the vehicle read so far):
// the keys of `under` it lacks moved into it, so that the fitted ones win.
// b7_decel and quarter_decel give the same deceleration: a fitted one of them
// replaces either.
void underFitted(toml::table* under, toml::table& fitted) {
  if (!under) return;
  const bool fittedDecel = fitted.contains("b7_decel") || fitted.contains("quarter_decel");
  for (auto&& [k, node] : *under) {
    const bool decel = k.str() == "b7_decel" || k.str() == "quarter_decel";
    if (fitted.contains(k) || (decel && fittedDecel)) continue;
    node.visit([&, &k = k](auto& n) { fitted.insert(k, std::move(n)); });
  }
}

void readScenario(Reader& r, toml::table& root, Scenario& s, const fs::path& fitted) {
  s.name = r.string("name").value_or(s.file.stem().string());
  readVehicleFolder(r, root, s);
  const Settings folderSettings = readSettings((s.vehicleFolder / "TASC.ini").string().c_str());
  Faults& faults = r.faults();
  const toml::table none;
  const toml::table* vehicle = r.subTable("vehicle");
  toml::table fileRoot;  // the vehicle file, the scenario's keys over its [vehicle]
  if (const std::optional<std::string> file = r.string("vehicle_file")) {
    guarded([&] {
      fileRoot = vehicleFile(r, s, *file);
      toml::table& fileVehicle = *fileRoot["vehicle"].as_table();
      overlayVehicle(root, fileVehicle);
      vehicle = &fileVehicle;
    });
  }
  toml::table fittedRoot;  // the fitted vehicle, the keys above under its own
  if (!fitted.empty()) {
    guarded([&] {
      fittedRoot = parseVehicleFile(fitted, [&](const std::string& why) {
        faults.lines.push_back("fitted vehicle: " + why);
        throw TableAbort{};
      });
      toml::table* under = fileRoot["vehicle"].as_table();
      underFitted(under ? under : root["vehicle"].as_table(), *fittedRoot["vehicle"].as_table());
      vehicle = fittedRoot["vehicle"].as_table();
    });
  }
  Reader v(vehicle ? *vehicle : none, "vehicle", faults);
  guarded([&] { readVehicle(v, s.vehicle, folderSettings.b7Dec); });
  const toml::table* track = r.subTable("track");
  if (!track) r.note(nullptr, "track", "missing (stop_point and the beacons)");
  Reader t(track ? *track : none, "track", faults);
  if (track) guarded([&] { readTrack(t, s, folderSettings.formationId); });
  if (const toml::table* train = r.subTable("train")) {
    Reader tr(*train, "train", faults);
    guarded([&] { readTrain(tr, s); });
  }
  if (track && s.initialPosition >= s.stopPoint) {
    r.note(nullptr, "train.initial_position", "must lie before track.stop_point");
  }
  codedDistanceWarnings(s, faults);
  if (const toml::table* run = r.subTable("run")) {
    Reader ru(*run, "run", faults);
    guarded([&] { readRun(ru, s); });
  }
  if (const toml::table* driver = r.subTable("driver")) {
    Reader d(*driver, "driver", faults);
    guarded([&] { s.driver = readDriver(d, s.vehicle); });
  }
  if (const toml::table* sweep = r.subTable("sweep")) {
    Reader w(*sweep, "sweep", faults);
    guarded([&] { readSweep(w, s.sweep); });
  }
  r.finish();
}

}  // namespace

Scenario parseScenario(std::string_view text, const fs::path& file, const fs::path& fitted) {
  const std::string fileName = file.string();
  toml::table root;
  try {
    root = toml::parse(text, fileName);
  } catch (const toml::parse_error& e) {
    std::ostringstream out;
    out << fileName << ':' << e.source().begin.line << ':' << e.source().begin.column
        << ": syntax: " << e.description();
    throw ScenarioError(out.str());
  }

  Scenario s;
  s.file = file;
  Faults faults{fileName, {}, {}};
  Reader r(root, "", faults);
  guarded([&] { readScenario(r, root, s, fitted); });
  if (!faults.lines.empty()) throw ScenarioError(faultReport(faults.lines));
  s.warnings = std::move(faults.warnings);
  return s;
}

Scenario loadScenario(const fs::path& file, const fs::path& fitted) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw ScenarioError(file.string() + ": cannot open the scenario file");
  std::ostringstream text;
  text << in.rdbuf();
  return parseScenario(text.str(), file, fitted);
}

}  // namespace tasc::sim
