// The controller driven by the scripts in data/cycles.txt and
// data/beacons.txt: each block sets controller fields and keys, runs cycles,
// passes beacons, loads files and checks fields. The rig is a controller with
// its frame's inputs, a scripted key reader and files in memory (csvPath.ini
// read by the plug-in's own private-profile reader, the files its entries
// name by the entry's exact text, fed in chunks of 7 bytes that cut lines
// apart), in the state a reset leaves (B7Dec 3.36, timers at 0, lamp 85 lit,
// reverser forward, keys up, formation 1, the default record alone in the
// table). Then the pattern arithmetic at its edges, and the stopping
// beacon's data word and distances.
#include <gtest/gtest.h>

#include <array>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string_view>
#include <variant>

#include "control/beacon.h"
#include "control/pattern.h"
#include "control/tasc_controller.h"
#include "readers/param_lines.h"
#include "readers/profile.h"
#include "support/cases.h"
#include "support/records.h"

namespace tasc::test {
namespace {

// Virtual-key codes as the host sends them: U, left Ctrl, and right Ctrl,
// which the control must not take for the left one.
constexpr int32_t kU = 0x55, kLeftCtrl = 0xA2, kRightCtrl = 0xA3;

struct Rig {
  std::array<int32_t, 3> handles{0, 0, 1};   // brake, power, reverser
  std::map<int32_t, bool> keys;              // down by virtual-key code
  mutable int32_t keyQueries = 0;            // questions asked of the reader
  std::string list;                          // csvPath.ini; empty: missing
  std::map<std::string, std::string> files;  // entry -> bytes
  mutable int32_t opened = 0;                // files fed so far
  BeaconDecision last;                       // of the last beacon
  TascController c;
  Rig() {
    c.paramTable = {kDefaultParamRecord};
    c.b7Dec = 3.36;
    c.formationId = 1;
    c.timersCreated = true;
    c.panelLamps = {1, 0, 0, 0, 0};
  }
  static bool keyDown(const void* self, int32_t key) {
    const auto& r = *static_cast<const Rig*>(self);
    ++r.keyQueries;
    const auto k = r.keys.find(key);
    return k != r.keys.end() && k->second;
  }
  static uint32_t readList(const void* self, const char* section, const char* key,
                           const char* fallback, char* out, uint32_t size) {
    const auto& r = *static_cast<const Rig*>(self);
    return profile::getString(r.list, section, key, fallback, out, size);
  }
  static bool readFile(const void* self, const char* entry, ChunkSink sink) {
    const auto& r = *static_cast<const Rig*>(self);
    const auto found = r.files.find(entry);
    if (found == r.files.end()) return false;
    ++r.opened;
    const std::string_view bytes = found->second;
    for (std::size_t at = 0; at < bytes.size(); at += 7) sink(bytes.substr(at, 7));
    return true;
  }
  void run(float speed, int32_t stepMs, int n) {
    for (int i = 0; i < n; ++i) c.update(FrameInput{stepMs, speed, handles, {&keyDown, this}});
  }
};

using Ref = std::variant<int32_t*, double*, bool*, BrakePhase*, StopResult*, BeaconOutcome*>;

template <typename... T>
std::array<Ref, sizeof...(T)> refsOf(T*... fields) {
  return {fields...};
}

// Fields by script name: lamp0..4 are panel 85..89, t0..3 the timers,
// flag0..3 the HmPtn flags of the record in force.
Ref ref(Rig& r, const std::string& n) {
  TascController& c = r.c;
  const auto at = [&n](std::size_t prefix) { return std::size_t(n.at(prefix) - '0'); };
  if (n.size() == 5 && n.starts_with("lamp")) return &c.panelLamps.at(at(4));
  if (n.size() == 5 && n.starts_with("flag")) return &c.activeParam.hmPtnFlag.at(at(4));
  if (n.size() == 2 && n[0] == 't') return &c.timers.at(at(1));
  const auto refs =
      refsOf(&c.brakeCommand, &c.brakePhase, &c.maxBrakeSteps, &c.remainingDistance,
             &c.patternActive, &c.standstill, &c.stopResult, &c.beacon400Toggle, &c.lowSpeedMode,
             &c.uKeyLatch, &c.uKeyHeld, &c.cutOut, &c.prevUCtrl, &c.b7Dec, &c.timersCreated,
             &c.activeParam.decelFar, &c.activeParam.decelNear, &c.activeParam.blendLength,
             &r.handles[kDriverPower], &r.handles[kDriverReverser], &c.enableHmPtn,
             &c.patternSelect, &c.formationId, &c.activeParam.recordId, &c.activeParam.subId,
             &r.last.outcome, &r.last.tableIndex, &r.last.tableEntry, &r.last.loadedEntry,
             &r.last.distance, &r.opened, &c.loadedFileIndex, &c.tableEntry, &r.keyQueries,
             &c.paramFilesRead, &r.keys[kU], &r.keys[kLeftCtrl], &r.keys[kRightCtrl]);
  std::istringstream names(
      "cmd phase steps dist armed still result toggle low latch held cut prev b7 created far near "
      "blend power rev hm select formation record sub outcome index tentry loaded bdist opened "
      "file entry asked read u lctrl rctrl");
  std::size_t i = 0;
  for (std::string name; names >> name; ++i)
    if (name == n) return refs.at(i);
  throw std::out_of_range("no field " + n);
}

double get(const Ref& f) {
  return std::visit(
      [](auto* p) -> double {
        if constexpr (std::is_enum_v<std::remove_pointer_t<decltype(p)>>)
          return int(*p);
        else
          return static_cast<double>(*p);
      },
      f);
}

void set(const Ref& f, double v) {
  std::visit(
      [v](auto* p) {
        using T = std::remove_pointer_t<decltype(p)>;
        if constexpr (std::is_same_v<T, double>)
          *p = v;
        else
          *p = static_cast<T>(static_cast<int64_t>(v));
      },
      f);
}

// The entries of the list that are not "NULL", as "key=value ; ...".
std::string entries(const TascController& c) {
  std::string s;
  for (int k = 0; k < kParamFileCount; ++k) {
    const std::string e = c.paramFiles[static_cast<std::size_t>(k)].data();
    if (e != "NULL") s += (s.empty() ? "" : " ; ") + std::to_string(k) + "=" + e;
  }
  return s;
}

// The words left in `words`, each followed by `end`.
std::string rest(std::istringstream& words, const char* end) {
  std::string s;
  for (std::string w; words >> w;) s += w + end;
  return s;
}

// The commands that change more than fields: "reset" (no list: entry 0 is
// NULL), "load" (a reset with the list and files below), "list KEY=ENTRY
// ...", "file NAME LINE ...", "add LINE" (a record at the end of the table),
// "run SPEED [STEP_MS [CYCLES]]", "beacon KIND FORMATION [RECORD [FILE [SUB
// [CODE]]]]", and the checks "table RECORD ..." (as "0,0 ; 1,1") and
// "entries KEY=ENTRY ...". False: not one of them.
bool act(Rig& rig, const std::string& verb, std::istringstream& words) {
  if (verb == "reset") {
    rig.c.reset({}, {});
  } else if (verb == "load") {
    rig.c.reset({&Rig::readList, &rig}, {&Rig::readFile, &rig});
  } else if (verb == "list") {
    rig.list = "[ParamData]\n" + expand(rest(words, "\n"));
  } else if (verb == "add") {
    std::string line;
    words >> line;
    rig.c.paramTable.push_back(parseParamLine(line));
  } else if (verb == "file") {
    std::string name;
    words >> name;
    rig.files[name] = rest(words, "\n");
  } else if (verb == "run") {
    float speed = 0;
    int32_t stepMs = 16;
    int n = 1;
    words >> speed;
    if (words >> stepMs) words >> n;
    rig.run(speed, stepMs, n);
  } else if (verb == "beacon") {
    int32_t v[6] = {};
    for (int32_t& x : v)
      if (!(words >> x)) break;
    const int32_t data = v[5] | v[1] << 6 | v[2] << 10 | v[3] << 15 | v[4] << 21;
    rig.last = rig.c.onBeacon(v[0], data, {&Rig::readFile, &rig});
  } else if (verb == "table" || verb == "entries") {
    std::string want = rest(words, " ; ");
    want = want.substr(0, want.size() < 3 ? 0 : want.size() - 3);
    EXPECT_EQ(verb == "table" ? tableText(rig.c.paramTable) : entries(rig.c), expand(want)) << verb;
  } else {
    return false;
  }
  return true;
}

// One script line: commands separated by ';'.
void step(Rig& rig, const std::string& line, const std::string& where) {
  std::istringstream commands(line);
  for (std::string command; std::getline(commands, command, ';');) {
    std::istringstream words(command);
    std::string verb, arg;
    words >> verb;
    if (act(rig, verb, words)) continue;
    if (verb != "set" && verb != "expect") {
      ADD_FAILURE() << where << ": no command " << verb;
      continue;
    }
    while (words >> arg) {  // set|expect NAME=VALUE ... ('~': within 1e-9)
      const std::size_t eq = arg.find_first_of("=~");
      const std::string name = arg.substr(0, eq);
      const double v = std::stod(arg.substr(eq + 1));
      if (verb == "set") {
        set(ref(rig, name), v);
      } else if (arg[eq] == '~') {
        EXPECT_NEAR(get(ref(rig, name)), v, 1e-9) << where << " " << name;
      } else {
        EXPECT_EQ(get(ref(rig, name)), v) << where << " " << name;
      }
    }
  }
}

TEST(Controller, Scripts) {
  for (const char* file : {"control/data/cycles.txt", "control/data/beacons.txt"}) {
    std::unique_ptr<Rig> rig;
    for (const Case& c : readCases(file)) {
      if (c.f[0].starts_with("==")) {
        rig.reset();
        rig = std::make_unique<Rig>();
      } else {
        SCOPED_TRACE(c.where);
        ASSERT_TRUE(rig) << "a script starts with '== name'";
        step(*rig, c.f[0], c.where);
      }
    }
  }
}

// The pattern arithmetic at its edges: data/pattern.txt.
TEST(Pattern, Golden) {
  for (const Case& c : readCases("control/data/pattern.txt")) {
    std::vector<double> a;
    for (std::size_t i = 1; i + 1 < c.f.size(); ++i) a.push_back(std::stod(c.f[i]));
    const std::string& fn = c.f[0];
    ParamRecord p = kDefaultParamRecord;
    double got = 0;
    if (fn == "trunc") got = truncToInt32(a.at(0), 77);
    if (fn == "add") got = addSaturated(int32_t(a.at(0)), int32_t(a.at(1)));
    if (fn == "track")
      got = trackingCommand(a.at(0), a.at(1), a.at(2), a.at(3), a.at(4), int32_t(a.at(5)));
    if (fn == "decel") p.blendLength = a.at(1), got = patternDecel(p, a.at(0));
    if (fn == "look") got = lookAheadFires(a.at(0), a.at(1), a.at(2), a.at(3));
    EXPECT_EQ(num(got), c.f.back()) << c.where;
  }
}

// Each field alone at every value sits at its bits and decodes back, bits
// 23..31 ignored; all fields at once at their ends and in between do not
// overlap.
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
      for (const uint32_t high : {0u, 0x1FFu, 0x155u})
        ASSERT_EQ(decodeBeaconWord(static_cast<int32_t>(v << f.shift | high << 23)).*f.field, v)
            << f.shift;
    }
  }
  for (const BeaconWord w : {BeaconWord{63, 15, 31, 63, 3}, BeaconWord{5, 9, 17, 42, 2}}) {
    const BeaconWord back = decodeBeaconWord(encodeBeaconWord(w));
    for (const auto& f : fields) EXPECT_EQ(back.*f.field, w.*f.field) << f.shift;
  }
}

// Every code of every kind, exactly: data/beacon_distance.txt; and at each
// code's own distance the nearest code is one at that distance (between codes
// and on ties: the nearest rows of tests/beacon/data/readers.txt).
TEST(BeaconDistance, Golden) {
  for (const test::Case& c : test::readCases("control/data/beacon_distance.txt")) {
    const int32_t kind = std::stoi(c.f[0]);
    const double metres = beaconDistance(kind, std::stoi(c.f[1]));
    EXPECT_EQ(test::num(metres), c.f[2]) << c.where;
    EXPECT_EQ(beaconDistance(kind, nearestDistanceCode(kind, metres)), metres) << c.where;
  }
}

}  // namespace
}  // namespace tasc::test
