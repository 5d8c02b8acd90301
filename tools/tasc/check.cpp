#include "check.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <sstream>
#include <string_view>

#include "control/tasc_controller.h"
#include "params/profile.h"
#include "platform/platform.h"

namespace tasc::tool {
namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

// Shortest text that reads back as the same double.
std::string num(double v) {
  if (std::isnan(v)) return "nan";
  if (std::isinf(v)) return v < 0 ? "-inf" : "inf";
  char buffer[32];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, v);
  return ec == std::errc() ? std::string(buffer, end) : std::string("?");
}

std::optional<std::string> readWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string readStream(std::FILE* f) {
  std::string text;
  char buffer[16 * 1024];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
  return text;
}

char upper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}
bool sameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (upper(a[i]) != upper(b[i])) return false;
  }
  return true;
}

using profile::trim;  // the same trimming as the settings reader

// A key line of a private-profile file, read with the rules of
// params/profile.h: only the first section of a name is ever searched.
struct IniKey {
  int line;
  std::string section;
  std::string key;
  bool hasValue;
  bool inFirstSection;  // false: a later section of the same name, never read
};

struct IniScan {
  std::vector<IniKey> keys;
  std::vector<std::pair<int, std::string>> repeatedSections;
};

IniScan scanIni(std::string_view text) {
  IniScan scan;
  if (text.starts_with(kBom)) text.remove_prefix(kBom.size());
  std::vector<std::string> seen;
  std::string section;
  bool first = false;
  bool any = false;
  int lineNo = 0;
  while (!text.empty()) {
    ++lineNo;
    const std::size_t end = text.find('\n');
    const std::string_view line = trim(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    if (line.empty()) continue;
    if (line.front() == '[') {
      const std::size_t close = line.rfind(']');
      if (close != std::string_view::npos) {
        section = std::string(line.substr(1, close - 1));
        any = true;
        first = true;
        for (const std::string& s : seen) {
          if (sameName(s, section)) first = false;
        }
        if (first) {
          seen.push_back(section);
        } else {
          scan.repeatedSections.emplace_back(lineNo, section);
        }
        continue;
      }
    }
    if (!any || line.front() == ';') continue;
    const std::size_t eq = line.find('=');
    scan.keys.push_back(IniKey{lineNo, section, std::string(trim(line.substr(0, eq))),
                               eq != std::string_view::npos, first});
  }
  return scan;
}

// The line of the key that findValue reads: the first of that name in the
// first section of that name; 0 when there is none.
int lineOf(const IniScan& scan, std::string_view section, std::string_view key) {
  for (const IniKey& k : scan.keys) {
    if (k.inFirstSection && sameName(k.section, section) && sameName(k.key, key)) return k.line;
  }
  return 0;
}

bool hasSection(const IniScan& scan, std::string_view section, std::string_view text) {
  // A section without keys leaves no key line; look at the section lines too.
  for (const IniKey& k : scan.keys) {
    if (sameName(k.section, section)) return true;
  }
  const std::string probe = "[" + std::string(section) + "]";
  std::string upperText(text), upperProbe(probe);
  for (char& c : upperText) c = upper(c);
  for (char& c : upperProbe) c = upper(c);
  return upperText.find(upperProbe) != std::string::npos;
}

// The entry as a path relative to the folder (or absolute), with the rules
// of the POSIX openParamFile: '\' and '/' separate, "." and ".." steps removed.
std::string displayPath(std::string_view entry) {
  const bool absolute = !entry.empty() && (entry.front() == '/' || entry.front() == '\\');
  std::vector<std::string> steps;
  std::size_t i = 0;
  while (i <= entry.size()) {
    std::size_t end = i;
    while (end < entry.size() && entry[end] != '/' && entry[end] != '\\') ++end;
    const std::string step(entry.substr(i, end - i));
    i = end + 1;
    if (step.empty() || step == ".") continue;
    if (step == ".." && !steps.empty() && steps.back() != "..") {
      steps.pop_back();
    } else if (step == ".." && absolute) {
      continue;
    } else {
      steps.push_back(step);
    }
  }
  std::string out = absolute ? "/" : "";
  for (std::size_t s = 0; s < steps.size(); ++s) {
    if (s > 0) out += '/';
    out += steps[s];
  }
  return out.empty() ? "." : out;
}

bool isDigits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}
bool isIntegerLooking(std::string_view s) {
  if (!s.empty() && (s.front() == '+' || s.front() == '-')) s.remove_prefix(1);
  return isDigits(s);
}

std::string quote(std::string_view s) {
  return "\"" + std::string(s) + "\"";
}

double defaultValue(std::size_t column) {
  const ParamRecord& d = kDefaultParamRecord;
  switch (column) {
    case 0:
      return d.recordId;
    case 1:
      return d.subId;
    case 7:
      return d.decelFar;
    case 8:
      return d.decelNear;
    case 9:
      return d.blendLength;
    case 10:
      return d.blendStart;
    default:
      if (column >= 2 && column <= 6) return d.leadTime[column - 2];
      return d.hmPtnFlag[column - 11] ? 1 : 0;
  }
}

std::string describe(const ParamRecord& r) {
  std::string s = "record " + std::to_string(r.recordId) + "/" + std::to_string(r.subId) + ": lead";
  for (double t : r.leadTime) s += " " + num(t);
  s += ", decel " + num(r.decelFar) + " " + num(r.decelNear);
  s += ", blend " + num(r.blendLength) + " from " + num(r.blendStart);
  s += ", hmPtn";
  for (bool f : r.hmPtnFlag) s += f ? " 1" : " 0";
  return s;
}

class Checker {
 public:
  explicit Checker(Report& report) : r_(report) {}

  void say(const std::string& file, int line, Severity severity, std::string text) {
    if (severity == Severity::Warning) ++r_.warnings;
    if (severity == Severity::Error) ++r_.errors;
    r_.messages.push_back(Message{file, line, severity, std::move(text)});
  }

  void settings(const std::string& folder);
  void list(const std::string& folder);
  void paramFile(FileReport& file, std::string_view text);

 private:
  Report& r_;
};

void Checker::settings(const std::string& folder) {
  const std::string file = "TASC.ini";
  const std::string path = folder + "/" + file;
  const std::optional<std::string> text = readWholeFile(path);
  if (!text) say(file, 0, Severity::Note, "no such file: every setting has its default");
  const std::string content = text.value_or("");
  const IniScan scan = scanIni(content);
  const Settings s = readSettings(path.c_str());

  struct Known {
    const char* section;
    const char* key;
    SettingSource source;
    std::string value;
  };
  const Known known[] = {
      {"TASCPtn", "B7Dec", s.b7DecSource, num(s.b7Dec)},
      {"TASCPtn", "FormationID", s.formationIdSource, std::to_string(s.formationId)},
      {"HmPtn", "EnableHmPtn", s.enableHmPtnSource, s.enableHmPtn ? "1" : "0"},
  };
  for (const Known& k : known) {
    SettingReport sr;
    sr.name = k.key;
    sr.value = k.value;
    sr.source = k.source;
    sr.line = lineOf(scan, k.section, k.key);
    if (const auto raw = profile::findValue(content, k.section, k.key)) {
      sr.hasText = true;
      sr.text = std::string(*raw);
    }
    if (k.source == SettingSource::Default) {
      sr.why = !text ? "no file"
               : !hasSection(scan, k.section, content)
                   ? "no section [" + std::string(k.section) + "]"
               : sr.line > 0 ? "key without value"
                             : "no key";
    }
    std::string line = std::string(k.key) + " = " + sr.value + " (" + settingSourceName(k.source);
    if (!sr.why.empty()) line += ": " + sr.why;
    if (sr.hasText) line += ", text " + quote(sr.text);
    say(file, sr.line, Severity::Info, line + ")");
    r_.settings.push_back(sr);
  }

  const SettingReport& b7 = r_.settings[0];
  if (b7.source == SettingSource::B7DecFallback) {
    say(file, b7.line, Severity::Warning,
        "B7Dec " + quote(b7.text) + " is not a positive number: " + num(kDefaultB7Dec) +
            " is used");
  } else if (b7.hasText && b7.text.size() > 7) {
    say(file, b7.line, Severity::Warning,
        "B7Dec: only the first 7 characters " + quote(b7.text.substr(0, 7)) + " are read");
  }
  if (s.formationId < 0 || s.formationId > 15) {
    say(file, r_.settings[1].line, Severity::Warning,
        "FormationID " + std::to_string(s.formationId) +
            " is outside 0..15: no beacon can match it");
  }
  for (std::size_t i = 1; i < 3; ++i) {
    const SettingReport& sr = r_.settings[i];
    if (sr.hasText && std::string(trim(sr.text)) != sr.value && i == 1) {
      say(file, sr.line, Severity::Note, sr.name + " " + quote(sr.text) + " reads as " + sr.value);
    }
  }
  for (const auto& [line, name] : scan.repeatedSections) {
    if (sameName(name, "TASCPtn") || sameName(name, "HmPtn")) {
      say(file, line, Severity::Warning, "section [" + name + "] repeated: only the first is read");
    }
  }
  for (const IniKey& k : scan.keys) {
    if (!k.inFirstSection) continue;
    const bool tasc = sameName(k.section, "TASCPtn");
    const bool hm = sameName(k.section, "HmPtn");
    if (tasc && (sameName(k.key, "B7Dec") || sameName(k.key, "FormationID"))) continue;
    if (hm && sameName(k.key, "EnableHmPtn")) continue;
    if (tasc || hm) {
      say(file, k.line, Severity::Warning,
          "unknown key " + quote(k.key) + " in [" + k.section + "] is ignored");
    }
  }
}

void Checker::list(const std::string& folder) {
  const std::string file = "csvPath.ini";
  const std::string listPath = folder + "/" + file;
  const std::optional<std::string> text = readWholeFile(listPath);
  if (!text) say(file, 0, Severity::Note, "no such file: every entry is NULL");
  const std::string content = text.value_or("");
  const IniScan scan = scanIni(content);

  for (const auto& [line, name] : scan.repeatedSections) {
    if (sameName(name, "ParamData")) {
      say(file, line, Severity::Warning, "section [" + name + "] repeated: only the first is read");
    }
  }
  std::map<std::string, int> firstLine;
  for (const IniKey& k : scan.keys) {
    if (!sameName(k.section, "ParamData") || !k.inFirstSection) continue;
    const std::optional<int64_t> n = isDigits(k.key) && k.key.size() <= 2
                                         ? std::optional<int64_t>(std::stoi(k.key))
                                         : std::nullopt;
    if (!n || *n > 63 || std::to_string(*n) != k.key) {
      say(file, k.line, Severity::Warning,
          "key " + quote(k.key) + " is no entry number: entries are 0..63 without leading zeros");
      continue;
    }
    const auto [it, inserted] = firstLine.emplace(k.key, k.line);
    if (!inserted) {
      say(file, k.line, Severity::Warning,
          "entry " + k.key + " repeated: line " + std::to_string(it->second) + " is read");
    } else if (!k.hasValue) {
      say(file, k.line, Severity::Warning, "entry " + k.key + " has no '=': it reads as NULL");
    }
  }

  std::map<std::string, std::size_t> fileOfPath;
  for (int k = 0; k < kParamFileCount; ++k) {
    const std::string key = std::to_string(k);
    // The same read as the reset: default "NULL", a buffer of 260.
    PathBuffer entry{};
    platform::readProfileString("ParamData", key.c_str(), "NULL", entry.data(),
                                static_cast<uint32_t>(entry.size()), listPath.c_str());
    const std::string value(entry.data());
    if (value == "NULL") continue;
    EntryReport er;
    er.index = k;
    er.entry = value;
    er.line = lineOf(scan, "ParamData", key);
    er.path = displayPath(value);
    const platform::File f = platform::openParamFile(value.c_str(), listPath.c_str());
    er.opens = f != nullptr;
    const bool seen = fileOfPath.count(er.path) > 0;
    say(file, er.line, Severity::Info,
        "entry " + key + " " + quote(value) + " -> " + er.path + (seen ? " (read above)" : ""));
    const auto raw = profile::findValue(content, "ParamData", key);
    if (raw && raw->size() >= kPathSize) {
      say(file, er.line, Severity::Warning,
          "entry " + key + " is longer than " + std::to_string(kPathSize - 1) +
              " characters: only the first are read");
    }
    if (!er.opens) {
      say(file, er.line, Severity::Error,
          "entry " + key + ": " + (value.empty() ? std::string("empty path") : er.path) +
              " does not open as a file");
    } else {
      const auto [it, inserted] = fileOfPath.emplace(er.path, r_.files.size());
      if (inserted) {
        r_.files.push_back(FileReport{er.path, {k}, {}});
        paramFile(r_.files.back(), readStream(f.get()));
      } else {
        r_.files[it->second].entries.push_back(k);
      }
    }
    r_.entries.push_back(std::move(er));
  }
  if (r_.entries.empty() || r_.entries.front().index != 0) {
    say(file, lineOf(scan, "ParamData", "0"), Severity::Note,
        "entry 0 is NULL: every run starts with the default record alone");
  }
}

void Checker::paramFile(FileReport& fr, std::string_view text) {
  const std::string& file = fr.path;
  if (text.starts_with(kBom)) {
    say(file, 1, Severity::Warning,
        "byte-order mark: the reader takes it as part of the first field");
  }
  std::map<std::pair<int32_t, int32_t>, int> firstLineOfKeys;
  int lineNo = 0;
  std::size_t start = 0;
  while (start < text.size()) {
    // Lines as the reader cuts them: at LF, a CR before it dropped, a last
    // line without LF only when it holds a character.
    const std::size_t lf = text.find('\n', start);
    std::string_view line = text.substr(start, lf == std::string_view::npos ? lf : lf - start);
    start = lf == std::string_view::npos ? text.size() : lf + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    ++lineNo;

    RecordReport rr;
    rr.line = lineNo;
    rr.tableIndex = static_cast<int>(fr.records.size()) + 1;
    ColumnStatuses status{};
    rr.record = parseParamLine(line, &status);
    std::array<std::string_view, 64> fields;
    const std::size_t count = splitLine(line, fields);
    bool anyConverted = false;
    for (std::size_t c = 0; c < kParamColumnCount; ++c) {
      if (status[c] == ColumnStatus::Converted) {
        anyConverted = true;
      } else {
        rr.fallbacks.push_back(Fallback{c, c < count ? std::string(fields[c]) : "", status[c]});
      }
    }
    say(file, lineNo, Severity::Info,
        "table[" + std::to_string(rr.tableIndex) + "] " + describe(rr.record));
    const ParamRecord& r = rr.record;
    const bool empty = line.empty();
    const bool title = !empty && !anyConverted;

    if (empty) {
      say(file, lineNo, Severity::Warning,
          "empty line: a record of defaults with keys 0/0, which table[0] shadows");
    } else if (title) {
      say(file, lineNo, Severity::Warning,
          "title line? no column converts: a record of defaults with keys 0/0");
    } else {
      for (const Fallback& f : rr.fallbacks) {
        if (f.reason == ColumnStatus::Missing) continue;
        say(file, lineNo, Severity::Warning,
            std::string("column ") + columnName(f.column) + " " + quote(f.text) + ": " +
                columnStatusName(f.reason) + ", the default " + num(defaultValue(f.column)) +
                " is used");
      }
      const std::size_t present = count < kParamColumnCount ? count : kParamColumnCount;
      if (present < kParamColumnCount) {
        say(file, lineNo, Severity::Note,
            std::string("columns ") + columnName(present) + " to " +
                columnName(kParamColumnCount - 1) + " missing: defaults used");
      }
    }
    if (line.find(';') != std::string_view::npos) {
      say(file, lineNo, Severity::Warning, "';' in the line: fields are separated by ','");
    }
    // A decimal comma: more fields than columns, and a decimal column holding
    // an integer followed by a field of digits alone ("2,5" read as 2 and 5).
    bool decimalComma = false;
    if (count > kParamColumnCount) {
      for (std::size_t c = 2; c <= 10 && !decimalComma; ++c) {
        if (status[c] == ColumnStatus::Converted && isIntegerLooking(fields[c]) &&
            isDigits(fields[c + 1])) {
          decimalComma = true;
          say(file, lineNo, Severity::Warning,
              "decimal comma? " + std::to_string(count) +
                  " fields for 15 columns, with integers side by side from column " +
                  columnName(c) + ": a decimal written \"2,5\" splits in two");
        }
      }
      if (!decimalComma) {
        say(file, lineNo, Severity::Note,
            std::to_string(count - kParamColumnCount) + " field(s) after the fifteenth ignored");
      }
    }

    if (!empty && !title) {
      if (r.recordId == 0 && r.subId == 0) {
        say(file, lineNo, Severity::Warning,
            "keys 0/0: the default record table[0] has the same keys, so this record is never "
            "selected");
      } else {
        const auto [it, inserted] = firstLineOfKeys.emplace(std::pair(r.recordId, r.subId), lineNo);
        if (!inserted) {
          say(file, lineNo, Severity::Warning,
              "keys " + std::to_string(r.recordId) + "/" + std::to_string(r.subId) +
                  ": shadowed by line " + std::to_string(it->second) + " with the same keys");
        }
      }
      if (r.recordId < 0 || r.recordId > 31 || r.subId < 0 || r.subId > 3) {
        say(file, lineNo, Severity::Warning,
            "keys outside record 0..31 / sub 0..3: no beacon can select this record");
      }
      bool falling = true;
      for (std::size_t i = 1; i < r.leadTime.size(); ++i) {
        if (!(r.leadTime[i] <= r.leadTime[i - 1])) falling = false;
      }
      if (!falling) {
        std::string times;
        for (double t : r.leadTime) times += " " + num(t);
        say(file, lineNo, Severity::Warning, "lead times not in falling order:" + times);
      }
      if (!(r.decelFar > 0.0)) {
        say(file, lineNo, Severity::Warning, "decelFar " + num(r.decelFar) + " is not above 0");
      }
      if (!(r.decelNear > 0.0)) {
        say(file, lineNo, Severity::Warning, "decelNear " + num(r.decelNear) + " is not above 0");
      }
      if (r.blendLength == 0.0) say(file, lineNo, Severity::Warning, "blendLength is 0");
    }
    fr.records.push_back(std::move(rr));
  }
  say(file, 0, Severity::Info,
      std::to_string(fr.records.size()) + " record(s) after the default record table[0]");
}

void jsonString(std::ostringstream& o, std::string_view s) {
  o << '"';
  for (unsigned char c : s) {
    if (c == '"' || c == '\\') {
      o << '\\' << c;
    } else if (c < 0x20) {
      char buffer[8];
      std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
      o << buffer;
    } else {
      o << c;
    }
  }
  o << '"';
}

// JSON has no inf or nan: those go as strings.
void jsonNumber(std::ostringstream& o, double v) {
  if (std::isfinite(v)) {
    o << num(v);
  } else {
    jsonString(o, num(v));
  }
}

}  // namespace

const char* severityName(Severity severity) {
  switch (severity) {
    case Severity::Info:
      return "info";
    case Severity::Note:
      return "note";
    case Severity::Warning:
      return "warning";
    case Severity::Error:
      return "error";
  }
  return "?";
}

Report checkFolder(const std::string& folderArg) {
  Report report;
  Checker checker(report);
  std::string folder = folderArg;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  std::error_code ec;
  if (folder.empty() || !std::filesystem::is_directory(folder, ec)) {
    checker.say(folderArg, 0, Severity::Error, "no such folder");
    return report;
  }
  checker.settings(folder);
  checker.list(folder);
  return report;
}

std::string formatHuman(const Report& report) {
  std::ostringstream o;
  for (const Message& m : report.messages) {
    o << m.file;
    if (m.line > 0) o << ':' << m.line;
    o << ": ";
    if (m.severity != Severity::Info) o << severityName(m.severity) << ": ";
    o << m.text << '\n';
  }
  o << report.warnings << " warning(s), " << report.errors << " error(s)\n";
  return o.str();
}

std::string formatJson(const Report& report) {
  std::ostringstream o;
  o << "{\n  \"status\": " << report.exitStatus() << ",\n  \"warnings\": " << report.warnings
    << ",\n  \"errors\": " << report.errors << ",\n  \"settings\": [";
  for (std::size_t i = 0; i < report.settings.size(); ++i) {
    const SettingReport& s = report.settings[i];
    o << (i ? ",\n" : "\n") << "    {\"name\": ";
    jsonString(o, s.name);
    o << ", \"value\": " << s.value << ", \"source\": ";
    jsonString(o, settingSourceName(s.source));
    o << ", \"why\": ";
    jsonString(o, s.why);
    o << ", \"text\": ";
    if (s.hasText) {
      jsonString(o, s.text);
    } else {
      o << "null";
    }
    o << ", \"line\": " << s.line << '}';
  }
  o << "\n  ],\n  \"entries\": [";
  for (std::size_t i = 0; i < report.entries.size(); ++i) {
    const EntryReport& e = report.entries[i];
    o << (i ? ",\n" : "\n") << "    {\"index\": " << e.index << ", \"entry\": ";
    jsonString(o, e.entry);
    o << ", \"path\": ";
    jsonString(o, e.path);
    o << ", \"opens\": " << (e.opens ? "true" : "false") << ", \"line\": " << e.line << '}';
  }
  o << "\n  ],\n  \"files\": [";
  for (std::size_t i = 0; i < report.files.size(); ++i) {
    const FileReport& f = report.files[i];
    o << (i ? ",\n" : "\n") << "    {\"path\": ";
    jsonString(o, f.path);
    o << ", \"entries\": [";
    for (std::size_t k = 0; k < f.entries.size(); ++k) o << (k ? ", " : "") << f.entries[k];
    o << "], \"records\": [";
    for (std::size_t k = 0; k < f.records.size(); ++k) {
      const RecordReport& r = f.records[k];
      o << (k ? ",\n" : "\n") << "      {\"line\": " << r.line << ", \"table\": " << r.tableIndex
        << ", \"recordId\": " << r.record.recordId << ", \"subId\": " << r.record.subId
        << ", \"leadTime\": [";
      for (std::size_t t = 0; t < r.record.leadTime.size(); ++t) {
        if (t) o << ", ";
        jsonNumber(o, r.record.leadTime[t]);
      }
      o << "], \"decelFar\": ";
      jsonNumber(o, r.record.decelFar);
      o << ", \"decelNear\": ";
      jsonNumber(o, r.record.decelNear);
      o << ", \"blendLength\": ";
      jsonNumber(o, r.record.blendLength);
      o << ", \"blendStart\": ";
      jsonNumber(o, r.record.blendStart);
      o << ", \"hmPtnFlag\": [";
      for (std::size_t t = 0; t < r.record.hmPtnFlag.size(); ++t) {
        o << (t ? ", " : "") << (r.record.hmPtnFlag[t] ? "true" : "false");
      }
      o << "], \"fallbacks\": [";
      for (std::size_t b = 0; b < r.fallbacks.size(); ++b) {
        o << (b ? ", " : "") << "{\"column\": ";
        jsonString(o, columnName(r.fallbacks[b].column));
        o << ", \"text\": ";
        jsonString(o, r.fallbacks[b].text);
        o << ", \"reason\": ";
        jsonString(o, columnStatusName(r.fallbacks[b].reason));
        o << '}';
      }
      o << "]}";
    }
    o << "]}";
  }
  o << "\n  ],\n  \"messages\": [";
  bool first = true;
  for (const Message& m : report.messages) {
    if (m.severity == Severity::Info) continue;
    o << (first ? "\n" : ",\n") << "    {\"file\": ";
    first = false;
    jsonString(o, m.file);
    o << ", \"line\": " << m.line << ", \"severity\": ";
    jsonString(o, severityName(m.severity));
    o << ", \"text\": ";
    jsonString(o, m.text);
    o << '}';
  }
  o << "\n  ]\n}\n";
  return o.str();
}

}  // namespace tasc::tool
