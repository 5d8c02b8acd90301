// The text readers, without files: golden rows of data/numbers.txt,
// param_lines.txt (splitting, columns, lines and tables), profile.txt
// (private-profile lookups) and entry_paths.txt (how an entry of csvPath.ini
// and the list's path form a parameter file's path on POSIX), and the exact
// fast path of the decimal reader against from_chars on random texts.
#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <random>
#include <string>
#include <vector>

#include "readers/entry_path.h"
#include "readers/numbers.h"
#include "readers/param_lines.h"
#include "readers/profile.h"
#include "support/cases.h"
#include "support/records.h"

namespace tasc {
namespace {

// Empty when the fast path leaves the text to from_chars; "" when it agrees
// with from_chars in bits and end, else what differs.
std::optional<std::string> compareFast(std::string_view text) {
  double fast = -1.0, ref = 0.0;
  const char* end = detail::fastDecimal(text.data(), text.data() + text.size(), fast);
  if (end == nullptr) return std::nullopt;
  const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), ref);
  if (ec != std::errc{} || ptr != end ||
      std::bit_cast<uint64_t>(fast) != std::bit_cast<uint64_t>(ref)) {
    return '"' + std::string(text) + "\": fast " + test::num(fast) + ", from_chars " +
           test::num(ref);
  }
  return "";
}

template <typename T>
std::string text(const std::optional<T>& v) {
  return v ? test::num(static_cast<double>(*v)) : "none";
}

TEST(Numbers, Golden) {
  for (const test::Case& c : test::readCases("readers/data/numbers.txt")) {
    const std::string& fn = c.f[0];
    const std::string& in = c.f[1];
    std::string got;
    if (fn == "int") got = text(parseInteger(in));
    if (fn == "dec") got = text(parseDecimal(in));
    if (fn == "atof") got = test::num(parseAtof(in));
    if (fn == "pint") got = test::num(profile::parseInt(in));
    if (fn == "whole") got = readDecimal(in).whole(in.data() + in.size()) ? "1" : "0";
    if (fn == "fast") {
      const auto r = compareFast(in);
      EXPECT_EQ(r.value_or(""), "") << c.where;
      got = r ? "1" : "0";
    }
    EXPECT_EQ(got, c.f[2]) << c.where;
  }
}

// Random plain decimals of every shape the fast path sees, with a character
// after them that may or may not continue the number.
std::string randomDecimal(std::mt19937_64& rng) {
  auto pick = [&rng](uint64_t n) { return rng() % n; };
  std::string s;
  auto digits = [&](uint64_t max) {
    const uint64_t n = pick(max + 1);
    const bool zeros = pick(4) == 0;  // runs of zeros: leading or trailing
    for (uint64_t i = 0; i < n; ++i)
      s += static_cast<char>('0' + (zeros && pick(3) != 0 ? 0 : pick(10)));
  };
  digits(pick(3) == 0 ? 20 : 9);
  if (pick(3) != 0) {
    s += '.';
    digits(pick(3) == 0 ? 25 : 8);
  }
  if (pick(2) == 0) {
    s += pick(2) == 0 ? 'e' : 'E';
    s += "\0+-"[pick(3)];
    if (s.back() == '\0') s.pop_back();
    digits(pick(8) == 0 ? 4 : 2);
  }
  if (pick(3) == 0) s += " ,x.e+-0"[pick(8)];
  return s;
}

TEST(Numbers, FastPathMatchesFromCharsOnRandomTexts) {
  std::mt19937_64 rng(20261207);
  constexpr int kTexts = 300000;
  int taken = 0, failures = 0;
  for (int i = 0; i < kTexts; ++i) {
    const std::string t = randomDecimal(rng);
    const std::optional<std::string> result = compareFast(t);
    if (!result) continue;
    ++taken;
    if (!result->empty() && ++failures <= 20) ADD_FAILURE() << *result;
  }
  // The texts reach both sides: the fast path and the fall-back.
  EXPECT_GT(taken, kTexts / 4);
  EXPECT_LT(taken, kTexts * 9 / 10);
}

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

TEST(Profile, Golden) {
  for (const test::Case& c : test::readCases("readers/data/profile.txt")) {
    EXPECT_EQ(profile::findValue(c.f[0], c.f[1], c.f[2]).value_or("<missing>"), c.f[3]) << c.where;
  }
}

TEST(Profile, StringIsCutToTheBufferAndTerminated) {
  char buf[8];
  EXPECT_EQ(profile::getString("[S]\nk=3.123456789\n", "S", "k", "d", buf, sizeof buf), 7u);
  EXPECT_STREQ(buf, "3.12345");
  EXPECT_EQ(profile::getString("", "S", "k", "NULL", buf, sizeof buf), 4u);
  EXPECT_STREQ(buf, "NULL");
  EXPECT_EQ(profile::getString("[S]\nk=v\n", "S", "k", "d", buf, 1), 0u);
  EXPECT_STREQ(buf, "");
  EXPECT_EQ(profile::getString("[S]\nk=v\n", "S", "k", "d", nullptr, 8), 0u);
}

// Both texts lie in heap buffers of their exact size, so that the sanitizer
// sees a read past either terminator (preset sanitize); "<null>" is a null
// pointer.
TEST(FormEntryPath, Golden) {
  for (const test::Case& c : test::readCases("readers/data/entry_paths.txt")) {
    const auto exact = [](const std::string& text) {
      return std::vector<char>(text.c_str(), text.c_str() + text.size() + 1);
    };
    const auto entry = exact(test::expand(c.f[1])), list = exact(c.f[0]);
    PathBuilder out;
    const char* path = formEntryPath(out, c.f[1] == "<null>" ? nullptr : entry.data(),
                                     c.f[0] == "<null>" ? nullptr : list.data());
    EXPECT_EQ(path ? std::string(path) : "-", test::expand(c.f[2])) << c.where;
  }
}

}  // namespace
}  // namespace tasc
