// The parts of `tasc check` that share the findings: the message sink, the
// scan of a private-profile file, and one check per file kind.
#pragma once

#include <filesystem>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "check/check.h"
#include "folder/vehicle_folder.h"

namespace tasc::check {

// Shortest text that reads back as the same double.
std::string num(double v);
std::string quote(std::string_view s);

// " (did you mean X?)" when `name` lies one or two edits (letter case aside)
// from one of `known`, the nearest first; else empty.
std::string didYouMean(std::string_view name, std::initializer_list<std::string_view> known);

// The key lines of a private-profile file, read with the plug-in's own line
// scanner and its rule that only the first section of a name is ever searched.
struct IniKey {
  int line = 0;
  std::string section;
  std::string key;
  bool hasValue = false;
  bool inFirstSection = false;  // false: a later section of the same name, never read
};

struct IniScan {
  std::vector<IniKey> keys;
  std::vector<std::pair<int, std::string>> sections;          // line, name: first of each name
  std::vector<std::pair<int, std::string>> repeatedSections;  // line, name
  // The line of the key that the plug-in reads, 0 when there is none.
  int lineOf(std::string_view section, std::string_view key) const;
  bool hasSection(std::string_view section) const;
};
IniScan scanIni(std::string_view text);

class Checker {
 public:
  explicit Checker(Findings& findings) : r_(findings) {}

  void say(const std::string& file, int line, Severity severity, std::string text);

  // TASC.ini, csvPath.ini and the parameter files it names, in that order.
  void settings(const std::filesystem::path& folder);
  void list(const std::filesystem::path& folder);
  void paramFile(FileFinding& file, std::string_view text);
  // A UTF-16 file: said, true; the caller reads no further.
  bool utf16(const std::string& file, std::string_view text, Severity severity, bool profileFile);

 private:
  void settingsWarnings(const std::string& file, const IniScan& scan, int32_t formationId);
  void b7DecMeaning(const std::string& file, const SettingFinding& b7);
  // Sections other than `known` are never read.
  void unknownSections(const std::string& file, const IniScan& scan,
                       std::initializer_list<std::string_view> known);
  void listKeys(const std::string& file, const IniScan& scan);
  void entry(const std::string& file, const IniScan& scan, std::string_view content,
             const folder::ListEntry& entry);

  Findings& r_;
};

}  // namespace tasc::check
