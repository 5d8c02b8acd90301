// loadParamFile on real files in temporary vehicle folders: which entry opens
// which file, and the table that results.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "control/tasc_controller.h"
#include "params/param_records.h"
#include "platform/platform.h"
#include "support/vehicle_folder.h"

namespace fs = std::filesystem;

namespace tasc {
namespace {

using test::keys;
using test::recordWith;
using test::sameTable;
using test::TempFolder;

constexpr const char* kTwoLines = "5,1,3.0,2.0,1.0,0.4,0.1,2.5,2.0,40,2,1,0,0,0\n6,0\n";

const ParamRecord kRecord51 = recordWith([](ParamRecord& r) {
  r = {5, 1, {3.0, 2.0, 1.0, 0.4, 0.1}, 2.5, 2.0, 40, 2, {true, false, false, false}};
});

void setText(PathBuffer& buffer, const std::string& text) {
  ASSERT_LT(text.size(), buffer.size());
  std::memcpy(buffer.data(), text.c_str(), text.size() + 1);
}

// A controller whose csvPath.ini lies in folder/list (a path that need not exist).
struct Loader {
  TascController c;
  explicit Loader(const fs::path& listFolder) {
    setText(c.paramListPath, (listFolder / "csvPath.ini").string());
  }
  const std::vector<ParamRecord>& load(const std::string& entry) {
    c.loadParamFile(entry.c_str());
    return c.paramTable;
  }
};

const std::vector<ParamRecord> kDefaultOnly{kDefaultParamRecord};

TEST(LoadParamFile, FileContentsGiveTables) {
  struct Case {
    const char* name;
    std::string content;
    std::vector<ParamRecord> expected;
  };
  const Case cases[] = {
      {"two lines give the default then one record per line",
       kTwoLines,
       {kDefaultParamRecord, kRecord51, keys(6, 0)}},
      {"CR LF", "5,1\r\n6,0\r\n", {kDefaultParamRecord, keys(5, 1), keys(6, 0)}},
      {"keys 0/0 stand after the default record",
       "0,0,9\n",
       {kDefaultParamRecord, recordWith([](ParamRecord& r) { r.leadTime[0] = 9; })}},
      {"empty file", "", kDefaultOnly},
  };
  for (const auto& c : cases) {
    TempFolder f;
    f.write("p.csv", c.content);
    Loader l(f.path());
    EXPECT_TRUE(sameTable(l.load("p.csv"), c.expected)) << c.name;
  }
}

// Lines longer than the reader's chunks and a file of many chunks read whole.
TEST(LoadParamFile, LongLinesAndLargeFilesReadWhole) {
  std::string content = "1," + std::string(40000, ' ') + "2,3.5\n";
  std::vector<ParamRecord> expected{kDefaultParamRecord, recordWith([](ParamRecord& r) {
                                      r.recordId = 1;
                                      r.subId = 2;
                                      r.leadTime[0] = 3.5;
                                    })};
  for (int i = 0; i < 5000; ++i) {
    content += std::to_string(i) + "," + std::to_string(i % 7) + "\r\n";
    expected.push_back(keys(i, i % 7));
  }
  TempFolder f;
  f.write("big.csv", content);
  Loader l(f.path());
  EXPECT_TRUE(sameTable(l.load("big.csv"), expected));
}

TEST(LoadParamFile, LoadingTwiceReplacesTheTable) {
  TempFolder f;
  f.write("a.csv", kTwoLines);
  f.write("b.csv", "9,9\n");
  Loader l(f.path());
  l.load("a.csv");
  EXPECT_EQ(l.load("a.csv").size(), 3u) << "not doubled";
  EXPECT_TRUE(sameTable(l.load("b.csv"), {kDefaultParamRecord, keys(9, 9)}));
  EXPECT_TRUE(sameTable(l.load("missing.csv"), kDefaultOnly)) << "old records gone";
  l.load("a.csv");
  EXPECT_TRUE(sameTable(l.load("NULL"), kDefaultOnly));
}

TEST(LoadParamFile, ChangesNoOtherField) {
  TempFolder f;
  f.write("a.csv", kTwoLines);
  Loader l(f.path());
  l.c.activeParam = keys(3, 3);
  l.c.loadedFileIndex = 7;
  l.c.brakeCommand = 12;
  l.c.patternSelect = 2;
  setText(l.c.paramFiles[0], "x.csv");
  const PathBuffer listPath = l.c.paramListPath;
  l.load("a.csv");
  EXPECT_EQ(l.c.activeParam, keys(3, 3));
  EXPECT_EQ(l.c.loadedFileIndex, 7);
  EXPECT_EQ(l.c.brakeCommand, 12);
  EXPECT_EQ(l.c.patternSelect, 2);
  EXPECT_STREQ(l.c.paramFiles[0].data(), "x.csv");
  EXPECT_EQ(l.c.paramListPath, listPath);
}

// The vehicle folder holds veh/csvPath.ini; files lie beside it, in veh/sub,
// in the folder above and in a folder named "C:".
TEST(LoadParamFile, EntriesResolveAgainstTheListFolder) {
  TempFolder f;
  f.write("veh/a.csv", "1,1\n");
  f.write("veh/sub/a.csv", "2,1\n");
  f.write("a.csv", "3,1\n");
  f.write("veh/C:/x/a.csv", "4,1\n");
  f.write("veh/null", "5,1\n");
  f.write("veh/NULL", "6,1\n");
  f.write("veh/.hidden.csv", "7,1\n");
  ASSERT_EQ(::mkfifo((f.path() / "veh" / "pipe.csv").c_str(), 0600), 0);
  std::string up;  // more ".." than reach the root: they stop there
  for (int i = 0; i < 40; ++i) up += "../";
  Loader l(f.path() / "veh");
  struct Case {
    std::string entry;
    int32_t recordId;  // 0: the default record alone
  };
  const std::string abs = (f.path() / "veh" / "sub" / "a.csv").string();
  std::string absBackslashed = abs;
  for (char& ch : absBackslashed) ch = ch == '/' ? '\\' : ch;
  const Case cases[] = {
      {"a.csv", 1},
      {"./a.csv", 1},
      {"sub\\a.csv", 2},
      {"sub/a.csv", 2},
      {"sub\\..\\sub\\.\\a.csv", 2},
      {"sub//a.csv", 2},
      {"..\\a.csv", 3},
      {"../a.csv", 3},
      {"sub/../../a.csv", 3},
      {"C:\\x\\a.csv", 4},  // no drives: a relative path
      {"null", 5},          // lower case: a file name
      {"NULL", 0},          // exactly NULL: no file touched
      {" NULL", 0},         // a name; no such file
      {"NULL ", 0},
      {".hidden.csv", 7},
      {abs, 2},
      {absBackslashed, 2},  // a leading separator is the root
      {abs + "/", 0},       // a file is no folder
      {"", 0},              // the folder itself
      {".", 0},
      {"sub", 0},
      {"sub\\", 0},
      {"missing.csv", 0},
      {"missing\\..\\a.csv", 1},                               // steps are removed without looking
      {up + f.path().relative_path().string() + "/a.csv", 3},  // ParentStepsStopAtTheRoot
      {"pipe.csv", 0},                                         // FifoDoesNotOpenAndDoesNotBlock
      {"/dev/zero", 0},  // DeviceDoesNotOpen: endless, not a regular file
      {"/dev/null", 0},
  };
  for (const auto& c : cases) {
    const auto expected = c.recordId == 0
                              ? kDefaultOnly
                              : std::vector<ParamRecord>{kDefaultParamRecord, keys(c.recordId, 1)};
    EXPECT_TRUE(sameTable(l.load(c.entry), expected)) << "entry \"" << c.entry << '"';
  }
}

// When the list path did not fit its buffer it is empty: relative entries
// count as missing, absolute ones still open.
TEST(LoadParamFile, EmptyListPathMakesRelativeEntriesMissing) {
  TempFolder f;
  f.write("a.csv", "1,1\n");
  TascController c;
  c.paramListPath[0] = '\0';
  const fs::path previous = fs::current_path();
  fs::current_path(f.path());
  c.loadParamFile("a.csv");
  fs::current_path(previous);
  EXPECT_TRUE(sameTable(c.paramTable, kDefaultOnly));
  c.loadParamFile((f.path() / "a.csv").c_str());
  EXPECT_TRUE(sameTable(c.paramTable, {kDefaultParamRecord, keys(1, 1)}));
}

// An unreadable file. Root reads anything, so a root test process tries in a
// child that has given up root.
TEST(LoadParamFile, UnreadableFileLeavesTheDefaultRecord) {
  TempFolder f;
  const fs::path file = f.write("locked.csv", "1,1\n");
  ASSERT_EQ(::chmod(file.c_str(), 0), 0);
  const std::string list = (f.path() / "csvPath.ini").string();
  if (::geteuid() != 0) {
    EXPECT_EQ(platform::openParamFile("locked.csv", list.c_str()), nullptr);
    Loader l(f.path());
    EXPECT_TRUE(sameTable(l.load("locked.csv"), kDefaultOnly));
    return;
  }
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // Child: no gtest assertions here, only the exit code.
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(2);
    TascController c;
    std::memcpy(c.paramListPath.data(), list.c_str(), list.size() + 1);
    c.loadParamFile("locked.csv");
    const bool lockedFails = c.paramTable.size() == 1 && c.paramTable[0] == kDefaultParamRecord;
    ::_exit(lockedFails ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_NE(WEXITSTATUS(status), 2) << "could not drop root";
  EXPECT_EQ(WEXITSTATUS(status), 0) << "an unreadable file was read";
}

TEST(OpenParamFile, OpensOnlyRegularFilesForReading) {
  TempFolder f;
  f.write("a.csv", "1,1\n");
  const std::string list = (f.path() / "csvPath.ini").string();
  EXPECT_EQ(platform::openParamFile(nullptr, list.c_str()), nullptr);
  EXPECT_EQ(platform::openParamFile("a.csv", nullptr), nullptr);
  platform::File file = platform::openParamFile("a.csv", list.c_str());
  ASSERT_NE(file, nullptr);
  char buf[8] = {};
  EXPECT_EQ(std::fread(buf, 1, sizeof buf, file.get()), 4u);
  EXPECT_STREQ(buf, "1,1\n");
  // An entry too long for any path fails instead of being cut.
  const std::string longEntry(5000, 'a');
  EXPECT_EQ(platform::openParamFile(longEntry.c_str(), list.c_str()), nullptr);
}

}  // namespace
}  // namespace tasc
