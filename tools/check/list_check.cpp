// csvPath.ini: its keys, every entry that is set, resolved with the rules of
// the plug-in's own path forming, and the files they open.
#include <array>
#include <cstdio>
#include <map>
#include <optional>

#include "check/checker.h"
#include "control/tasc_controller.h"
#include "files/files.h"
#include "platform/platform.h"
#include "readers/entry_path.h"
#include "readers/numbers.h"
#include "readers/profile.h"

namespace tasc::check {
namespace {

std::string readStream(std::FILE* f) {
  std::string text;
  std::array<char, std::size_t{16} * 1024> buffer{};
  std::size_t n = 0;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), f)) > 0) text.append(buffer.data(), n);
  return text;
}

// An entry as a path relative to the vehicle folder (or absolute): the path
// the plug-in forms for a list that stands in the folder itself.
std::string displayPath(const std::string& entry) {
  PathBuilder path;
  const char* p = formEntryPath(path, entry.c_str(), "csvPath.ini");
  return p != nullptr ? std::string(p) : entry;
}

// "0".."63" without leading zeros or sign: the keys the plug-in reads.
bool isEntryKey(const std::string& key) {
  const NumberRead<int32_t> n = readInteger(key);
  return n.whole(key.data() + key.size()) && n.value >= 0 && n.value < kParamFileCount &&
         std::to_string(n.value) == key;
}

}  // namespace

void Checker::list(const std::string& folder) {
  const std::string file = "csvPath.ini";
  const std::string listPath = folder + "/" + file;
  const std::optional<std::string> text = files::readWholeFileNarrow(listPath);
  if (!text) say(file, 0, Severity::Note, "no such file: every entry is NULL");
  const std::string content = text.value_or("");
  const IniScan scan = scanIni(content);
  listKeys(file, scan);
  unknownSections(file, scan, {"ParamData"});
  for (int k = 0; k < kParamFileCount; ++k) entry(file, listPath, scan, content, k);
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

void Checker::entry(const std::string& file, const std::string& listPath, const IniScan& scan,
                    std::string_view content, int index) {
  const std::string key = std::to_string(index);
  // The same read as the reset: default "NULL", a buffer of 260.
  PathBuffer read{};
  platform::readProfileString("ParamData", key.c_str(), "NULL", read.data(),
                              static_cast<uint32_t>(read.size()), listPath.c_str());
  const std::string value(read.data());
  if (value == "NULL") return;
  EntryFinding er;
  er.index = index;
  er.entry = value;
  er.line = scan.lineOf("ParamData", key);
  er.path = displayPath(value);
  const platform::File f = platform::openParamFile(value.c_str(), listPath.c_str());
  er.opens = f != nullptr;
  FileFinding* seen = nullptr;
  for (FileFinding& fr : r_.files) {
    if (fr.path == er.path) seen = &fr;
  }
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
  } else if (seen != nullptr) {
    seen->entries.push_back(index);
  } else {
    r_.files.push_back(FileFinding{er.path, {index}, {}});
    paramFile(r_.files.back(), readStream(f.get()));
  }
  r_.entries.push_back(std::move(er));
}

}  // namespace tasc::check
