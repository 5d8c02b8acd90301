// The controller reset that every Initialize runs, with the parameter-file list.
#include <cstring>
#include <string_view>

#include "control/tasc_controller.h"
#include "platform/platform.h"

namespace tasc {
namespace {

// dst = drive + dir + name when it fits with its terminator, else empty (the
// file then counts as missing).
void buildBesideModule(PathBuffer& dst, std::string_view drive, std::string_view dir,
                       std::string_view name) {
  dst[0] = '\0';
  if (drive.size() + dir.size() + name.size() >= dst.size()) return;
  std::memcpy(dst.data(), drive.data(), drive.size());
  std::memcpy(dst.data() + drive.size(), dir.data(), dir.size());
  std::memcpy(dst.data() + drive.size() + dir.size(), name.data(), name.size());
  dst[drive.size() + dir.size() + name.size()] = '\0';
}

}  // namespace

void TascController::reset() {
  // 1. csvPath.ini beside the module.
  // An empty module path (unknown, or too long for its buffer) has no folder:
  // a bare "csvPath.ini" would be looked up in the working directory.
  if (modulePath[0] != '\0' && platform::splitPath(modulePath.data(), pathDrive, pathDir)) {
    buildBesideModule(paramListPath, pathDrive.data(), pathDir.data(), "csvPath.ini");
  } else {
    paramListPath[0] = '\0';
  }

  // 2. The 64 entries, keys "0".."63", each cut to 259 characters.
  const platform::ProfileFile list(paramListPath.data());
  for (int k = 0; k < kParamFileCount; ++k) {
    char key[4] = {};
    if (k < 10) {
      key[0] = static_cast<char>('0' + k);
    } else {
      key[0] = static_cast<char>('0' + k / 10);
      key[1] = static_cast<char>('0' + k % 10);
    }
    PathBuffer& entry = paramFiles[static_cast<std::size_t>(k)];
    list.readString("ParamData", key, "NULL", entry.data(), static_cast<uint32_t>(entry.size()));
  }
  paramFilesRead = true;

  // 3. Control state back to its start values.
  loadedFileIndex = 0;
  remainingDistance = 0.0;
  beacon400Toggle = false;
  patternActive = false;
  standstill = true;
  stopResult = StopResult::None;
  brakePhase = BrakePhase::Waiting;
  uKeyLatch = false;
  lowSpeedMode = false;
  cutOut = false;
  prevUCtrl = false;
  brakeCommand = 0;
  uKeyHeld = false;
  panelLamps = {1, 0, 0, 0, 0};

  // 4. and 5. The default record in force, entry 0 in the table.
  activeParam = kDefaultParamRecord;
  loadParamFile(paramFiles[0].data());

  // 6. Four timers at 0.
  timers = {};
  timersCreated = true;
}

}  // namespace tasc
