// The control cycle (to be written).
#include "control/tasc_controller.h"

namespace tasc {
void TascController::update() {}
}  // namespace tasc
