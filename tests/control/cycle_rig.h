// Test rig for the control cycle: a controller wired to its own boundary
// variables, in the state a reset leaves, with the keys up.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>

#include "control/tasc_controller.h"
#include "platform/platform.h"

namespace tasc::test {

inline constexpr int32_t kKeyRightCtrl = 0xA3;

inline void releaseAllKeys() {
  platform::setKeyState(kKeyU, false);
  platform::setKeyState(kKeyLeftCtrl, false);
  platform::setKeyState(kKeyRightCtrl, false);
}

class CycleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    releaseAllKeys();
    c.elapsedMsRef = &elapsedMs;
    c.vehicleStateRef = &state;
    c.driverHandlesRef = handles.data();
    c.b7Dec = 3.36;
    c.formationId = 1;
    // What the reset leaves, without reading any file.
    c.timers = {};
    c.timersCreated = true;
    c.panelLamps = {1, 0, 0, 0, 0};
  }
  void TearDown() override { releaseAllKeys(); }

  // One cycle at `speed` km/h with a frame step of `stepMs`.
  void cycle(float speed, int32_t stepMs = 16) {
    state.speed = speed;
    elapsedMs = stepMs;
    c.update();
  }
  void cycles(int n, float speed, int32_t stepMs = 16) {
    for (int i = 0; i < n; ++i) cycle(speed, stepMs);
  }
  void arm(double distance) {
    c.patternActive = true;
    c.panelLamps[kLampPatternArmed] = 1;
    c.remainingDistance = distance;
  }
  void setKeys(bool u, bool leftCtrl) {
    platform::setKeyState(kKeyU, u);
    platform::setKeyState(kKeyLeftCtrl, leftCtrl);
  }
  int32_t& power() { return handles[kDriverPower]; }
  int32_t& reverser() { return handles[kDriverReverser]; }

  int32_t elapsedMs = 0;
  VehicleStateRecord state{};
  std::array<int32_t, 3> handles{0, 0, 1};  // brake, power, reverser
  TascController c;
};

}  // namespace tasc::test
