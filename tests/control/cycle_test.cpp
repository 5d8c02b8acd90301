// The control cycle, driven by the scripts in data/cycles.txt: each block
// sets controller fields and keys, runs cycles and checks fields. The rig is
// a controller with its frame's inputs and a scripted key reader, in the state
// a reset leaves (B7Dec 3.36, timers at 0, lamp 85 lit, reverser forward,
// keys up).
#include <gtest/gtest.h>

#include <array>
#include <limits>
#include <map>
#include <sstream>
#include <variant>

#include "control/pattern.h"
#include "control/tasc_controller.h"
#include "support/cases.h"

namespace tasc::test {
namespace {

// Virtual-key codes as the host sends them: U, left Ctrl, and right Ctrl,
// which the control must not take for the left one.
constexpr int32_t kU = 0x55, kLeftCtrl = 0xA2, kRightCtrl = 0xA3;

struct Rig {
  std::array<int32_t, 3> handles{0, 0, 1};  // brake, power, reverser
  std::map<int32_t, bool> keys;             // down by virtual-key code
  mutable int32_t keyQueries = 0;           // questions asked of the reader
  TascController c;
  Rig() {
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
  void run(float speed, int32_t stepMs, int n) {
    for (int i = 0; i < n; ++i) c.update(FrameInput{stepMs, speed, handles, {&keyDown, this}});
  }
};

using Ref = std::variant<int32_t*, double*, bool*, BrakePhase*, StopResult*>;

// Fields by script name: lamp0..4 are panel 85..89, t0..3 the timers.
Ref ref(Rig& r, const std::string& n) {
  TascController& c = r.c;
  if (n.size() == 5 && n.starts_with("lamp")) return &c.panelLamps.at(std::size_t(n[4] - '0'));
  if (n.size() == 2 && n[0] == 't') return &c.timers.at(std::size_t(n[1] - '0'));
  const std::map<std::string, Ref> named = {{"cmd", &c.brakeCommand},
                                            {"phase", &c.brakePhase},
                                            {"steps", &c.maxBrakeSteps},
                                            {"dist", &c.remainingDistance},
                                            {"armed", &c.patternActive},
                                            {"still", &c.standstill},
                                            {"result", &c.stopResult},
                                            {"toggle", &c.beacon400Toggle},
                                            {"low", &c.lowSpeedMode},
                                            {"latch", &c.uKeyLatch},
                                            {"held", &c.uKeyHeld},
                                            {"cut", &c.cutOut},
                                            {"prev", &c.prevUCtrl},
                                            {"b7", &c.b7Dec},
                                            {"created", &c.timersCreated},
                                            {"far", &c.activeParam.decelFar},
                                            {"near", &c.activeParam.decelNear},
                                            {"blend", &c.activeParam.blendLength},
                                            {"power", &r.handles[kDriverPower]},
                                            {"rev", &r.handles[kDriverReverser]},
                                            {"hm", &c.enableHmPtn},
                                            {"select", &c.patternSelect},
                                            {"formation", &c.formationId},
                                            {"record", &c.activeParam.recordId},
                                            {"file", &c.loadedFileIndex},
                                            {"entry", &c.tableEntry},
                                            {"asked", &r.keyQueries}};
  return named.at(n);
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

// One script line: commands separated by ';'.
void step(Rig& rig, const std::string& line, const std::string& where) {
  std::istringstream commands(line);
  for (std::string command; std::getline(commands, command, ';');) {
    std::istringstream words(command);
    std::string verb, arg;
    words >> verb;
    if (verb == "reset") {  // no list: entry 0 is NULL
      rig.c.reset({}, {});
      continue;
    }
    if (verb == "run") {  // run SPEED [STEP_MS [CYCLES]]
      float speed = 0;
      int32_t stepMs = 16;
      int n = 1;
      words >> speed;
      if (words >> stepMs) words >> n;
      rig.run(speed, stepMs, n);
      continue;
    }
    if (verb != "set" && verb != "expect") {
      ADD_FAILURE() << where << ": no command " << verb;
      continue;
    }
    while (words >> arg) {  // set|expect NAME=VALUE ... ('~': within 1e-9)
      const std::size_t eq = arg.find_first_of("=~");
      const std::string name = arg.substr(0, eq);
      const double v = std::stod(arg.substr(eq + 1));
      if (verb == "set" && (name == "u" || name == "lctrl" || name == "rctrl")) {
        rig.keys[name == "u" ? kU : name == "lctrl" ? kLeftCtrl : kRightCtrl] = v != 0;
      } else if (verb == "set") {
        set(ref(rig, name), v);
      } else if (arg[eq] == '~') {
        EXPECT_NEAR(get(ref(rig, name)), v, 1e-9) << where << " " << name;
      } else {
        EXPECT_EQ(get(ref(rig, name)), v) << where << " " << name;
      }
    }
  }
}

TEST(Cycle, Scripts) {
  std::unique_ptr<Rig> rig;
  for (const Case& c : readCases("control/data/cycles.txt")) {
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

// At a constant 40 km/h the commands rise 0, 8, 7 (= 21 / 3), 10 (= 21 / 2),
// then tracking takes over.
TEST(Cycle, StaircaseStepsInOrderAsTheTrainClosesIn) {
  Rig rig;
  rig.c.patternActive = true;
  rig.c.remainingDistance = 140.0;
  std::vector<int32_t> seen;
  while (rig.c.brakePhase != BrakePhase::Tracking && rig.c.remainingDistance > 0.0) {
    rig.run(40.0f, 16, 1);
    if (rig.c.brakePhase == BrakePhase::Staircase &&
        (seen.empty() || seen.back() != rig.c.brakeCommand)) {
      seen.push_back(rig.c.brakeCommand);
    }
  }
  EXPECT_EQ(seen, (std::vector<int32_t>{0, 8, 7, 10}));
  EXPECT_EQ(rig.c.brakePhase, BrakePhase::Tracking);
}

// Before the first Initialize B7Dec is 0: the steps saturate instead of
// dividing into a finite number.
TEST(Cycle, BeforeInitializeSaturatesTheSteps) {
  TascController c;
  c.update(FrameInput{});
  EXPECT_EQ(c.remainingDistance, 0.0);
  EXPECT_EQ(c.brakeCommand, -1);
  EXPECT_EQ(c.stopResult, StopResult::None);
  EXPECT_EQ(c.maxBrakeSteps, std::numeric_limits<int32_t>::max());
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

}  // namespace
}  // namespace tasc::test
