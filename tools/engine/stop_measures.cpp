#include "engine/stop_measures.h"

#include <algorithm>
#include <cmath>

#include "model/train.h"

namespace tasc::engine {
namespace {

constexpr int32_t kOverride = 2;      // constant-speed value of the plug-in's brake
constexpr int32_t kHoldingNotch = 4;  // the holding command 16 in the vehicle's numbering
constexpr double kBand = 0.5;         // m, the accuracy the summary and the report name

}  // namespace

Override overrideOf(int32_t brake, int32_t constantSpeed, int32_t brakeNotches) {
  if (constantSpeed != kOverride) return {};
  return {true, model::decodeBrakeNotch(brake, brakeNotches),
          model::notchBeyond(brake, brakeNotches)};
}

bool holdsTrain(int32_t brake, int32_t constantSpeed) {
  return constantSpeed == kOverride && brake == kHoldingNotch;
}

const char* verdictName(Verdict verdict) {
  switch (verdict) {
    case Verdict::NoPattern:
      return "no pattern";
    case Verdict::NotEvaluated:
      return "not evaluated";
    case Verdict::OnTarget:
      return "on target";
    case Verdict::Short:
      return "short";
    case Verdict::Overrun:
      return "overrun";
    case Verdict::DidNotStop:
      return "did not stop";
  }
  return "?";
}

Verdict verdictOf(StopResult result) {
  switch (result) {
    case StopResult::OnTarget:
      return Verdict::OnTarget;
    case StopResult::Short:
      return Verdict::Short;
    case StopResult::Overrun:
      return Verdict::Overrun;
    case StopResult::None:
      break;
  }
  return Verdict::NotEvaluated;
}

std::string stopBand(double stopError) {
  return std::fabs(stopError) <= kBand ? "within 0.5 m" : "outside 0.5 m";
}

void ApproachMeter::start(int32_t command) {
  previousCommand_ = command;
  previousMoving_ = false;
}

void ApproachMeter::frame(const Frame& f) {
  if (f.countsChange && f.command != previousCommand_) ++brakeChanges_;
  previousCommand_ = f.command;
  if (f.moving) {
    peakDecel_ = std::max(peakDecel_, -f.accel);
    if (previousMoving_ && f.stepMs > 0) {
      peakJerk_ = std::max(peakJerk_, std::fabs(f.accel - previousAccel_) / (f.stepMs / 1000.0));
    }
    previousAccel_ = f.accel;
  }
  previousMoving_ = f.moving;
}

}  // namespace tasc::engine
