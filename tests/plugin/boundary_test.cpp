// The boundary's pure steps: brake-notch encoding, frame step, handle mix
// and the beacon dispatch, as rows of data/boundary.txt.
#include <gtest/gtest.h>

#include <sstream>
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

// Type, stored speed -> patternSelect, 400 toggle, armed lamp, and the outcome.
std::string dispatch(const test::Case& c) {
  TascController ctl;
  ctl.formationId = 1;
  ctl.patternSelect = 1;
  const BeaconDecision d =
      dispatchBeacon(ctl, BeaconRecord{arg(c, 1), 0, 0.0f, arg(c, 2)}, std::stof(c.f.at(3)), {});
  return std::to_string(ctl.patternSelect) + " " + std::to_string(ctl.beacon400Toggle) + " " +
         std::to_string(ctl.panelLamps[kLampPatternArmed]) + ", " + beaconOutcomeName(d.outcome);
}

// The paths the attach step makes of the module's file ("-": null); in
// sequence on one module, so that each attach replaces the paths of the last.
std::string attach(Module& m, const test::Case& c) {
  const std::string file = test::expand(c.f.at(1));
  m.attach(c.f.at(1) == "-" ? nullptr : file.c_str());
  return std::string(m.boundary.modulePath.data()) + " " + m.boundary.settingsPath.data() + " " +
         m.boundary.paramListPath.data();
}

// The keys a POSIX host reports (SetKeyState, by the codes the host sends),
// as the next frame reads them: U held, U with Ctrl (cut out), then U held
// after every key went up.
std::string keys(const test::Case& c) {
  Module m;
  m.attach(nullptr);
  m.initialize();
  std::istringstream down(c.f.at(1));
  std::vector<int32_t> codes;
  for (std::string code; down >> code;)
    codes.push_back(static_cast<int32_t>(std::stol(code, nullptr, 16)));
  for (const int32_t key : codes) m.setKeyState(key, true);
  m.elapse(VehicleStateRecord{}, nullptr);
  std::string s = std::to_string(m.controller.uKeyHeld) + " " + std::to_string(m.controller.cutOut);
  for (const int32_t key : codes) m.setKeyState(key, false);
  m.elapse(VehicleStateRecord{}, nullptr);
  return s + " " + std::to_string(m.controller.uKeyHeld);
}

TEST(Boundary, Golden) {
  Module attached;
  for (const test::Case& c : test::readCases("plugin/data/boundary.txt")) {
    const std::string& fn = c.f[0];
    std::string got;
    if (fn == "notch") got = std::to_string(encodeBrakeNotch(arg(c, 1)));
    if (fn == "step") got = std::to_string(frameStep(arg(c, 1), arg(c, 2)));
    if (fn == "mix") got = mix(c);
    if (fn == "beacon") got = dispatch(c);
    if (fn == "attach") got = attach(attached, c);
    if (fn == "keys") got = keys(c);
    EXPECT_EQ(got, test::expand(c.f.back())) << c.where;
  }
}

}  // namespace
}  // namespace tasc::plugin
