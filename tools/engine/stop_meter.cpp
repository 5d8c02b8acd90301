#include "engine/stop_meter.h"

#include <algorithm>
#include <cmath>

namespace tasc::engine {

void StopMeter::beaconPassed(const BeaconPass& pass) {
  if (pass.type >= 501 && pass.type <= 503 && result_.firstBeaconMs < 0) {
    result_.firstBeaconMs = pass.timeMs;
  }
  following_ = following_ || pass.accepted();
  result_.beacons.push_back(pass);
}

void StopMeter::beaconLamps(int32_t loaded, int32_t own) {
  for (BeaconPass& b : result_.beacons) {
    if (b.lamp >= 0) continue;
    b.lamp = loaded;
    b.ownLamp = own;
  }
}

void StopMeter::disagreement(int32_t nowMs) {
  if (result_.disagreements++ == 0) result_.firstDisagreeMs = nowMs;
}

void StopMeter::powerCut(double position) {
  if (std::isnan(result_.powerCutPosition)) result_.powerCutPosition = position;
}

void StopMeter::frame(const MeterFrame& f, const TascController& plugin) {
  RunResult& r = result_;
  if (f.commanded > r.peakCommanded) {
    r.peakCommanded = f.commanded;
    r.peakSentNotch = f.sent.brake;
  }
  if (f.beyond) ++r.framesBeyond;
  const bool moving = f.speed > 0.0;
  // Brake-command changes count from the first stopping beacon to the standstill.
  if (f.frame == 0) {
    approach_.start(f.command);
  } else {
    approach_.frame({f.command, r.firstBeaconMs >= 0 && !r.stopped, moving, f.accel, f.stepMs});
  }
  r.peakCommand = std::max(r.peakCommand, f.command);

  if (!moving) {
    if (!r.stopped) {
      r.stopped = true;
      r.stopMs = f.nowMs;
    }
    standingMs_ += f.stepMs;
    if (holdsTrain(f.sent.brake, f.sent.constantSpeed)) r.holdingBrake = true;
  } else {
    standingMs_ = 0;
    // Moved off again: the stop was not the last, nor its time (a train that
    // set off from a standstill showed a negative time from the first beacon).
    if (r.stopped) {
      r.stopped = false;
      r.stopMs = -1;
      r.holdingBrake = false;
    }
  }
  // The plug-in's evaluation: the distance it judged, in the cycle it judged.
  if (plugin.stopResult == StopResult::None) {
    evaluated_ = false;
  } else if (!evaluated_) {
    evaluated_ = true;
    r.pluginDistanceAtStop = plugin.remainingDistance;
  }
}

RunResult StopMeter::finish(const TascController& plugin, int32_t endMs, double stopError,
                            double stopPosition, std::string endReason) {
  RunResult r = std::move(result_);
  r.endMs = endMs;
  r.stopError = stopError;
  r.stopPosition = stopPosition;
  r.endReason = std::move(endReason);
  r.formationId = plugin.formationId;
  r.brakeChanges = approach_.brakeChanges();
  r.peakDecel = approach_.peakDecel();
  r.peakJerk = approach_.peakJerk();
  if (!r.stopped) {
    r.verdict = Verdict::DidNotStop;
  } else if (plugin.stopResult != StopResult::None) {
    r.verdict = verdictOf(plugin.stopResult);
  } else if (following_) {
    r.verdict = Verdict::NotEvaluated;
    r.pluginDistanceAtStop = plugin.remainingDistance;
  }
  return r;
}

}  // namespace tasc::engine
