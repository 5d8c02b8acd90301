// `tasc check`: what the plug-in makes of a vehicle folder (TASC.ini,
// csvPath.ini and the parameter files it names), read with the plug-in's own
// readers. Paths in the findings are relative to the folder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "plugin/settings.h"
#include "readers/param_lines.h"
#include "readers/param_record.h"

namespace tasc::check {

enum class Severity { Info, Note, Warning, Error };
const char* severityName(Severity severity);

// One line of the findings: file relative to the folder, line 0 when none.
struct Message {
  std::string file;
  int line = 0;
  Severity severity = Severity::Info;
  std::string text;
};

struct SettingFinding {
  std::string name;   // B7Dec, FormationID, EnableHmPtn
  std::string value;  // as the plug-in uses it
  SettingSource source = SettingSource::Default;
  std::string why;  // for a default: what is missing
  bool hasText = false;
  std::string text;  // the raw value in the file
  int line = 0;
};

struct EntryFinding {
  int index = 0;
  std::string entry;  // as read, at most 259 characters
  std::string path;   // resolved, relative to the folder unless absolute
  bool opens = false;
  int line = 0;
};

struct Fallback {
  std::size_t column = 0;
  std::string text;
  ColumnStatus reason = ColumnStatus::Missing;
};

struct RecordFinding {
  int line = 0;
  int tableIndex = 0;
  ParamRecord record{};
  std::vector<Fallback> fallbacks;
};

struct FileFinding {
  std::string path;
  std::vector<int> entries;  // list entries that name this file
  std::vector<RecordFinding> records;
};

struct Findings {
  std::vector<SettingFinding> settings;
  std::vector<EntryFinding> entries;  // the entries that are set
  std::vector<FileFinding> files;     // the files that open, once each
  std::vector<Message> messages;      // in the order found
  int warnings = 0;
  int errors = 0;
  // 0 clean, 1 warnings, 2 errors.
  int exitStatus() const { return errors > 0 ? 2 : warnings > 0 ? 1 : 0; }
};

Findings checkFolder(const std::string& folder);

// `file:line: warning: text` lines and a summary.
std::string formatHuman(const Findings& findings);
std::string formatJson(const Findings& findings);

}  // namespace tasc::check
