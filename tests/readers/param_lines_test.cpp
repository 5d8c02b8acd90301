// The parameter-file reader on text, without files: rows of
// data/param_lines.txt for splitting, columns, lines and tables.
#include <gtest/gtest.h>

#include "readers/param_lines.h"
#include "support/records.h"

namespace tasc {
namespace {

// Each status as a letter; a write past the statuses shows as well. A digit
// stands after the line in memory: a field ends where the line ends.
std::string statuses(std::string_view line) {
  const std::string followed = std::string(line) + "9";
  struct {
    ColumnStatuses got;
    uint8_t after = 0xAA;
  } out;
  out.got.fill(ColumnStatus::Converted);
  parseParamLine(std::string_view(followed).substr(0, line.size()), &out.got);
  std::string s;
  for (ColumnStatus st : out.got) s += "CMNR"[static_cast<int>(st)];
  return out.after == 0xAA ? s : s + " and one past the end";
}

// The first three fields in brackets, then how many more the line has; a
// write past the three shows as well.
std::string split(std::string_view line) {
  struct {
    std::array<std::string_view, 3> out;
    std::string_view after = "-";
  } v;
  const std::size_t n = splitLine(line, v.out);
  std::string s;
  for (std::size_t i = 0; i < n && i < v.out.size(); ++i) s += "[" + std::string(v.out[i]) + "]";
  if (n > v.out.size()) s += " +" + std::to_string(n - v.out.size());
  return v.after == "-" ? s : s + " and one past the end";
}

// The lines in brackets, the same for chunks of 1, 2 and 1000 bytes.
std::string lines(std::string_view text) {
  std::string first;
  for (std::size_t chunk : {1000u, 1u, 2u}) {
    std::string s;
    auto sink = [&](std::string_view line) { s += "[" + std::string(line) + "]"; };
    LineReader reader;
    for (std::size_t at = 0; at < text.size(); at += chunk)
      reader.feed(text.substr(at, chunk), sink);
    reader.finish(sink);
    if (chunk == 1000) first = s;
    if (s != first) return "chunks of " + std::to_string(chunk) + " give " + s;
  }
  return first;
}

// The table, the same for a cut anywhere (even between CR and LF) and byte by byte.
std::string table(std::string_view text) {
  std::vector<ParamRecord> whole;
  appendParamText(text, whole);
  for (std::size_t cut = 0; cut <= text.size() + 1; ++cut) {
    std::vector<ParamRecord> t;
    ParamFileReader reader(t);
    if (cut <= text.size()) {
      reader.feed(text.substr(0, cut));
      reader.feed(text.substr(cut));
    } else {
      for (char c : text) reader.feed(std::string_view(&c, 1));
    }
    reader.finish();
    if (t != whole) return "cut at " + std::to_string(cut) + ": " + test::tableText(t);
  }
  return test::tableText(whole);
}

// A record read back column by column (the tools' view), one column past
// the last included.
std::string columns(const ParamRecord& r) {
  std::string s;
  for (std::size_t c = 0; c <= kParamColumnCount; ++c)
    s += (c ? "," : "") + test::num(columnValue(r, c));
  return s;
}

// "COLUMN=VALUE" stored in the default record by the column map.
ParamRecord setColumn(const std::string& assignment) {
  ParamRecord r = kDefaultParamRecord;
  const std::size_t eq = assignment.find('=');
  setColumnValue(r, std::stoul(assignment.substr(0, eq)), std::stod(assignment.substr(eq + 1)));
  return r;
}

TEST(ParamLines, Golden) {
  for (const test::Case& c : test::readCases("readers/data/param_lines.txt")) {
    const std::string& fn = c.f[0];
    std::string got;
    if (fn == "record") got = test::recordText(parseParamLine(c.f[1]));
    if (fn == "status") got = statuses(c.f[1]);
    if (fn == "split") got = split(c.f[1]);
    if (fn == "lines") got = lines(c.f[1]);
    if (fn == "table") got = table(c.f[1]);
    if (fn == "columns") got = columns(parseParamLine(c.f[1]));
    if (fn == "set") got = columns(setColumn(c.f[1]));
    if (fn == "column") {
      const std::size_t column = std::stoul(c.f[1]);
      got = std::string(columnName(column)) + " " + columnKindName(columnKind(column));
    }
    EXPECT_EQ(got, c.f[2]) << c.where;
  }
  // Past the last column and the fields' room nothing is written.
  ParamRecord r = kDefaultParamRecord;
  EXPECT_EQ(convertColumn(kParamColumnCount, "1", r), ColumnStatus::Missing);
  EXPECT_EQ(r, kDefaultParamRecord);
  EXPECT_EQ(splitLine("a,b,c", std::span<std::string_view>{}), 3u);
}

}  // namespace
}  // namespace tasc
