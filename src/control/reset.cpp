// The controller reset that every Initialize runs, with the parameter-file list.
#include "control/tasc_controller.h"
#include "readers/profile.h"

namespace tasc {

uint32_t ListReader::readString(const char* section, const char* key, const char* fallback,
                                char* out, uint32_t size) const {
  if (read != nullptr) return read(context, section, key, fallback, out, size);
  // No list: what the profile reader gives for a missing file.
  return profile::getString({}, section, key, fallback ? fallback : "", out, size);
}

void TascController::reset(const ListReader& list, const FileReader& files) {
  // 1. The list lies beside the module, as the module found it when it was
  // attached. 2. The 64 entries, keys "0".."63", each cut to 259 characters.
  int k = 0;
  for (PathBuffer& entry : paramFiles) {
    char key[4] = {};
    if (k < 10) {
      key[0] = static_cast<char>('0' + k);
    } else {
      key[0] = static_cast<char>('0' + k / 10);
      key[1] = static_cast<char>('0' + k % 10);
    }
    list.readString("ParamData", key, "NULL", entry.data(), static_cast<uint32_t>(entry.size()));
    ++k;
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
  loadParamFile(paramFiles[0].data(), files);
  tableEntry = 0;

  // 6. Four timers at 0.
  timers = {};
  timersCreated = true;
}

}  // namespace tasc
