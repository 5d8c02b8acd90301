// The library's entry routine on Windows.
#include <windows.h>

#include "plugin/plugin.h"

// The attach step runs on every notification (process and thread attach and
// detach) without looking at the reason, and the routine always succeeds.
extern "C" BOOL WINAPI DllMain(HINSTANCE /*instance*/, DWORD /*reason*/, LPVOID /*reserved*/) {
  tasc::plugin::attachModule();
  return TRUE;
}
