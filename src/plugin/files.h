// The controller's readers over the operating system: csvPath.ini and the
// parameter files its entries name, as the module hands them to the reset and
// to the beacons. The tools that read a vehicle folder as the plug-in does use
// them too.
#pragma once

#include "control/inputs.h"
#include "platform/platform.h"

namespace tasc::plugin {

// Lookups in `list`, the parameter-file list read by the platform layer.
// `list` must outlive the reader.
ListReader listReader(const platform::ProfileFile& list);

// The files that entries of the list at `listPath` name (an absolute entry as
// it stands, any other relative to the list's folder), read in chunks of
// 16 KiB. Allocates nothing itself. `listPath` must outlive the reader.
FileReader fileReader(const char* listPath);

}  // namespace tasc::plugin
