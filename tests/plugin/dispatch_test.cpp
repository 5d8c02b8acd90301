// SetBeaconData's dispatch on the beacon type.
#include <gtest/gtest.h>

#include <cmath>

#include "plugin/plugin.h"

namespace tasc::plugin {
namespace {

TEST(Dispatch, Type504ClampsToZeroToThreeWhateverTheSpeed) {
  const struct {
    int32_t data, select;
  } cases[] = {{-7, 0},
               {0, 0},
               {2, 2},
               {3, 3},
               {9, 3},
               {std::numeric_limits<int32_t>::min(), 0},
               {std::numeric_limits<int32_t>::max(), 3}};
  for (const auto& c : cases) {
    TascController ctl;
    ctl.patternSelect = 1;
    dispatchBeacon(ctl, BeaconRecord{504, 0, 0.0f, c.data}, 0.0f);
    EXPECT_EQ(ctl.patternSelect, c.select) << c.data;
  }
}

TEST(Dispatch, Type400TogglesAlsoWhileStanding) {
  TascController ctl;
  dispatchBeacon(ctl, BeaconRecord{400, 0, 0.0f, 12345}, 0.0f);
  EXPECT_TRUE(ctl.beacon400Toggle);
  dispatchBeacon(ctl, BeaconRecord{400, 0, 0.0f, 0}, 50.0f);
  EXPECT_FALSE(ctl.beacon400Toggle);
}

TEST(Dispatch, StoppingBeaconsNeedASpeedOtherThanZero) {
  const struct {
    float speed;
    bool handled;
  } cases[] = {{0.0f, false}, {-0.0f, false}, {-3.0f, true}, {std::nanf(""), true}, {1e-30f, true}};
  for (const auto& c : cases) {
    for (int32_t type : {501, 502, 503}) {
      TascController ctl;
      ctl.formationId = 1;
      dispatchBeacon(ctl, BeaconRecord{type, 0, 0.0f, 1 << 6}, c.speed);
      EXPECT_EQ(ctl.panelLamps[kLampPatternArmed] == 1, c.handled) << type << " at " << c.speed;
    }
  }
}

TEST(Dispatch, OtherTypesChangeNothing) {
  for (int32_t type : {0, 401, 500, 505, -501}) {
    TascController ctl;
    ctl.formationId = 1;
    dispatchBeacon(ctl, BeaconRecord{type, 0, 0.0f, 1 << 6}, 40.0f);
    EXPECT_EQ(ctl.panelLamps[kLampPatternArmed], 0) << type;
    EXPECT_FALSE(ctl.beacon400Toggle) << type;
    EXPECT_EQ(ctl.patternSelect, 0) << type;
  }
}

}  // namespace
}  // namespace tasc::plugin
