// The parameter-file reader on text: splitting, the column conversions and
// the line reading, without files.
#include <gtest/gtest.h>

#include <array>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "params/param_loader.h"
#include "params/param_records.h"

namespace tasc {
namespace {

using test::keys;
using test::recordWith;
using test::sameRecord;
using test::sameTable;

struct SplitCase {
  const char* line;
  std::vector<std::string_view> fields;
};

TEST(SplitLine, EmptyFieldsCountTrailingCommaAndEmptyLineDoNot) {
  const SplitCase cases[] = {
      {"7,1,3.0", {"7", "1", "3.0"}},
      {"7,,3.0", {"7", "", "3.0"}},
      {"7,1,", {"7", "1"}},
      {",", {""}},
      {",,", {"", ""}},
      {"", {}},
      {" ", {" "}},
      {"a", {"a"}},
      {",a", {"", "a"}},
      {"\"5\",x y", {"\"5\"", "x y"}},
  };
  for (const auto& c : cases) {
    std::array<std::string_view, 8> out;
    const std::size_t n = splitLine(c.line, out);
    ASSERT_EQ(n, c.fields.size()) << '"' << c.line << '"';
    for (std::size_t i = 0; i < n; ++i) EXPECT_EQ(out[i], c.fields[i]) << c.line << " #" << i;
  }
}

TEST(SplitLine, CountsFieldsBeyondTheStoredOnes) {
  std::array<std::string_view, 2> out;
  EXPECT_EQ(splitLine("a,b,c,d,", out), 4u);
  EXPECT_EQ(out[0], "a");
  EXPECT_EQ(out[1], "b");
  EXPECT_EQ(splitLine("a,b,c", std::span<std::string_view>{}), 3u);
}

struct LineCase {
  const char* name;
  std::string_view line;
  ParamRecord expected;
};

TEST(ParseParamLine, LineGivesRecord) {
  const double inf = std::numeric_limits<double>::infinity();
  const LineCase cases[] = {
      {"every column", "5,1,3.0,2.0,1.0,0.4,0.1,2.5,2.0,40,2,1,0,0,0",
       recordWith([](ParamRecord& r) {
         r = {5, 1, {3.0, 2.0, 1.0, 0.4, 0.1}, 2.5, 2.0, 40, 2, {true, false, false, false}};
       })},
      {"two columns", "6,0", keys(6, 0)},
      {"title line", "id,sub,t0,t1,t2,t3,t4,far,near,len,start,h0,h1,h2,h3", kDefaultParamRecord},
      {"rest of a field ignored, leading space skipped", " 12abc,3x,4.5e-1",
       recordWith([](ParamRecord& r) {
         r.recordId = 12;
         r.subId = 3;
         r.leadTime[0] = 0.45;
       })},
      {"word in column 0", "x,1", keys(0, 1)},
      {"integer out of 32 bits", "99999999999,1", keys(0, 1)},
      {"32-bit limits", "2147483647,-2147483648", keys(2147483647, -2147483647 - 1)},
      {"just past the limits", "2147483648,-2147483649", kDefaultParamRecord},
      {"decimal in an integer column", "1.9", keys(1, 0)},
      {"signs and tabs", "+7,\t-3", keys(7, -3)},
      {"flags: 0.7 false, 2 and -1 true, 0x5 is 0", "0,0,,,,,,,,,,0.7,2,-1,0x5",
       recordWith([](ParamRecord& r) {
         r.hmPtnFlag = {false, true, true, false};
       })},
      {"quoted field", "\"5\",1", keys(0, 1)},
      {"empty line", "", kDefaultParamRecord},
      {"only a comma", ",", kDefaultParamRecord},
      {"trailing comma", "7,1,", keys(7, 1)},
      {"empty fields keep defaults", "8,,,9.5", recordWith([](ParamRecord& r) {
         r.recordId = 8;
         r.leadTime[1] = 9.5;
       })},
      {"twenty fields use fifteen", "1,2,3,4,5,6,7,8,9,10,11,1,1,1,1,9,9,9,9,9",
       recordWith([](ParamRecord& r) {
         r = {1, 2, {3, 4, 5, 6, 7}, 8, 9, 10, 11, {true, true, true, true}};
       })},
      {"byte-order mark is part of field 0",
       "\xEF\xBB\xBF"
       "5,1",
       keys(0, 1)},
      {"decimals out of range keep defaults", "1,1,1e999,1e-400,-1e999,1e-310", keys(1, 1)},
      {"decimal forms of strtod", "0,0,0x1p3,inf,-2.5E+1,.5", recordWith([&](ParamRecord& r) {
         r.leadTime = {8.0, inf, -25.0, 0.5, 0.1};
       })},
      {"a failing column stops none after it", "a,b,c,d,e,f,g,h,i,j,k,l,m,n,1",
       recordWith([](ParamRecord& r) { r.hmPtnFlag[3] = true; })},
      {"keys 0 and 0 are an ordinary record", "0,0,9",
       recordWith([](ParamRecord& r) { r.leadTime[0] = 9; })},
  };
  for (const auto& c : cases) EXPECT_TRUE(sameRecord(parseParamLine(c.line), c.expected)) << c.name;
}

struct StatusCase {
  const char* name;
  std::string_view line;
  std::vector<ColumnStatus> first;  // statuses of the first columns; the rest Missing
};

TEST(ParseParamLine, ReportsWhyEachColumnFailed) {
  using S = ColumnStatus;
  const StatusCase cases[] = {
      {"converted and missing", "5,1", {S::Converted, S::Converted}},
      {"no number", "x,,\"5\", ", {S::NoNumber, S::NoNumber, S::NoNumber, S::NoNumber}},
      {"out of range",
       "99999999999,-2147483649,1e999,-.5e-400,0,0,0,0,0,0,0,3000000000",
       {S::OutOfRange, S::OutOfRange, S::OutOfRange, S::OutOfRange, S::Converted, S::Converted,
        S::Converted, S::Converted, S::Converted, S::Converted, S::Converted, S::OutOfRange}},
      {"a flag of 0.7 converts",
       "0,0,,,,,,,,,,0.7",
       {S::Converted, S::Converted, S::NoNumber, S::NoNumber, S::NoNumber, S::NoNumber, S::NoNumber,
        S::NoNumber, S::NoNumber, S::NoNumber, S::NoNumber, S::Converted}},
      {"a sign alone is no number", "-,+", {S::NoNumber, S::NoNumber}},
  };
  for (const auto& c : cases) {
    ColumnStatuses got;
    got.fill(S::Converted);
    parseParamLine(c.line, &got);
    for (std::size_t i = 0; i < got.size(); ++i) {
      const S want = i < c.first.size() ? c.first[i] : S::Missing;
      EXPECT_EQ(got[i], want) << c.name << ", column " << columnName(i) << ": "
                              << columnStatusName(got[i]);
    }
  }
}

TEST(ConvertColumn, FailureLeavesTheRecordAsItWas) {
  ParamRecord r = keys(4, 4);
  r.leadTime[2] = 7.0;
  const ParamRecord before = r;
  EXPECT_EQ(convertColumn(0, "abc", r), ColumnStatus::NoNumber);
  EXPECT_EQ(convertColumn(4, "1e999", r), ColumnStatus::OutOfRange);
  EXPECT_EQ(convertColumn(kParamColumnCount, "1", r), ColumnStatus::Missing);
  EXPECT_TRUE(sameRecord(r, before));
  EXPECT_EQ(convertColumn(10, "3.25", r), ColumnStatus::Converted);
  EXPECT_EQ(r.blendStart, 3.25);
}

TEST(ConvertColumn, KindsFollowTheColumnOrder) {
  for (std::size_t c = 0; c < kParamColumnCount; ++c) {
    const ColumnKind want = c < 2    ? ColumnKind::Integer
                            : c < 11 ? ColumnKind::Decimal
                                     : ColumnKind::Flag;
    EXPECT_EQ(columnKind(c), want) << columnName(c) << " is " << columnKindName(columnKind(c));
  }
  // Each decimal column writes its own field.
  for (std::size_t c = 2; c < 11; ++c) {
    ParamRecord r = kDefaultParamRecord;
    ASSERT_EQ(convertColumn(c, "-1", r), ColumnStatus::Converted);
    int changed = 0;
    const double* fields[] = {&r.leadTime[0], &r.leadTime[1], &r.leadTime[2],
                              &r.leadTime[3], &r.leadTime[4], &r.decelFar,
                              &r.decelNear,   &r.blendLength, &r.blendStart};
    for (std::size_t k = 0; k < 9; ++k) {
      if (*fields[k] == -1.0) {
        ++changed;
        EXPECT_EQ(k, c - 2) << columnName(c);
      }
    }
    EXPECT_EQ(changed, 1) << columnName(c);
  }
}

// Lines of a file, as text.
std::vector<ParamRecord> readText(std::string_view text) {
  std::vector<ParamRecord> table;
  appendParamText(text, table);
  return table;
}

std::vector<std::string> linesOf(std::string_view text, std::size_t chunk) {
  std::vector<std::string> lines;
  auto sink = [&](std::string_view line) { lines.emplace_back(line); };
  LineReader reader;
  for (std::size_t at = 0; at < text.size(); at += chunk) reader.feed(text.substr(at, chunk), sink);
  reader.finish(sink);
  return lines;
}

TEST(LineReader, CutsAtLfAndDropsOneCrBeforeIt) {
  struct Case {
    std::string_view text;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"", {}},
      {"\n", {""}},
      {"\r\n", {""}},
      {"5,\r\n6", {"5,", "6"}},
      {"5\r\r\n", {"5\r"}},
      {"5\r6\n", {"5\r6"}},
      {"a\n\nb\n", {"a", "", "b"}},
      {"last\r", {"last\r"}},  // no LF: the CR belongs to the line
  };
  for (const auto& c : cases) {
    for (std::size_t chunk : {std::size_t{1}, std::size_t{2}, std::size_t{1000}}) {
      EXPECT_EQ(linesOf(c.text, chunk), c.lines) << '"' << c.text << "\" in chunks of " << chunk;
    }
  }
}

TEST(ParamFileReader, LineEnds) {
  struct Case {
    const char* name;
    std::string_view text;
    std::vector<ParamRecord> expected;
  };
  const Case cases[] = {
      {"no text, no line", "", {}},
      {"one line end, one empty line", "\n", {kDefaultParamRecord}},
      {"last line needs no line end", "5,1\n6,2", {keys(5, 1), keys(6, 2)}},
      {"final line end opens no line", "5,1\n6,2\n", {keys(5, 1), keys(6, 2)}},
      {"empty line between data lines",
       "5,1\n\n6,2\n",
       {keys(5, 1), kDefaultParamRecord, keys(6, 2)}},
      {"CR LF", "5,1\r\n\r\n6,2\r\n", {keys(5, 1), kDefaultParamRecord, keys(6, 2)}},
      {"lone CR is no line end", "5,1\r6,2\n", {recordWith([](ParamRecord& r) {
         r.recordId = 5;
         r.subId = 1;
         r.leadTime[0] = 2;
       })}},
      {"byte-order mark",
       "\xEF\xBB\xBF"
       "5,1\n6,2\n",
       {keys(0, 1), keys(6, 2)}},
  };
  for (const auto& c : cases) EXPECT_TRUE(sameTable(readText(c.text), c.expected)) << c.name;
}

// A chunk boundary anywhere, even between the CR and the LF, changes nothing.
TEST(ParamFileReader, ChunkBoundariesAnywhereGiveTheSameTable) {
  const std::string text = "5,1,3.0\r\n\r\n61,2,0.25,,,,,,,,,1\n,\n7,1";
  const auto whole = readText(text);
  ASSERT_EQ(whole.size(), 5u);
  for (std::size_t cut = 0; cut <= text.size(); ++cut) {
    std::vector<ParamRecord> table;
    ParamFileReader reader(table);
    reader.feed(std::string_view(text).substr(0, cut));
    reader.feed(std::string_view(text).substr(cut));
    reader.finish();
    EXPECT_TRUE(sameTable(table, whole)) << "cut at " << cut;
  }
  std::vector<ParamRecord> table;
  ParamFileReader reader(table);
  for (char c : text) reader.feed(std::string_view(&c, 1));
  reader.finish();
  EXPECT_TRUE(sameTable(table, whole)) << "byte by byte";
}

TEST(ParamFileReader, AppendsAfterWhatTheTableHolds) {
  std::vector<ParamRecord> table{kDefaultParamRecord};
  appendParamText("0,0\n5,1\n0,0", table);
  EXPECT_TRUE(sameTable(table, {kDefaultParamRecord, keys(0, 0), keys(5, 1), keys(0, 0)}))
      << "equal keys are neither merged nor removed";
}

}  // namespace
}  // namespace tasc
