#include "control/tasc_controller.h"

namespace tasc {

const char* brakePhaseName(BrakePhase phase) {
  switch (phase) {
    case BrakePhase::Waiting:
      return "waiting";
    case BrakePhase::Staircase:
      return "staircase";
    case BrakePhase::Tracking:
      return "tracking";
  }
  return "?";
}

const char* stopResultName(StopResult result) {
  switch (result) {
    case StopResult::None:
      return "none";
    case StopResult::OnTarget:
      return "on-target";
    case StopResult::Short:
      return "short";
    case StopResult::Overrun:
      return "overrun";
  }
  return "?";
}

}  // namespace tasc
