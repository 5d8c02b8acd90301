// The boundary's pure steps: brake-notch encoding, frame step, handle mix
// and the beacon dispatch, as rows of data/boundary.txt.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plugin/plugin.h"
#include "support/cases.h"

namespace tasc::plugin {
namespace {

int32_t arg(const test::Case& c, std::size_t i) {
  return static_cast<int32_t>(std::stoll(c.f.at(i)));
}

std::string mix(const test::Case& c) {
  TascController ctl;
  ctl.lowSpeedMode = c.f.at(1) == "1";
  ctl.brakeCommand = arg(c, 2);
  const HandleRecord h = mixHandles(ctl, {arg(c, 3), arg(c, 4), 1}, std::stof(c.f.at(5)));
  return std::to_string(h.brake) + " " + std::to_string(h.power) + " " +
         std::to_string(h.reverser) + " " + std::to_string(h.constantSpeed);
}

// Type, stored speed -> patternSelect, 400 toggle, armed lamp.
std::string dispatch(const test::Case& c) {
  TascController ctl;
  ctl.formationId = 1;
  ctl.patternSelect = 1;
  dispatchBeacon(ctl, BeaconRecord{arg(c, 1), 0, 0.0f, arg(c, 2)}, std::stof(c.f.at(3)), {});
  return std::to_string(ctl.patternSelect) + " " + std::to_string(ctl.beacon400Toggle) + " " +
         std::to_string(ctl.panelLamps[kLampPatternArmed]);
}

TEST(Boundary, Golden) {
  for (const test::Case& c : test::readCases("plugin/data/boundary.txt")) {
    const std::string& fn = c.f[0];
    std::string got;
    if (fn == "notch") got = std::to_string(encodeBrakeNotch(arg(c, 1)));
    if (fn == "step") got = std::to_string(frameStep(arg(c, 1), arg(c, 2)));
    if (fn == "mix") got = mix(c);
    if (fn == "beacon") got = dispatch(c);
    EXPECT_EQ(got, c.f.back()) << c.where;
  }
}

// The attach step, repeated as the entry routine repeats it: each attach
// replaces the paths of the last (a path that does not fit leaves them empty,
// never a stale or unterminated one: the files then count as missing, not
// looked up in the working directory).
TEST(Boundary, AttachReplacesThePaths) {
  const std::string dir = "/" + std::string(250, 'd') + "/";      // 252: TASC.so fits, no more
  const std::string shorter = "/" + std::string(248, 'd') + "/";  // 250: TASC.ini fits too
  const struct {
    const char* name;
    std::string file;  // "-": null
    std::string module, settings, list;
  } steps[] = {
      {"plain", "/v/TASC.so", "/v/TASC.so", "/v/TASC.ini", "/v/csvPath.ini"},
      {"null", "-", "", "", ""},
      {"again", "/v/TASC.so", "/v/TASC.so", "/v/TASC.ini", "/v/csvPath.ini"},
      {"ListPathThatDoesNotFitIsEmptiedAlone", shorter + "TASC.so", shorter + "TASC.so",
       shorter + "TASC.ini", ""},
      {"again", "/v/TASC.so", "/v/TASC.so", "/v/TASC.ini", "/v/csvPath.ini"},
      {"SettingsPathThatDoesNotFitIsEmptied", dir + "TASC.so", dir + "TASC.so", "", ""},
      {"again", "/v/TASC.so", "/v/TASC.so", "/v/TASC.ini", "/v/csvPath.ini"},
      {"EmptyNameIsNoFolder", "", "", "", ""},
      {"again", "/v/TASC.so", "/v/TASC.so", "/v/TASC.ini", "/v/csvPath.ini"},
      {"ModulePathOfTheBuffersSizeDoesNotFit", "/" + std::string(kPathSize - 1, 'm'), "", "", ""},
  };
  Module m;
  for (const auto& s : steps) {
    m.attach(s.file == "-" ? nullptr : s.file.c_str());
    EXPECT_EQ(std::string(m.boundary.modulePath.data()), s.module) << s.name;
    EXPECT_EQ(std::string(m.boundary.settingsPath.data()), s.settings) << s.name;
    EXPECT_EQ(std::string(m.boundary.paramListPath.data()), s.list) << s.name;
  }
}

// Each frame hands the controller the boundary's step, speed and driver's
// handles.
TEST(Boundary, FrameCarriesTheStoredHandlesStepAndSpeed) {
  Module m;
  m.attach(nullptr);
  m.initialize();
  VehicleStateRecord state{};
  state.speed = 36.0f;
  state.timeMs = 1000;
  m.elapse(state, nullptr);
  EXPECT_DOUBLE_EQ(m.controller.remainingDistance, -10.0) << "36 km/h for the first 1000 ms";
  m.setDriverHandle(kDriverReverser, -1);
  m.controller.patternActive = true;
  state.timeMs = 1016;
  m.elapse(state, nullptr);
  EXPECT_FALSE(m.controller.patternActive) << "the reverser backward cancels the pattern";
}

// The keys a POSIX host reports (SetKeyState, by the codes the host sends),
// as the next frame reads them: U alone is held, U with left Ctrl cuts out,
// any other key is not one of them. A Windows module reads the keyboard.
TEST(Boundary, FrameReadsTheKeysTheHostReported) {
  const struct {
    std::vector<int32_t> down;
    bool held, cut;
  } rows[] = {{{}, false, false},          {{0x55}, true, false},
              {{0x55, 0xA2}, false, true}, {{0x55, 0xA3}, true, false},
              {{0xA2}, false, false},      {{0x54, 0xA2, 0x56}, false, false}};
  for (const auto& r : rows) {
    Module m;
    m.attach(nullptr);
    m.initialize();
    for (const int32_t key : r.down) m.setKeyState(key, true);
    m.elapse(VehicleStateRecord{}, nullptr);
#if defined(_WIN32)
    EXPECT_FALSE(m.controller.uKeyHeld || m.controller.cutOut);
#else
    EXPECT_EQ(m.controller.uKeyHeld, r.held) << ::testing::PrintToString(r.down);
    EXPECT_EQ(m.controller.cutOut, r.cut) << ::testing::PrintToString(r.down);
    for (const int32_t key : r.down) m.setKeyState(key, false);
    m.elapse(VehicleStateRecord{}, nullptr);
    EXPECT_FALSE(m.controller.uKeyHeld) << "released";
#endif
  }
}

// Before the first Initialize no TASC.ini has been read: FormationID is 0,
// so a moving train takes a stopping beacon of formation 0 and no other.
TEST(Boundary, BeforeTheFirstInitializeTheFormationIsZero) {
  for (const int32_t formation : {0, 1}) {
    Module m;
    m.attach(nullptr);
    VehicleStateRecord moving{};
    moving.speed = 40.0f;
    moving.timeMs = 16;
    m.elapse(moving, nullptr);
    const BeaconOutcome o = m.setBeaconData({503, 0, 0.0f, 5 | formation << 6}).outcome;
    EXPECT_EQ(o, formation == 0 ? BeaconOutcome::Accepted : BeaconOutcome::WrongFormation)
        << formation;
  }
}

}  // namespace
}  // namespace tasc::plugin
