// The parameter CSV loader (to be written).
#include "control/tasc_controller.h"

namespace tasc {
void TascController::loadParamFile(const char* /*entry*/) {
  paramTable.clear();
  paramTable.push_back(kDefaultParamRecord);
}
}  // namespace tasc
