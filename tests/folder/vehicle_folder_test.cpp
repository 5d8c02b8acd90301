// The one reading of a vehicle folder: encodings told apart by their bytes,
// and csvPath.ini entries read, resolved and opened as the plug-in does it,
// Japanese names included.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "files/files.h"
#include "folder/vehicle_folder.h"
#include "support/cases.h"

namespace tasc::folder {
namespace {

namespace fs = std::filesystem;

TEST(VehicleFolder, EncodingsAreToldApartByTheirBytes) {
  for (const test::Case& c : test::readCases("folder/data/encodings.txt")) {
    EXPECT_STREQ(encodingName(sniffEncoding(c.f[1])), c.f[2].c_str()) << c.where;
  }
  EXPECT_EQ(utf16Problem("a.csv", Encoding::Narrow, false), "");
  EXPECT_EQ(utf16Problem("a.csv", Encoding::Utf8Bom, false), "");
  EXPECT_EQ(utf16Problem("a.csv", Encoding::Utf16Le, false),
            "a.csv is UTF-16 (little-endian) text, which the plug-in does not read: save it as "
            "ANSI or UTF-8");
  EXPECT_EQ(utf16Problem("csvPath.ini", Encoding::Utf16Be, true),
            "csvPath.ini is UTF-16 (big-endian) text, which only the Windows build reads, and "
            "only behind a byte-order mark: save it as ANSI or UTF-8");
}

TEST(VehicleFolder, EntriesWithJapaneseNamesOpenAndShowTheirSteps) {
  const files::TempFolder t("tasc-folder-test-");
  const fs::path dir = t.path() / fs::path(u8"車両");
  fs::create_directories(dir / fs::path(u8"予備"));
  fs::create_directories(dir / fs::path(u8"パラメータ"));
  ASSERT_TRUE(files::writeWholeFile(dir / fs::path(u8"予備/表定.csv"), "1,0,4\n"));
  ASSERT_TRUE(files::writeWholeFile(dir / fs::path(u8"パラメータ/快速.csv"), "2,0,3\n"));
  ASSERT_TRUE(files::writeWholeFile(
      dir / "csvPath.ini",
      "[ParamData]\n0=パラメータ\\快速.csv\n1=予備\\表定.csv\n2=無い.csv\n3=NULL\n"));
  const VehicleList list = readList(dir);
  ASSERT_EQ(list.entries.size(), 3u);
  const struct {
    int index;
    std::string path;
    bool opens;
    std::string bytes;
  } expected[] = {
      {0, "パラメータ/快速.csv", true, "2,0,3\n"},
      {1, "予備/表定.csv", true, "1,0,4\n"},
      {2, "無い.csv", false, ""},
  };
  for (std::size_t i = 0; i < list.entries.size(); ++i) {
    const ListEntry& e = list.entries[i];
    EXPECT_EQ(e.index, expected[i].index);
    EXPECT_EQ(e.path, expected[i].path) << e.index;
    EXPECT_EQ(e.opens, expected[i].opens) << e.index;
    EXPECT_EQ(e.bytes, expected[i].bytes) << e.index;
  }
  EXPECT_EQ(list.entries[1].file, (dir / fs::path(u8"予備/表定.csv")).lexically_normal());
}

}  // namespace
}  // namespace tasc::folder
