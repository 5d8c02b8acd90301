// The library's entry routine on POSIX, and the POSIX-only export.
#include "abi/abi.h"
#include "plugin/plugin.h"

namespace {
// The attach step runs when the module is loaded.
__attribute__((constructor)) void onModuleLoad() {
  tasc::plugin::attachModule();
}
}  // namespace

// Stand-in for the asynchronous key query: a POSIX host reports the physical
// state of U (0x55) and left Ctrl (0xA2); other codes are ignored.
TASC_EXPORT void TASC_CALL SetKeyState(int32_t virtualKey, int32_t isDown) {
  tasc::plugin::instance().setKeyState(virtualKey, isDown != 0);
}
