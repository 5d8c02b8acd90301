// The findings as `file:line: warning: text` lines for people and editors, and
// as JSON for programs.
#include <cmath>
#include <nlohmann/json.hpp>
#include <sstream>

#include "check/checker.h"

namespace tasc::check {
namespace {

using Json = nlohmann::ordered_json;

// JSON has no inf or nan: those go as strings.
Json number(double v) {
  return std::isfinite(v) ? Json(v) : Json(num(v));
}

Json recordJson(const RecordFinding& r) {
  Json leads = Json::array();
  for (double t : r.record.leadTime) leads.push_back(number(t));
  Json flags = Json::array();
  for (bool f : r.record.hmPtnFlag) flags.push_back(f);
  Json fallbacks = Json::array();
  for (const Fallback& f : r.fallbacks) {
    fallbacks.push_back({{"column", columnName(f.column)},
                         {"text", f.text},
                         {"reason", columnStatusName(f.reason)}});
  }
  return {{"line", r.line},
          {"table", r.tableIndex},
          {"recordId", r.record.recordId},
          {"subId", r.record.subId},
          {"leadTime", leads},
          {"decelFar", number(r.record.decelFar)},
          {"decelNear", number(r.record.decelNear)},
          {"blendLength", number(r.record.blendLength)},
          {"blendStart", number(r.record.blendStart)},
          {"hmPtnFlag", flags},
          {"fallbacks", fallbacks}};
}

}  // namespace

std::string formatHuman(const Findings& findings) {
  std::ostringstream o;
  for (const Message& m : findings.messages) {
    o << m.file;
    if (m.line > 0) o << ':' << m.line;
    o << ": ";
    if (m.severity != Severity::Info) o << severityName(m.severity) << ": ";
    o << m.text << '\n';
  }
  o << findings.warnings << " warning(s), " << findings.errors << " error(s)\n";
  return o.str();
}

std::string formatJson(const Findings& findings) {
  Json settings = Json::array();
  for (const SettingFinding& s : findings.settings) {
    settings.push_back({{"name", s.name},
                        {"value", s.value},
                        {"source", settingSourceName(s.source)},
                        {"why", s.why},
                        {"text", s.hasText ? Json(s.text) : Json(nullptr)},
                        {"line", s.line}});
  }
  Json entries = Json::array();
  for (const EntryFinding& e : findings.entries) {
    entries.push_back({{"index", e.index},
                       {"entry", e.entry},
                       {"path", e.path},
                       {"opens", e.opens},
                       {"line", e.line}});
  }
  Json files = Json::array();
  for (const FileFinding& f : findings.files) {
    Json records = Json::array();
    for (const RecordFinding& r : f.records) records.push_back(recordJson(r));
    files.push_back({{"path", f.path}, {"entries", f.entries}, {"records", records}});
  }
  Json messages = Json::array();
  for (const Message& m : findings.messages) {
    if (m.severity == Severity::Info) continue;
    messages.push_back({{"file", m.file},
                        {"line", m.line},
                        {"severity", severityName(m.severity)},
                        {"text", m.text}});
  }
  const Json out = {{"status", findings.exitStatus()},
                    {"warnings", findings.warnings},
                    {"errors", findings.errors},
                    {"settings", settings},
                    {"entries", entries},
                    {"files", files},
                    {"messages", messages}};
  // Text from the files need not be UTF-8: replace what is not.
  return out.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace tasc::check
