#include "check/checker.h"

#include <charconv>
#include <cmath>
#include <filesystem>

#include "params/profile.h"

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
        scan.sections.push_back(section);
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
  for (const std::string& s : sections) {
    if (profile::sameName(s, section)) return true;
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

}  // namespace tasc::check
