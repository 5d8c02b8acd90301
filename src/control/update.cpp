// The control cycle: distance, driver switches, timers, pattern, brake
// command, low-speed mode and stop evaluation, in that order, once per frame.
// No allocation and no exception: only arithmetic, a few square roots and the
// key reader the frame brings.
#include <cmath>

#include "control/pattern.h"
#include "control/tasc_controller.h"

namespace tasc {
namespace {

// Thresholds keep the width they are compared in: the low-speed ones are
// 32-bit, the standstill one is compared after widening the speed.
constexpr double kStandstillSpeed = 1.2;   // km/h, 64-bit
constexpr float kSlowRunningSpeed = 0.5f;  // km/h, 32-bit
constexpr float kLowSpeedStep2 = 1.0f;     // km/h, 32-bit
constexpr int32_t kStandstillMs = 1000;
constexpr int32_t kHoldToSwitchMs = 1000;
constexpr int32_t kSlowRunningLimitMs = 5000;
constexpr int32_t kNoPowerLimitMs = 30000;
constexpr int32_t kNoCommand = -1;
constexpr int32_t kHoldingCommand = 16;  // notch 4
constexpr int32_t kStaircaseStep1 = 8;   // notch 2
constexpr int32_t kSlowLimitCommand = 8;
constexpr int32_t kReverserBackward = -1;
// Strongest staircase step: notch 7, as for tracking. A pattern deceleration
// beyond what notch 7 gives (a tiny B7Dec, a huge deceleration in a file)
// would otherwise send a notch the vehicle does not have.
constexpr int32_t kStaircaseLimit = 28;

int32_t staircaseStep(int32_t steps) {
  return steps > kStaircaseLimit ? kStaircaseLimit : steps;
}

// U down, and left Ctrl down with it. Left Ctrl is only queried while U is
// down; each caller queries afresh.
struct KeyReading {
  bool u = false;
  bool uWithCtrl = false;
};

KeyReading readKeys(const KeyReader& keys) {
  KeyReading k;
  k.u = keys.down(kKeyU);
  if (k.u) k.uWithCtrl = keys.down(kKeyLeftCtrl);
  return k;
}

// Steps 2 to 4 of the cycle: U held alone, the cut-out toggle on a new U +
// left Ctrl press, and that press remembered. Each step asks the keys afresh.
void readSwitches(TascController& c, const KeyReader& keys) {
  const KeyReading k = readKeys(keys);
  if (k.u && !k.uWithCtrl) {
    c.uKeyHeld = true;
  } else {
    c.uKeyHeld = false;
    c.uKeyLatch = false;
  }
  if (readKeys(keys).uWithCtrl && !c.prevUCtrl) c.cutOut = !c.cutOut;
  c.prevUCtrl = readKeys(keys).uWithCtrl;
}

// Step 5: each timer runs on by the frame step while its condition holds and
// is 0 otherwise; none exists before the first reset.
void advanceTimers(TascController& c, float speed32, int32_t stepMs, int32_t driverPower) {
  if (!c.timersCreated) return;
  const float magnitude32 = std::fabs(speed32);
  auto advance = [stepMs](int32_t& t, bool running) { t = running ? addSaturated(t, stepMs) : 0; };
  advance(c.timers[kStandstillTimer], static_cast<double>(magnitude32) < kStandstillSpeed);
  advance(c.timers[kUKeyTimer], c.uKeyHeld);
  advance(c.timers[kSlowRunningTimer],
          magnitude32 < kSlowRunningSpeed && c.lowSpeedMode && c.brakeCommand > 0);
  advance(c.timers[kNoPowerTimer], c.lowSpeedMode && driverPower == 0);
}

bool timerAbove(const TascController& c, TimerSlot slot, int32_t limitMs) {
  return c.timersCreated && c.timers[slot] > limitMs;
}

// The cut-out: no command, lamps off but the cut-out lamp, phase and
// low-speed mode back to rest. The latch is left as it is.
void applyCutOut(TascController& c) {
  c.brakeCommand = kNoCommand;
  c.panelLamps[kLampBraking] = 0;
  c.panelLamps[kLampCutOut] = 1;
  c.panelLamps[kLampLowSpeed] = 0;
  c.brakePhase = BrakePhase::Waiting;
  c.lowSpeedMode = false;
}

// Low-speed commands: the 32-bit speed against 32-bit constants.
void lowSpeedCommands(TascController& c, float speed) {
  c.panelLamps[kLampPatternArmed] = 1;
  if (speed > kSlowRunningSpeed) {
    c.brakeCommand = 1;
    c.panelLamps[kLampBraking] = 1;
  }
  if (speed > kLowSpeedStep2) c.brakeCommand = 2;
  if (c.beacon400Toggle) c.brakeCommand = kHoldingCommand;
}

// Braking start, staircase, tracking and the limit below 1.2 km/h.
void phaseControl(TascController& c, double v, double decel, double stepDecel) {
  const ParamRecord& p = c.activeParam;
  const double d = c.remainingDistance;
  const bool armed = c.patternActive;
  const bool test0 =
      armed && c.brakePhase != BrakePhase::Tracking && lookAheadFires(v, d, p.leadTime[0], decel);

  if (armed && test0 && c.brakePhase == BrakePhase::Waiting) {
    c.brakeCommand = 0;
    c.brakePhase = BrakePhase::Staircase;
    c.panelLamps[kLampBraking] = 1;
  }

  if (c.brakePhase == BrakePhase::Staircase) {
    if (armed) {
      // All five tests every cycle; the last firing one of 0..3 sets the
      // command, so a later test may lower it.
      if (test0) c.brakeCommand = 0;
      if (lookAheadFires(v, d, p.leadTime[1], decel)) c.brakeCommand = kStaircaseStep1;
      if (lookAheadFires(v, d, p.leadTime[2], decel))
        c.brakeCommand = staircaseStep(c.maxBrakeSteps / 3);
      if (lookAheadFires(v, d, p.leadTime[3], decel))
        c.brakeCommand = staircaseStep(c.maxBrakeSteps / 2);
      if (lookAheadFires(v, d, p.leadTime[4], decel)) c.brakePhase = BrakePhase::Tracking;
    }
    c.panelLamps[kLampBraking] = 1;
  }

  // Tracking does not need an armed pattern: it runs on against the
  // remaining distance once the phase has been reached.
  if (c.brakePhase == BrakePhase::Tracking) {
    c.brakeCommand = trackingCommand(v, d, p.leadTime[4], decel, stepDecel, c.maxBrakeSteps);
    c.panelLamps[kLampBraking] = 1;
  }

  if (v < kStandstillSpeed && c.brakePhase == BrakePhase::Tracking &&
      c.brakeCommand > kSlowLimitCommand) {
    c.brakeCommand = kSlowLimitCommand;
  }
}

// Switch-on first, then switch-off seeing what the switch-on has set.
void switchLowSpeedMode(TascController& c, bool reverserBackward) {
  const bool uHeldLong = timerAbove(c, kUKeyTimer, kHoldToSwitchMs);
  if (!reverserBackward && uHeldLong && !c.lowSpeedMode && !c.uKeyLatch) {
    c.uKeyLatch = true;
    c.lowSpeedMode = true;
    c.brakeCommand = kNoCommand;
    c.panelLamps[kLampLowSpeed] = 1;
    if (c.timersCreated) c.timers[kSlowRunningTimer] = 0;
  }
  if (reverserBackward || (uHeldLong && c.lowSpeedMode && !c.uKeyLatch) ||
      timerAbove(c, kSlowRunningTimer, kSlowRunningLimitMs) ||
      timerAbove(c, kNoPowerTimer, kNoPowerLimitMs)) {
    c.uKeyLatch = true;
    c.lowSpeedMode = false;
    c.panelLamps[kLampLowSpeed] = 0;
  }
}

void evaluateStop(TascController& c) {
  if (!c.standstill) {
    c.stopResult = StopResult::None;
    return;
  }
  const double d = c.remainingDistance;
  if ((std::fabs(d) < 1.0 && c.patternActive) || c.beacon400Toggle) {
    c.stopResult = StopResult::OnTarget;
  } else if (d < 5.0 && d > 0.0 && c.patternActive) {
    c.stopResult = StopResult::Short;
  } else if (d < -1.0 && c.patternActive) {
    c.stopResult = StopResult::Overrun;
  }
}

}  // namespace

void TascController::update(const FrameInput& in) {
  const float speed32 = in.speed;
  const double v = static_cast<double>(speed32);
  const int32_t stepMs = in.stepMs;
  const int32_t driverPower = in.handles[kDriverPower];
  const bool reverserBackward = in.handles[kDriverReverser] == kReverserBackward;

  // 1. Distance, in every cycle.
  remainingDistance -= (v / 3.6) * (static_cast<double>(stepMs) / 1000.0);

  // 2. to 4. Keys.
  readSwitches(*this, in.keys);

  // 5. Timers; brakeCommand and lowSpeedMode are still those of the last cycle.
  advanceTimers(*this, speed32, stepMs, driverPower);

  // 6.
  standstill = timerAbove(*this, kStandstillTimer, kStandstillMs);

  // 7. Pattern cancel (stopResult of the last cycle) and the cut-out.
  if (cutOut || reverserBackward || static_cast<int32_t>(stopResult) > 0) {
    patternActive = false;
    panelLamps[kLampPatternArmed] = 0;
  }
  if (cutOut) {
    applyCutOut(*this);
  } else {
    // 8. Pattern deceleration at the present distance, used for every
    // pattern speed of this cycle.
    const double decel = patternDecel(activeParam, remainingDistance);
    const double stepDecel = b7Dec / kQuarterNotchesOfB7;
    maxBrakeSteps = brakeStepsFor(decel, stepDecel);
    brakeCommand = kNoCommand;
    panelLamps[kLampBraking] = 0;

    if (lowSpeedMode) {
      // 9. The phase stays frozen while the mode is on.
      lowSpeedCommands(*this, speed32);
    } else {
      // 10.
      phaseControl(*this, v, decel, stepDecel);
      // 11. Holding brake; stopResult is still that of the last cycle.
      if (standstill && static_cast<int32_t>(stopResult) > 0 && driverPower == 0) {
        brakePhase = BrakePhase::Waiting;
        panelLamps[kLampBraking] = 1;
        brakeCommand = kHoldingCommand;
      }
    }
    // 12.
    switchLowSpeedMode(*this, reverserBackward);
  }

  // 13.
  evaluateStop(*this);
}

}  // namespace tasc
