// A module with one of the plug-in's sixteen exports only: the recorder must
// treat it as no plug-in at all.
#include "abi/abi.h"

TASC_EXPORT void TASC_CALL Load() {}
