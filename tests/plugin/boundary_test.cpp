// The boundary's pure steps: brake-notch encoding, frame step, handle mix
// and the beacon dispatch, as rows of data/boundary.txt.
#include <gtest/gtest.h>

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
  dispatchBeacon(ctl, BeaconRecord{arg(c, 1), 0, 0.0f, arg(c, 2)}, std::stof(c.f.at(3)));
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

}  // namespace
}  // namespace tasc::plugin
