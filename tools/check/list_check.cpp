// csvPath.ini: its keys, every entry that is set, resolved with the rules of
// the plug-in's own path forming, and the files they open.
#include <map>
#include <optional>

#include "check/checker.h"
#include "control/tasc_controller.h"
#include "readers/entry_path.h"
#include "readers/numbers.h"
#include "readers/profile.h"

namespace tasc::check {
namespace {

// "0".."63" without leading zeros or sign: the keys the plug-in reads.
bool isEntryKey(const std::string& key) {
  const NumberRead<int32_t> n = readInteger(key);
  return n.whole(key.data() + key.size()) && n.value >= 0 && n.value < kParamFileCount &&
         std::to_string(n.value) == key;
}

}  // namespace

void Checker::list(const std::filesystem::path& folder) {
  const std::string file = "csvPath.ini";
  const folder::VehicleList list = folder::readList(folder);
  if (!list.text) say(file, 0, Severity::Note, "no such file: every entry is NULL");
  const bool wide = utf16(file, list.text.value_or(""), Severity::Warning, true);
  const std::string content = wide ? std::string() : list.text.value_or("");
  const IniScan scan = scanIni(content);
  listKeys(file, scan);
  unknownSections(file, scan, {"ParamData"});
  for (const folder::ListEntry& e : list.entries) entry(file, scan, content, e);
  if (r_.entries.empty() || r_.entries.front().index != 0) {
    say(file, scan.lineOf("ParamData", "0"), Severity::Note,
        "entry 0 is NULL: every run starts with the default record alone");
  }
}

void Checker::listKeys(const std::string& file, const IniScan& scan) {
  for (const auto& [line, name] : scan.repeatedSections) {
    if (profile::sameName(name, "ParamData")) {
      say(file, line, Severity::Warning, "section [" + name + "] repeated: only the first is read");
    }
  }
  std::map<std::string, int> firstLine;
  for (const IniKey& k : scan.keys) {
    if (!profile::sameName(k.section, "ParamData") || !k.inFirstSection) continue;
    if (!isEntryKey(k.key)) {
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
}

void Checker::entry(const std::string& file, const IniScan& scan, std::string_view content,
                    const folder::ListEntry& e) {
  const std::string key = std::to_string(e.index);
  EntryFinding er;
  er.index = e.index;
  er.entry = e.shown;
  er.line = scan.lineOf("ParamData", key);
  er.path = e.path;
  er.opens = e.opens;
  FileFinding* seen = nullptr;
  for (FileFinding& fr : r_.files) {
    if (fr.path == er.path) seen = &fr;
  }
  say(file, er.line, Severity::Info,
      "entry " + key + " " + quote(e.shown) + " -> " + er.path + (seen ? " (read above)" : ""));
  const auto raw = profile::findValue(content, "ParamData", key);
  if (raw && raw->size() >= kPathSize) {
    say(file, er.line, Severity::Warning,
        "entry " + key + " is longer than " + std::to_string(kPathSize - 1) +
            " characters: only the first are read");
  }
  if (!er.opens) {
    say(file, er.line, Severity::Error,
        "entry " + key + ": " + (e.value.empty() ? std::string("empty path") : er.path) +
            " does not open as a file");
  } else if (seen != nullptr) {
    seen->entries.push_back(e.index);
  } else {
    r_.files.push_back(FileFinding{er.path, {e.index}, {}});
    if (!utf16(er.path, e.bytes, Severity::Error, false)) paramFile(r_.files.back(), e.bytes);
  }
  r_.entries.push_back(std::move(er));
}

}  // namespace tasc::check
