// A parameter file: its records in table order, each column that falls back
// to its default and why, and what makes a record useless or suspicious.
#include <algorithm>
#include <array>
#include <map>
#include <utility>

#include "check/checker.h"
#include "readers/param_lines.h"
#include "readers/param_record.h"
#include "system/text.h"

namespace tasc::check {
namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

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

std::string describe(const ParamRecord& r) {
  std::string s = "record " + std::to_string(r.recordId) + "/" + std::to_string(r.subId) + ": lead";
  for (double t : r.leadTime) s += " " + num(t);
  s += ", decel " + num(r.decelFar) + " " + num(r.decelNear);
  s += ", blend " + num(r.blendLength) + " from " + num(r.blendStart);
  s += ", hmPtn";
  for (bool f : r.hmPtnFlag) s += f ? " 1" : " 0";
  return s;
}

// One line of a file with what the reader made of it.
struct LineRead {
  std::string_view line;
  int number = 0;
  ColumnStatuses status{};
  std::array<std::string_view, 64> fields{};
  std::size_t count = 0;  // fields in the line, maybe more than `fields` holds
};

using FirstLineOfKeys = std::map<std::pair<int32_t, int32_t>, int>;

void fieldWarnings(Checker& c, const std::string& file, const LineRead& l,
                   const RecordFinding& rr) {
  // A full-width digit typed by an input method reads as no digit at all.
  for (std::size_t i = 0; i < std::min(l.count, l.fields.size()); ++i) {
    const std::string shown = platform::utf8FromSystem(l.fields[i]);
    const std::string note = platform::fullWidthNote(shown);
    if (note.empty() || i >= kParamColumnCount) continue;
    c.say(file, l.number, Severity::Warning,
          std::string("column ") + columnName(i) + " " + quote(shown) + ": " + note);
  }
  for (const Fallback& f : rr.fallbacks) {
    if (f.reason == ColumnStatus::Missing) continue;
    c.say(file, l.number, Severity::Warning,
          std::string("column ") + columnName(f.column) + " " + quote(f.text) + ": " +
              columnStatusName(f.reason) + ", the default " +
              num(columnValue(kDefaultParamRecord, f.column)) + " is used");
  }
  const std::size_t present = l.count < kParamColumnCount ? l.count : kParamColumnCount;
  if (present < kParamColumnCount) {
    c.say(file, l.number, Severity::Note,
          std::string("columns ") + columnName(present) + " to " +
              columnName(kParamColumnCount - 1) + " missing: defaults used");
  }
}

// The reader knows no quotes: a quoted field with a comma in it is cut
// there, and every column after it reads the field after its own.
void quoteWarnings(Checker& c, const std::string& file, const LineRead& l) {
  const std::size_t held = std::min(l.count, l.fields.size());
  for (std::size_t i = 0; i < held; ++i) {
    const std::string_view open = l.fields[i];
    if (open.empty() || (open.front() != '"' && open.front() != '\'')) continue;
    for (std::size_t j = i; j < held; ++j) {
      const std::string_view close = l.fields[j];
      if (close.empty() || close.back() != open.front() || (j == i && close.size() < 2)) continue;
      if (j > i && i + 1 < kParamColumnCount) {
        c.say(file, l.number, Severity::Warning,
              std::string("a quoted field is cut at its comma: the reader knows no quotes, so "
                          "the columns from ") +
                  columnName(i + 1) + " on each read the field " + std::to_string(j - i) +
                  " place(s) before the one meant for them");
      }
      return;
    }
    return;
  }
}

void separatorWarnings(Checker& c, const std::string& file, const LineRead& l) {
  if (l.line.find(';') != std::string_view::npos) {
    c.say(file, l.number, Severity::Warning, "';' in the line: fields are separated by ','");
  }
  if (l.count <= kParamColumnCount) return;
  // A decimal comma: more fields than columns, and a decimal column holding
  // an integer followed by a field of digits alone ("2,5" read as 2 and 5).
  for (std::size_t col = 2; col <= 10; ++col) {
    if (l.status[col] == ColumnStatus::Converted && isIntegerLooking(l.fields[col]) &&
        isDigits(l.fields[col + 1])) {
      c.say(file, l.number, Severity::Warning,
            "decimal comma? " + std::to_string(l.count) +
                " fields for 15 columns, with integers side by side from column " +
                columnName(col) + ": a decimal written \"2,5\" splits in two");
      return;
    }
  }
  c.say(file, l.number, Severity::Note,
        std::to_string(l.count - kParamColumnCount) + " field(s) after the fifteenth ignored");
}

void recordWarnings(Checker& c, const std::string& file, int lineNo, const ParamRecord& r,
                    FirstLineOfKeys& firstLineOfKeys) {
  if (r.recordId == 0 && r.subId == 0) {
    c.say(file, lineNo, Severity::Warning,
          "keys 0/0: the default record table[0] has the same keys, so this record is never "
          "selected");
  } else {
    const auto [it, inserted] = firstLineOfKeys.emplace(std::pair(r.recordId, r.subId), lineNo);
    if (!inserted) {
      c.say(file, lineNo, Severity::Warning,
            "keys " + std::to_string(r.recordId) + "/" + std::to_string(r.subId) +
                ": shadowed by line " + std::to_string(it->second) + " with the same keys");
    }
  }
  if (r.recordId < 0 || r.recordId > 31 || r.subId < 0 || r.subId > 3) {
    c.say(file, lineNo, Severity::Warning,
          "keys outside record 0..31 / sub 0..3: no beacon can select this record");
  }
  bool falling = true;
  for (std::size_t i = 1; i < r.leadTime.size(); ++i) {
    if (!(r.leadTime[i] <= r.leadTime[i - 1])) falling = false;
  }
  if (!falling) {
    std::string times;
    for (double t : r.leadTime) times += " " + num(t);
    c.say(file, lineNo, Severity::Warning, "lead times not in falling order:" + times);
  }
  if (!(r.decelFar > 0.0)) {
    c.say(file, lineNo, Severity::Warning, "decelFar " + num(r.decelFar) + " is not above 0");
  }
  if (!(r.decelNear > 0.0)) {
    c.say(file, lineNo, Severity::Warning, "decelNear " + num(r.decelNear) + " is not above 0");
  }
  if (r.blendLength == 0.0) c.say(file, lineNo, Severity::Warning, "blendLength is 0");
}

void checkLine(Checker& c, FileFinding& fr, LineRead& l, FirstLineOfKeys& firstLineOfKeys) {
  const std::string& file = fr.path;
  RecordFinding rr;
  rr.line = l.number;
  rr.tableIndex = static_cast<int>(fr.records.size()) + 1;
  rr.record = parseParamLine(l.line, &l.status);
  l.count = splitLine(l.line, l.fields);
  bool anyConverted = false;
  for (std::size_t col = 0; col < kParamColumnCount; ++col) {
    if (l.status[col] == ColumnStatus::Converted) {
      anyConverted = true;
    } else {
      rr.fallbacks.push_back(Fallback{
          col, col < l.count ? platform::utf8FromSystem(l.fields[col]) : "", l.status[col]});
    }
  }
  c.say(file, l.number, Severity::Info,
        "table[" + std::to_string(rr.tableIndex) + "] " + describe(rr.record));
  const bool empty = l.line.empty();
  const bool title = !empty && !anyConverted;
  if (empty) {
    c.say(file, l.number, Severity::Warning,
          "empty line: a record of defaults with keys 0/0, which table[0] shadows");
  } else if (title) {
    c.say(file, l.number, Severity::Warning,
          "title line? no column converts: a record of defaults with keys 0/0");
  } else {
    fieldWarnings(c, file, l, rr);
  }
  separatorWarnings(c, file, l);
  quoteWarnings(c, file, l);
  if (!empty && !title) recordWarnings(c, file, l.number, rr.record, firstLineOfKeys);
  fr.records.push_back(std::move(rr));
}

}  // namespace

void Checker::paramFile(FileFinding& fr, std::string_view text) {
  if (text.starts_with(kBom)) {
    say(fr.path, 1, Severity::Warning,
        "byte-order mark: the reader takes it as part of the first field");
  }
  // Lines as the plug-in's reader cuts them.
  FirstLineOfKeys firstLineOfKeys;
  int lineNo = 0;
  const auto sink = [&](std::string_view line) {
    LineRead l;
    l.line = line;
    l.number = ++lineNo;
    checkLine(*this, fr, l, firstLineOfKeys);
  };
  LineReader lines;
  lines.feed(text, sink);
  lines.finish(sink);
  say(fr.path, 0, Severity::Info,
      std::to_string(fr.records.size()) + " record(s) after the default record table[0]");
}

}  // namespace tasc::check
