// The copy of a vehicle folder that a module copy runs from: the lists keep
// every byte, each parameter file lies where its entry finds it, also above
// the folder, and what the copy would read differently is said.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "engine/vehicle_copy.h"
#include "files/files.h"

namespace tasc::engine {
namespace {

namespace fs = std::filesystem;

void write(const fs::path& file, const std::string& text) {
  fs::create_directories(file.parent_path());
  ASSERT_TRUE(files::writeWholeFile(file, text)) << file;
}

// The relative entries were made absolute in the copy, which changed the
// entries' bytes (and broke the Shift-JIS ones on Windows).
TEST(VehicleCopy, ListsKeepTheirBytesAndEntriesFindTheirFiles) {
  const files::TempFolder t("tasc-copy-test-");
  const fs::path vehicle = t.path() / "trains" / fs::path(u8"車両") / "plugin";
  const std::string list =
      "; comment kept\r\n[ParamData]\r\n0 = \"予備\\表定.csv\"\r\n1=..\\共通\\快速.csv\r\n"
      "2=sub/../a.csv\r\n3=missing.csv\r\n";
  write(vehicle / "csvPath.ini", list);
  write(vehicle / "TASC.ini", "[TASCPtn]\r\nB7Dec=3.6\r\n");
  write(vehicle / fs::path(u8"予備/表定.csv"), "1,0,4\n");
  write(vehicle.parent_path() / fs::path(u8"共通/快速.csv"), "2,0,3\n");
  write(vehicle / "a.csv", "3,0,2\n");
  const files::TempFolder run("tasc-copy-run-");
  const VehicleCopy copy = copyVehicleFolder(vehicle, run.path());
  // One step above the folder is climbed: the copy keeps the folder's name.
  EXPECT_EQ(copy.folder, run.path() / "plugin");
  EXPECT_EQ(files::readWholeFile(copy.folder / "csvPath.ini"), list);
  EXPECT_EQ(files::readWholeFile(copy.folder / "TASC.ini"), "[TASCPtn]\r\nB7Dec=3.6\r\n");
  const struct {
    fs::path relative;
    std::string bytes;
  } files[] = {
      {fs::path(u8"予備/表定.csv"), "1,0,4\n"},
      {fs::path(u8"../共通/快速.csv"), "2,0,3\n"},
      {"a.csv", "3,0,2\n"},
  };
  for (const auto& f : files) {
    EXPECT_EQ(files::readWholeFile((copy.folder / f.relative).lexically_normal()), f.bytes)
        << f.relative;
  }
  EXPECT_EQ(copy.files.size(), 3u);
  EXPECT_TRUE(copy.warnings.empty()) << copy.warnings.front();
}

TEST(VehicleCopy, WhatTheCopyReadsDifferentlyIsSaid) {
  const files::TempFolder t("tasc-copy-test-");
  const fs::path vehicle = t.path() / "v";
  // Entry 0 names a UTF-16 file; entry 1 climbs above the file system's root.
  std::string ups;
  for (int i = 0; i < 40; ++i) ups += "../";
  write(vehicle / "csvPath.ini", "[ParamData]\n0=wide.csv\n1=" + ups + "tmp/x.csv\n");
  write(vehicle / "wide.csv", std::string("1\0,\0000\0", 6));
  const files::TempFolder run("tasc-copy-run-");
  const VehicleCopy copy = copyVehicleFolder(vehicle, run.path());
  ASSERT_FALSE(copy.warnings.empty());
  EXPECT_EQ(copy.warnings.front(),
            "csvPath.ini entry 0 \"wide.csv\": wide.csv is UTF-16 (little-endian) text, which "
            "the plug-in does not read: save it as ANSI or UTF-8");
}

}  // namespace
}  // namespace tasc::engine
