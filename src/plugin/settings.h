// TASC.ini: the three settings that Initialize reads beside the module.
#pragma once

#include <cstdint>

namespace tasc {

struct TascController;

inline constexpr double kDefaultB7Dec = 3.36;
inline constexpr int32_t kDefaultFormationId = 1;

// Where a setting came from.
enum class SettingSource {
  File,           // the file's value
  Default,        // the file, the section or the key is missing
  B7DecFallback,  // B7Dec was not a positive finite number: the default stands in
};
const char* settingSourceName(SettingSource source);

struct Settings {
  double b7Dec = kDefaultB7Dec;  // km/h/s of brake notch 7; always positive and finite
  int32_t formationId = kDefaultFormationId;
  bool enableHmPtn = false;
  SettingSource b7DecSource = SettingSource::Default;
  SettingSource formationIdSource = SettingSource::Default;
  SettingSource enableHmPtnSource = SettingSource::Default;
};

// Reads TASC.ini at `settingsPath` (an empty path counts as a missing file).
// B7Dec is read as its first 7 characters converted like atof; a value that is
// not a positive finite number would be divided by in every frame, so the
// default 3.36 stands in for it.
Settings readSettings(const char* settingsPath);

// Initialize's settings step: the settings read into the controller's fields.
void applySettings(TascController& controller, const Settings& settings);

}  // namespace tasc
