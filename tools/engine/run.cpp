#include "engine/run.h"

#include <cmath>
#include <limits>

#include "control/pattern.h"
#include "engine/scenario_reach.h"
#include "model/train.h"
#include "system/tool_system.h"

namespace tasc::engine {
namespace {

using model::Train;

// The driver: released brake, forward, the scripted power notch, the script's
// events as their time comes, and the hand-off of power.
class Driver {
 public:
  Driver(const DriverScript& script, PluginHost& host) : script_(script), host_(host) {
    power_ = script.powerNotch;
    host.setDriverHandle(kDriverReverser, 1);
    host.setDriverHandle(kDriverBrake, brake_);
    host.setDriverHandle(kDriverPower, power_);
    handedOff_ = power_ == 0;
  }

  // The script's events up to `nowMs`, then the shut-off at `position`.
  void play(int32_t nowMs, double position) {
    while (next_ < script_.events.size() && script_.events[next_].timeMs <= nowMs) {
      const DriverEvent& e = script_.events[next_++];
      switch (e.action) {
        case DriverAction::Power:
          setPower(e.value);
          break;
        case DriverAction::Brake:
          brake_ = e.value;
          host_.setDriverHandle(kDriverBrake, e.value);
          break;
        case DriverAction::Reverser:
          host_.setDriverHandle(kDriverReverser, e.value);
          break;
        case DriverAction::KeyDown:
        case DriverAction::KeyUp:
          host_.setKey(e.value, e.action == DriverAction::KeyDown);
          break;
      }
    }
    if (script_.powerOffAt && power_ > 0 && position >= *script_.powerOffAt) handOff();
  }

  // The driver hands off once the plug-in has cut power.
  void afterFrame(const HandleRecord& sent) {
    if (!handedOff_ && script_.handOffAtPowerCut && power_ > 0 && sent.power == 0) handOff();
  }

  int32_t power() const { return power_; }
  int32_t brake() const { return brake_; }

 private:
  void setPower(int32_t notch) {
    power_ = notch;
    host_.setDriverHandle(kDriverPower, notch);
  }
  void handOff() {
    setPower(0);
    handedOff_ = true;
  }

  const DriverScript& script_;
  PluginHost& host_;
  std::size_t next_ = 0;
  int32_t power_ = 0;
  int32_t brake_ = 0;
  bool handedOff_ = false;
};

FrameRow traceRow(const Scenario& s, const Train& train, const PluginHost& host,
                  const MeterFrame& f, const Driver& driver, bool following, int32_t beacon) {
  const TascController& plugin = host.follower().controller;
  const auto& panel = host.panel();
  FrameRow row;
  row.timeMs = f.nowMs;
  row.position = train.position();
  row.speed = train.speed();
  row.accel = train.acceleration();
  row.trueRemaining = s.stopPoint - train.position();
  constexpr double kNone = std::numeric_limits<double>::quiet_NaN();
  row.pluginRemaining = following ? plugin.remainingDistance : kNone;
  const bool lit = panel[kFirstPanelIndex + 1] == 1;
  row.patternSpeed =
      following && lit ? patternSpeedAt(plugin.activeParam, plugin.remainingDistance) : kNone;
  row.brakeDecel = train.brakeDecel();
  row.brakeCommand = f.command;
  row.sent = f.sent;
  row.driverPower = driver.power();
  row.driverBrake = driver.brake();
  for (std::size_t i = 0; i < row.panel.size(); ++i) {
    row.panel[i] = panel[static_cast<std::size_t>(kFirstPanelIndex) + i];
  }
  row.beacon = beacon;
  return row;
}

// Passes one beacon to the host and says what the plug-in decided on it: its
// outcome, and for a stopping beacon the record it selected from which file.
BeaconPass passBeacon(PluginHost& host, const BeaconEntry& b, int32_t nowMs) {
  BeaconPass pass;
  pass.timeMs = nowMs;
  pass.position = b.position;
  pass.type = b.type;
  pass.data = b.data;
  const BeaconDecision d = host.setBeaconData(BeaconRecord{b.type, 0, 0.0f, b.data});
  pass.outcome = d.outcome;
  if (d.accepted()) {
    pass.tableIndex = d.tableIndex;
    pass.tableEntry = d.tableEntry;
    pass.distance = d.distance;
    pass.loadsEntry = d.loadedEntry;
  }
  return pass;
}

// The frame as the stop meter takes it: the train after the step, and the
// override the plug-in sent, in quarters the vehicle applies and as commanded.
MeterFrame measure(int32_t frame, int32_t nowMs, int32_t stepMs, const Train& train,
                   const HandleRecord& sent, int32_t pluginCommand, int32_t brakeNotches) {
  const Override sentOverride = overrideOf(sent.brake, sent.constantSpeed, brakeNotches);
  MeterFrame f;
  f.frame = frame;
  f.nowMs = nowMs;
  f.stepMs = stepMs;
  f.speed = train.speed();
  f.accel = train.acceleration();
  f.command = sentOverride.quarters;
  f.commanded = sentOverride.active ? pluginCommand : -1;
  f.beyond = sentOverride.beyond;
  f.sent = sent;
  return f;
}

}  // namespace

BeaconTrack::BeaconTrack(const std::vector<BeaconEntry>& beacons, double receiverStart)
    : beacons_(beacons) {
  while (next_ < beacons_.size() && beacons_[next_].position <= receiverStart) ++next_;
}

std::span<const BeaconEntry> BeaconTrack::passed(double before, double after) {
  const std::size_t first = next_;
  while (next_ < beacons_.size() && beacons_[next_].position <= after &&
         beacons_[next_].position > before) {
    ++next_;
  }
  return {beacons_.data() + first, next_ - first};
}

namespace {

// A fresh start on a reused instance: keys up, and the HmPtn selection
// (which Initialize keeps) back at 0, as after loading.
void startRun(PluginHost& host, const VehicleModel& v) {
  host.setKey(kKeyU, false);
  host.setKey(kKeyLeftCtrl, false);
  host.setBeaconData(BeaconRecord{504, 0, 0.0f, 0});
  host.setVehicleSpec(
      VehicleSpecRecord{v.brakeNotches, v.powerNotches, v.brakeNotches, v.brakeNotches, 1});
  host.initialize(0);
}

// The scenario's time limits in whole milliseconds, rounded once per run.
struct RunLimits {
  int64_t settleMs = 0;  // standing this long ends the run
  int64_t maxMs = 0;     // the run ends at this host time
};

// Why the run ends after the frame at `nowMs`, or nullptr while it goes on.
const char* endOfRun(const Scenario& s, const RunLimits& limits, const StopMeter& meter,
                     const Train& train, int32_t nowMs) {
  if (meter.stopped() && meter.standingMs() >= limits.settleMs) return "standing";
  if (train.position() > s.stopPoint + s.overrunLimit) return "ran past the overrun limit";
  if (nowMs >= limits.maxMs) return "time limit";
  return nullptr;
}

}  // namespace

RunResult runStop(PluginHost& host, const Scenario& s, std::vector<FrameRow>* trace) {
  const VehicleModel& v = s.vehicle;
  startRun(host, v);
  Driver driver(s.driver, host);
  Train train(v, s.gradient, s.initialSpeed, s.initialPosition);
  BeaconTrack track(s.beacons, s.initialPosition - s.receiverOffset);
  StopMeter meter;
  bool following = false;
  const TascController& plugin = host.follower().controller;
  const RunLimits limits{std::llround(s.settleTime * 1000.0), std::llround(s.maxTime * 1000.0)};

  int32_t previousMs = 0;
  // The far beacon as the receiver passes it: the speed and the traction on.
  const BeaconEntry* far = farBeacon(s);
  double farSpeed = -1;
  int32_t powerOn = 0;
  for (int64_t k = 0;; ++k) {
    platform::stopIfInterrupted();  // Ctrl-C: out through the destructors
    const auto nowMs = static_cast<int32_t>(k * 1000 / s.frameRate);
    const double rxBefore = train.position() - s.receiverOffset;
    if (k > 0) train.advance(nowMs - previousMs, previousMs);
    driver.play(nowMs, train.position());
    const std::span<const BeaconEntry> passed =
        track.passed(rxBefore, train.position() - s.receiverOffset);
    const auto fire = [&] {
      for (const BeaconEntry& b : passed) {
        if (&b == far) farSpeed = train.speed();
        meter.beaconPassed(passBeacon(host, b, nowMs));
        following = following || meter.lastBeacon().accepted();
      }
    };
    if (s.beaconTiming == BeaconTiming::BeforeElapse) fire();
    VehicleStateRecord state{};
    state.location = train.position();
    state.speed = static_cast<float>(train.speed());
    state.timeMs = nowMs;
    const HandleRecord sent = host.elapse(state);
    meter.beaconLamps(host.panel()[kFirstPanelIndex + kLampPatternArmed],
                      plugin.panelLamps[kLampPatternArmed]);
    if (!host.agrees()) meter.disagreement(nowMs);
    if (plugin.brakeCommand >= 0 && !plugin.lowSpeedMode) meter.powerCut(train.position());
    if (s.beaconTiming == BeaconTiming::AfterElapse) fire();
    driver.afterFrame(sent);
    train.setHandles(sent.brake, sent.power, sent.reverser, nowMs);
    if (farSpeed < 0) powerOn = sent.reverser == 1 ? sent.power : 0;

    const MeterFrame f = measure(static_cast<int32_t>(k), nowMs, nowMs - previousMs, train, sent,
                                 plugin.brakeCommand, v.brakeNotches);
    meter.frame(f, plugin);
    if (trace) {
      trace->push_back(
          traceRow(s, train, host, f, driver, following, passed.empty() ? 0 : passed.back().type));
    }
    previousMs = nowMs;
    if (const char* endReason = endOfRun(s, limits, meter, train, nowMs)) {
      RunResult r = meter.finish(plugin, previousMs, s.stopPoint - train.position(),
                                 train.position(), endReason);
      r.frames = static_cast<int32_t>(k + 1);
      if (farSpeed >= 0) r.reach = runReach(s, farSpeed, powerOn);
      host.setKey(kKeyU, false);
      host.setKey(kKeyLeftCtrl, false);
      return r;
    }
  }
}

}  // namespace tasc::engine
