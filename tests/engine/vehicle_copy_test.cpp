// The copy of a vehicle folder that a module copy runs from: the lists keep
// every byte, each parameter file lies where its entry finds it, also above
// the folder, and what the copy would read differently is said.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "engine/vehicle_copy.h"
#include "files/files.h"
#include "support/vehicle_folder.h"

namespace tasc::engine {
namespace {

namespace fs = std::filesystem;

// The relative entries were made absolute in the copy, which changed the
// entries' bytes (and broke the Shift-JIS ones on Windows).
TEST(VehicleCopy, ListsKeepTheirBytesAndEntriesFindTheirFiles) {
  const tasc::test::TempFolder t;
  const fs::path vehicle = t.path() / "trains" / fs::path(u8"車両") / "plugin";
  const std::string list =
      "; comment kept\r\n[ParamData]\r\n0 = \"予備\\表定.csv\"\r\n1=..\\共通\\快速.csv\r\n"
      "2=sub/../a.csv\r\n3=missing.csv\r\n";
  t.write("trains/車両/plugin/csvPath.ini", list);
  t.write("trains/車両/plugin/TASC.ini", "[TASCPtn]\r\nB7Dec=3.6\r\n");
  t.write("trains/車両/plugin/予備/表定.csv", "1,0,4\n");
  t.write("trains/車両/共通/快速.csv", "2,0,3\n");
  t.write("trains/車両/plugin/a.csv", "3,0,2\n");
  const files::TempFolder run("tasc-copy-run-");
  const VehicleCopy copy = copyVehicleFolder(vehicle, run.path());
  // One step above the folder is climbed: the copy keeps the folder's name.
  EXPECT_EQ(copy.folder, run.path() / "plugin");
  EXPECT_EQ(files::readWholeFile(copy.folder / "csvPath.ini"), list);
  EXPECT_EQ(files::readWholeFile(copy.folder / "TASC.ini"), "[TASCPtn]\r\nB7Dec=3.6\r\n");
  for (const auto& [relative, bytes] : {std::pair{u8"予備/表定.csv", "1,0,4\n"},
                                        {u8"../共通/快速.csv", "2,0,3\n"},
                                        {u8"a.csv", "3,0,2\n"}}) {
    EXPECT_EQ(files::readWholeFile((copy.folder / fs::path(relative)).lexically_normal()), bytes)
        << bytes;
  }
  EXPECT_EQ(copy.files.size(), 3u);
  EXPECT_TRUE(copy.warnings.empty()) << copy.warnings.front();
}

TEST(VehicleCopy, WhatTheCopyReadsDifferentlyIsSaid) {
  const tasc::test::TempFolder t;
  // Entry 0 names a UTF-16 file; entry 1 climbs the 16 steps a copy rebuilds,
  // entry 2 one more; entry 3 climbs above the file system's root.
  std::string folder = "v", up;
  for (int i = 16; i >= 1; --i) folder = std::to_string(i) + "/" + folder;
  for (int i = 0; i < 16; ++i) up += "../";
  const std::string climbs = "../" + up + "x.csv";
  t.write(folder + "/csvPath.ini", "[ParamData]\n0=wide.csv\n1=" + up + "y.csv\n2=" + climbs +
                                       "\n3=" + up + up + up + "tmp/x.csv\n");
  t.write(folder + "/wide.csv", std::string("1\0,\0000\0", 6));
  t.write("1/y.csv", "1,0,4\n");
  t.write("x.csv", "1,0,4\n");
  const files::TempFolder run("tasc-copy-run-");
  const VehicleCopy copy = copyVehicleFolder(t.path() / folder, run.path());
  ASSERT_EQ(copy.warnings.size(), 2u);
  EXPECT_EQ(copy.warnings[0],
            "csvPath.ini entry 0 \"wide.csv\": wide.csv is UTF-16 (little-endian) text, which "
            "the plug-in does not read: save it as ANSI or UTF-8");
  EXPECT_EQ(copy.warnings[1], "csvPath.ini entry 2 \"" + climbs + "\" opens " + climbs +
                                  " beside the vehicle folder but nothing in the run: the run "
                                  "reads the default record for it");
}

}  // namespace
}  // namespace tasc::engine
