// Test support: a simple train for driving the plug-in over a stop. Brake
// notches are decoded back to quarter notches; each quarter notch gives
// b7Dec / 28 km/h/s after a dead time and a first-order lag.
#pragma once

#include <cstdint>
#include <deque>

namespace tasc::test {

// The inverse of the plug-in's brake-notch encoding: whole notches 0..8 and
// the quarter positions from 11 up, as quarter notches.
inline int32_t quartersOfNotch(int32_t notch) {
  if (notch <= 10) return 4 * notch;
  const int32_t k = notch - 10;  // 3 * q + r with r in 1..3
  return 4 * ((k - 1) / 3) + (k - 1) % 3 + 1;
}

struct SimpleTrain {
  double b7Dec = 3.36;       // km/h/s at notch 7
  double deadTimeS = 0.2;    // s before a new brake demand starts to act
  double lagS = 0.3;         // s, first-order lag of the brake
  double speed = 0.0;        // km/h
  double position = 0.0;     // m of the front
  double decel = 0.0;        // km/h/s acting now
  double cruiseSpeed = 0.0;  // with power on, the train holds this speed

  // Advances by dt seconds with the handles the plug-in returned.
  void step(double dtS, int32_t brakeNotch, int32_t power) {
    demands_.push_back(quartersOfNotch(brakeNotch) * b7Dec / 28.0);
    const auto delayFrames = static_cast<std::size_t>(deadTimeS / dtS + 0.5);
    while (demands_.size() > delayFrames + 1) demands_.pop_front();
    const double target = demands_.front();
    decel += (target - decel) * (dtS / (lagS + dtS));
    if (power > 0 && decel < 1e-9) {
      speed = cruiseSpeed;
    } else {
      speed -= decel * dtS;
      if (speed < 0.0) speed = 0.0;
    }
    position += speed / 3.6 * dtS;
  }

 private:
  std::deque<double> demands_;
};

}  // namespace tasc::test
