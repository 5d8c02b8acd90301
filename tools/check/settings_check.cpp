// TASC.ini: the three settings as the plug-in reads them, where each came
// from, and what in the file the plug-in never reads.
#include <cctype>
#include <cstdlib>
#include <optional>

#include "check/checker.h"
#include "files/files.h"
#include "readers/profile.h"
#include "system/text.h"

namespace tasc::check {
namespace {

// The decelerations a service brake's notch 7 gives, km/h/s: a B7Dec outside
// them is another unit or a typo.
constexpr double kB7DecLow = 1.5;
constexpr double kB7DecHigh = 6.0;

struct Known {
  const char* section;
  const char* key;
  SettingSource source;
  std::string value;
};

}  // namespace

bool Checker::utf16(const std::string& file, std::string_view text, Severity severity,
                    bool profileFile) {
  const std::string problem = folder::utf16Problem(file, folder::sniffEncoding(text), profileFile);
  if (problem.empty()) return false;
  say(file, 0, severity, problem);
  return true;
}

void Checker::settings(const std::filesystem::path& folder) {
  const std::string file = "TASC.ini";
  const std::optional<std::string> text = files::readWholeFile(folder / file);
  if (!text) say(file, 0, Severity::Note, "no such file: every setting has its default");
  // UTF-16 text is said once, not scanned for sections it cannot show.
  const std::string content =
      utf16(file, text.value_or(""), Severity::Warning, true) ? std::string() : text.value_or("");
  const IniScan scan = scanIni(content);
  const Settings s = readSettings(folder::pluginPath(folder / file).value_or("").c_str());

  const Known known[] = {
      {"TASCPtn", "B7Dec", s.b7DecSource, num(s.b7Dec)},
      {"TASCPtn", "FormationID", s.formationIdSource, std::to_string(s.formationId)},
      {"HmPtn", "EnableHmPtn", s.enableHmPtnSource, s.enableHmPtn ? "1" : "0"},
  };
  for (const Known& k : known) {
    SettingFinding sr;
    sr.name = k.key;
    sr.value = k.value;
    sr.source = k.source;
    sr.line = scan.lineOf(k.section, k.key);
    if (const auto raw = profile::findValue(content, k.section, k.key)) {
      sr.hasText = true;
      sr.text = platform::utf8FromSystem(*raw);  // shown in UTF-8, as every name
    }
    if (k.source == SettingSource::Default) {
      sr.why = !text                         ? "no file"
               : !scan.hasSection(k.section) ? "no section [" + std::string(k.section) + "]"
               : sr.line > 0                 ? "key without value"
                                             : "no key";
    }
    std::string line = std::string(k.key) + " = " + sr.value + " (" + settingSourceName(k.source);
    if (!sr.why.empty()) line += ": " + sr.why;
    if (sr.hasText) line += ", text " + quote(sr.text);
    say(file, sr.line, Severity::Info, line + ")");
    r_.settings.push_back(sr);
  }
  settingsWarnings(file, scan, s.formationId);
  unknownSections(file, scan, {"TASCPtn", "HmPtn"});
}

// A B7Dec the plug-in reads otherwise than the author meant: a decimal comma
// ends the number ("3,1" reads 3), and a value far from a service brake's
// notch 7 is m/s^2 given for km/h/s, or a typo.
void Checker::b7DecMeaning(const std::string& file, const SettingFinding& b7) {
  if (b7.source != SettingSource::File) return;
  const std::string read = b7.text.substr(0, 7);
  const std::size_t comma = read.find(',');
  if (comma != std::string::npos && comma + 1 < read.size() &&
      std::isdigit(static_cast<unsigned char>(read[comma + 1])) != 0) {
    std::string meant = read;
    meant[comma] = '.';
    say(file, b7.line, Severity::Warning,
        "B7Dec " + quote(b7.text) + " has a decimal comma: the plug-in reads " + b7.value +
            " km/h/s; write " + quote(std::string(profile::trim(meant))) + " if that is meant");
  }
  const double value = std::strtod(b7.value.c_str(), nullptr);
  if (value >= kB7DecLow && value <= kB7DecHigh) return;
  std::string why = "B7Dec " + b7.value + " km/h/s is outside the " + num(kB7DecLow) + ".." +
                    num(kB7DecHigh) + " km/h/s of a service brake's notch 7";
  if (value * 3.6 >= kB7DecLow && value * 3.6 <= kB7DecHigh) {
    why += ": given in m/s^2? " + b7.value + " m/s^2 is " + num(value * 3.6) + " km/h/s";
  } else {
    why += ": a typo? The plug-in plans every stop with it";
  }
  say(file, b7.line, Severity::Warning, why);
}

void Checker::settingsWarnings(const std::string& file, const IniScan& scan, int32_t formationId) {
  const SettingFinding& b7 = r_.settings[0];
  if (b7.source == SettingSource::B7DecFallback) {
    say(file, b7.line, Severity::Warning,
        "B7Dec " + quote(b7.text) + " is not a positive number: " + num(kDefaultB7Dec) +
            " is used");
  } else if (b7.hasText && b7.text.size() > 7) {
    say(file, b7.line, Severity::Warning,
        "B7Dec: only the first 7 characters " + quote(b7.text.substr(0, 7)) + " are read");
  }
  b7DecMeaning(file, b7);
  for (const SettingFinding& sr : r_.settings) {
    const std::string note = platform::fullWidthNote(sr.text);
    if (sr.hasText && !note.empty())
      say(file, sr.line, Severity::Warning, sr.name + " " + quote(sr.text) + ": " + note);
  }
  const SettingFinding& formation = r_.settings[1];
  if (formationId < 0 || formationId > 15) {
    say(file, formation.line, Severity::Warning,
        "FormationID " + std::to_string(formationId) + " is outside 0..15: no beacon can match it");
  }
  if (formation.hasText && std::string(profile::trim(formation.text)) != formation.value) {
    say(file, formation.line, Severity::Note,
        formation.name + " " + quote(formation.text) + " reads as " + formation.value);
  }
  for (const auto& [line, name] : scan.repeatedSections) {
    if (profile::sameName(name, "TASCPtn") || profile::sameName(name, "HmPtn")) {
      say(file, line, Severity::Warning, "section [" + name + "] repeated: only the first is read");
    }
  }
  for (const IniKey& k : scan.keys) {
    if (!k.inFirstSection) continue;
    const bool tasc = profile::sameName(k.section, "TASCPtn");
    const bool hm = profile::sameName(k.section, "HmPtn");
    if (tasc && (profile::sameName(k.key, "B7Dec") || profile::sameName(k.key, "FormationID")))
      continue;
    if (hm && profile::sameName(k.key, "EnableHmPtn")) continue;
    if (tasc || hm) {
      say(file, k.line, Severity::Warning,
          "unknown key " + quote(k.key) + " in [" + k.section + "] is ignored" +
              didYouMean(k.key,
                         tasc ? std::initializer_list<std::string_view>{"B7Dec", "FormationID"}
                              : std::initializer_list<std::string_view>{"EnableHmPtn"}));
    }
  }
}

}  // namespace tasc::check
