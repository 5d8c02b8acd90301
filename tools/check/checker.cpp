#include "check/checker.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>

#include "folder/vehicle_folder.h"
#include "readers/profile.h"
#include "system/text.h"

namespace tasc::check {

std::string num(double v) {
  if (std::isnan(v)) return "nan";
  if (std::isinf(v)) return v < 0 ? "-inf" : "inf";
  char buffer[32];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, v);
  return ec == std::errc() ? std::string(buffer, end) : std::string("?");
}

std::string quote(std::string_view s) {
  return "\"" + std::string(s) + "\"";
}

namespace {

char folded(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Edits (insert, delete, replace, letter case aside) from a to b.
std::size_t editDistance(std::string_view a, std::string_view b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t replaced = diagonal + (folded(a[i - 1]) == folded(b[j - 1]) ? 0 : 1);
      diagonal = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, replaced});
    }
  }
  return row[b.size()];
}

}  // namespace

std::string didYouMean(std::string_view name, std::initializer_list<std::string_view> known) {
  constexpr std::size_t kMaxEdits = 2;
  std::string_view best;
  std::size_t bestEdits = kMaxEdits + 1;
  for (std::string_view k : known) {
    const std::size_t edits = editDistance(name, k);
    if (edits < bestEdits) {
      best = k;
      bestEdits = edits;
    }
  }
  return bestEdits <= kMaxEdits ? " (did you mean " + std::string(best) + "?)" : std::string();
}

void Checker::unknownSections(const std::string& file, const IniScan& scan,
                              std::initializer_list<std::string_view> known) {
  for (const auto& [line, name] : scan.sections) {
    bool isKnown = false;
    for (std::string_view k : known) isKnown = isKnown || profile::sameName(name, k);
    if (isKnown) continue;
    say(file, line, Severity::Warning,
        "unknown section [" + name + "]" + didYouMean(name, known) +
            ": the plug-in never reads its keys");
  }
}

IniScan scanIni(std::string_view text) {
  IniScan scan;
  std::string section;
  bool first = false;
  bool any = false;
  profile::scanProfile(text, [&](const profile::ProfileLine& l) {
    if (l.kind == profile::ProfileLineKind::Section) {
      section = std::string(l.name);
      any = true;
      first = !scan.hasSection(section);
      if (first) {
        scan.sections.emplace_back(l.number, section);
      } else {
        scan.repeatedSections.emplace_back(l.number, section);
      }
    } else if (l.kind == profile::ProfileLineKind::Key && any && l.text.front() != ';') {
      scan.keys.push_back(IniKey{l.number, section, std::string(l.name), l.hasValue, first});
    }
    return true;
  });
  return scan;
}

int IniScan::lineOf(std::string_view section, std::string_view key) const {
  for (const IniKey& k : keys) {
    if (k.inFirstSection && profile::sameName(k.section, section) &&
        profile::sameName(k.key, key)) {
      return k.line;
    }
  }
  return 0;
}

bool IniScan::hasSection(std::string_view section) const {
  for (const auto& [line, name] : sections) {
    if (profile::sameName(name, section)) return true;
  }
  return false;
}

void Checker::say(const std::string& file, int line, Severity severity, std::string text) {
  if (severity == Severity::Warning) ++r_.warnings;
  if (severity == Severity::Error) ++r_.errors;
  r_.messages.push_back(Message{file, line, severity, std::move(text)});
}

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

Findings checkFolder(const std::string& folderArg) {
  Findings findings;
  Checker checker(findings);
  std::string name = folderArg;
  while (name.size() > 1 && name.back() == '/') name.pop_back();
  // UTF-8 in, the folder's own name on the system.
  const std::filesystem::path folder = platform::pathFromUtf8(name);
  std::error_code ec;
  if (!name.empty() && std::filesystem::is_regular_file(folder, ec)) {
    checker.say(folderArg, 0, Severity::Error,
                "is a file: tasc check reads a vehicle's plug-in folder, the one that holds "
                "TASC.ini and csvPath.ini");
    return findings;
  }
  if (name.empty() || !std::filesystem::is_directory(folder, ec)) {
    checker.say(folderArg, 0, Severity::Error, "no such folder");
    return findings;
  }
  if (!folder::pluginPath(folder / "csvPath.ini")) {
    checker.say(folderArg, 0, Severity::Error,
                "the folder's name has characters that the system's code page (ANSI) cannot "
                "write: the plug-in cannot open its files there; rename the folder");
    return findings;
  }
  checker.settings(folder);
  checker.list(folder);
  if (!std::filesystem::exists(folder / "TASC.ini", ec) &&
      !std::filesystem::exists(folder / "csvPath.ini", ec)) {
    checker.say(folderArg, 0, Severity::Warning,
                "neither TASC.ini nor csvPath.ini: the plug-in would run on its defaults alone; "
                "is this the folder the plug-in is in?");
  }
  return findings;
}

}  // namespace tasc::check
