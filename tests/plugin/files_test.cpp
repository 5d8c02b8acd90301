// loadParamFile through the module's file reader on real files in temporary
// vehicle folders: which entry opens which file, and the table that results;
// and TASC.ini read from real files and applied (rows of data/settings.txt).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <vector>

#include "control/tasc_controller.h"
#include "platform/platform.h"
#include "plugin/files.h"
#include "plugin/settings.h"
#include "support/cases.h"
#include "support/records.h"
#include "support/vehicle_folder.h"

namespace fs = std::filesystem;

namespace tasc {
namespace {

using test::tableText;

// The table that loading `entry` gives a controller whose csvPath.ini lies
// in `listFolder` (a path that need not exist).
std::string load(const fs::path& listFolder, const std::string& entry) {
  TascController c;
  const std::string listPath = (listFolder / "csvPath.ini").string();
  c.loadParamFile(entry.c_str(), plugin::fileReader(listPath.c_str()));
  return tableText(c.paramTable);
}

TEST(LoadParamFile, FileContentsGiveTheDefaultThenOneRecordPerLine) {
  for (const test::Case& c : test::readCases("plugin/data/file_contents.txt")) {
    test::TempFolder f;
    f.write("p.csv", test::expand(c.f[0]));
    EXPECT_EQ(load(f.path(), "p.csv"), c.f[1]) << c.where;
  }
}

// The vehicle folder holds veh/csvPath.ini; files lie beside it, in veh/sub,
// in the folder above and in a folder named "C:": rows of data/entries.txt.
TEST(LoadParamFile, EntriesResolveAgainstTheListFolder) {
  test::TempFolder f;
  int32_t id = 0;
  for (const char* name : {"veh/a.csv", "veh/sub/a.csv", "a.csv", "veh/C:/x/a.csv", "veh/null",
                           "veh/NULL", "veh/.hidden.csv"})
    f.write(name, std::to_string(++id) + ",1\n");
  ASSERT_EQ(::mkfifo((f.path() / "veh" / "pipe.csv").c_str(), 0600), 0);
  // The FIFO has a writer and a record waiting: read, it would hang the frame.
  const int writer = ::open((f.path() / "veh" / "pipe.csv").c_str(), O_RDWR);
  ASSERT_TRUE(writer >= 0 && ::write(writer, "8,1\n", 4) == 4);
  const std::string up = test::expand("{40*../}");
  const std::string abs = (f.path() / "veh" / "sub" / "a.csv").string();
  std::string back = abs;
  std::ranges::replace(back, '/', '\\');
  const std::pair<std::string, std::string> marks[] = {
      {"@ABS@", abs}, {"@BACK@", back}, {"@UP@", up + f.path().relative_path().string()}};
  for (const test::Case& c : test::readCases("plugin/data/entries.txt")) {
    std::string entry = c.f[0];
    for (const auto& [mark, text] : marks)
      if (entry.starts_with(mark)) entry = text + entry.substr(mark.size());
    const std::string want = c.f[1] != "0" ? "0,0 ; " + c.f[1] + ",1" : "0,0";
    EXPECT_EQ(load(f.path() / "veh", entry), want) << c.where << ": entry \"" << entry << '"';
  }
  ::close(writer);
}

// The list and the settings are read through the same reader: a FIFO reads
// as missing and is not waited on. A file whose size is unknown (st_size 0)
// and larger than the reader's growth steps is read whole and never past the
// buffer (the sanitizer sees an overrun); one whose read fails reads as
// missing. (A folder and /dev/zero: rows of plugin/data/settings.txt and
// bad_input/data/files.txt.)
TEST(ReadProfileString, OnlyARegularFileIsRead) {
  test::TempFolder f;
  const std::string pipe = (f.path() / "pipe.ini").string();
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  for (const std::string& file :
       {pipe, std::string("/proc/self/smaps"), std::string("/proc/self/mem")}) {
    char out[64] = {};
    platform::readProfileString("ParamData", "0", "NULL", out, sizeof out, file.c_str());
    EXPECT_EQ(std::string(out), "NULL") << file;
  }
}

// splitPath terminates what it writes into buffers that held other text: the
// folder with its last '/' when it fits with the terminator, else nothing.
TEST(SplitPath, WritesTerminatedTextOrNothing) {
  for (const std::size_t room : {8, 9}) {
    std::array<char, platform::kDriveSize> drive;
    std::vector<char> dir(room);
    drive.fill('x');
    std::ranges::fill(dir, 'x');
    const bool fits = platform::splitPath("/a/bcde/TASC.so", drive, dir);
    EXPECT_EQ(fits, room == 9);
    EXPECT_EQ(std::string(dir.data()), fits ? "/a/bcde/" : "") << room;
    EXPECT_EQ(std::string(drive.data()), "");
  }
}

// Each row's settings applied to a controller: the file's content, <none>
// (no file), <directory> (a folder of that name), or a path that is empty or
// null.
TEST(Settings, Golden) {
  for (const test::Case& c : test::readCases("plugin/data/settings.txt")) {
    test::TempFolder folder;
    const std::string path = (folder.path() / "TASC.ini").string();
    if (c.f[0] == "<directory>") std::filesystem::create_directory(path);
    if (!c.f[0].starts_with('<')) folder.write("TASC.ini", c.f[0]);
    const char* file = c.f[0] == "<null path>" ? nullptr : path.c_str();
    const Settings s = readSettings(c.f[0] == "<empty path>" ? "" : file);
    TascController ctl;
    applySettings(ctl, s);
    const std::string sources = std::string(settingSourceName(s.b7DecSource)) + " " +
                                settingSourceName(s.formationIdSource) + " " +
                                settingSourceName(s.enableHmPtnSource);
    EXPECT_EQ(
        (std::vector<std::string>{c.f[0], test::num(ctl.b7Dec), std::to_string(ctl.formationId),
                                  std::to_string(ctl.enableHmPtn), sources}),
        c.f)
        << c.where;
  }
}

}  // namespace
}  // namespace tasc
