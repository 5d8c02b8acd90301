// The one reading of a vehicle folder: encodings told apart by their bytes,
// and csvPath.ini entries read, resolved and opened as the plug-in does it,
// Japanese names included.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "folder/vehicle_folder.h"
#include "support/cases.h"
#include "support/vehicle_folder.h"

namespace tasc::folder {
namespace {

namespace fs = std::filesystem;

TEST(VehicleFolder, EncodingsAreToldApartByTheirBytes) {
  for (const test::Case& c : test::readCases("folder/data/encodings.txt")) {
    EXPECT_STREQ(encodingName(sniffEncoding(c.f[1])), c.f[2].c_str()) << c.where;
  }
  // (Narrow, UTF-8 and little-endian files: tasc_check's folders, clean, broken_params, traps.)
  EXPECT_EQ(utf16Problem("csvPath.ini", Encoding::Utf16Be, true),
            "csvPath.ini is UTF-16 (big-endian) text, which only the Windows build reads, and "
            "only behind a byte-order mark: save it as ANSI or UTF-8");
}

TEST(VehicleFolder, EntriesWithJapaneseNamesOpenAndShowTheirSteps) {
  const test::TempFolder t;
  const fs::path dir = t.path() / fs::path(u8"車両");
  t.write("車両/予備/表定.csv", "1,0,4\n");
  t.write("車両/パラメータ/快速.csv", "2,0,3\n");
  t.write("車両/csvPath.ini",
          "[ParamData]\n0=パラメータ\\快速.csv\n1=予備\\表定.csv\n2=無い.csv\n3=NULL\n");
  const VehicleList list = readList(dir);
  std::string entries;  // index, path as shown, whether it opens, its bytes
  for (const ListEntry& e : list.entries) {
    entries +=
        std::to_string(e.index) + " " + e.path + (e.opens ? " opens " : " missing ") + e.bytes;
  }
  EXPECT_EQ(entries,
            "0 パラメータ/快速.csv opens 2,0,3\n1 予備/表定.csv opens 1,0,4\n2 無い.csv missing ");
  EXPECT_EQ(list.entries.at(1).file, (dir / fs::path(u8"予備/表定.csv")).lexically_normal());
}

}  // namespace
}  // namespace tasc::folder
