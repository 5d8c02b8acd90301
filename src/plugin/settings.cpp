#include "plugin/settings.h"

#include <cmath>
#include <string_view>

#include "control/tasc_controller.h"
#include "platform/platform.h"
#include "readers/numbers.h"

namespace tasc {
namespace {
constexpr const char* kSection = "TASCPtn";
constexpr const char* kHmPtnSection = "HmPtn";
// Stands for "no such key": no value read from a file can contain a newline.
constexpr const char* kMissing = "\n";
}  // namespace

const char* settingSourceName(SettingSource source) {
  switch (source) {
    case SettingSource::File:
      return "file";
    case SettingSource::Default:
      return "default";
    case SettingSource::B7DecFallback:
      return "fallback";
  }
  return "?";
}

Settings readSettings(const char* settingsPath) {
  Settings s;
  const char* file = settingsPath ? settingsPath : "";

  // B7Dec: the text read into a buffer of 8, so at most 7 characters.
  char text[8] = {};
  platform::readProfileString(kSection, "B7Dec", kMissing, text, sizeof text, file);
  if (std::string_view(text) != kMissing) {
    const double value = parseAtof(text);
    if (std::isfinite(value) && value > 0.0) {
      s.b7Dec = value;
      s.b7DecSource = SettingSource::File;
    } else {
      s.b7DecSource = SettingSource::B7DecFallback;
    }
  }

  // The integers: read twice with two defaults to tell a missing key from a
  // key that holds the default value.
  constexpr int32_t kProbeA = 0, kProbeB = 1;
  const int32_t formationA = platform::readProfileInt(kSection, "FormationID", kProbeA, file);
  const int32_t formationB = platform::readProfileInt(kSection, "FormationID", kProbeB, file);
  if (formationA == formationB) {
    s.formationId = formationA;
    s.formationIdSource = SettingSource::File;
  }
  const int32_t hmA = platform::readProfileInt(kHmPtnSection, "EnableHmPtn", kProbeA, file);
  const int32_t hmB = platform::readProfileInt(kHmPtnSection, "EnableHmPtn", kProbeB, file);
  if (hmA == hmB) {
    s.enableHmPtn = hmA != 0;
    s.enableHmPtnSource = SettingSource::File;
  }
  return s;
}

void applySettings(TascController& controller, const Settings& s) {
  controller.b7Dec = s.b7Dec;
  controller.formationId = s.formationId;
  controller.enableHmPtn = s.enableHmPtn;
}

}  // namespace tasc
