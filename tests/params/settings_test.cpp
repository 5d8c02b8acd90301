// TASC.ini read from real files.
#include "params/settings.h"

#include <gtest/gtest.h>

#include "support/vehicle_folder.h"

namespace tasc {
namespace {

struct SettingsCase {
  const char* name;
  const char* file;  // nullptr: no TASC.ini at all
  double b7Dec;
  int32_t formationId;
  bool enableHmPtn;
  SettingSource b7DecSource;
};

TEST(Settings, ReadFromTheFileWithDefaultsAndFallback) {
  using enum SettingSource;
  const SettingsCase cases[] = {
      {"no file", nullptr, 3.36, 1, false, Default},
      {"empty file", "", 3.36, 1, false, Default},
      {"4.2", "[TASCPtn]\nB7Dec=4.2\n", 4.2, 1, false, File},
      {"first 7 characters", "[TASCPtn]\nB7Dec=3.123456789\n", 3.12345, 1, false, File},
      {"unit after the number", "[TASCPtn]\nB7Dec=3.5kmh\n", 3.5, 1, false, File},
      {"decimal comma", "[TASCPtn]\nB7Dec=3,5\n", 3.0, 1, false, File},
      {"empty value falls back", "[TASCPtn]\nB7Dec=\n", 3.36, 1, false, B7DecFallback},
      {"text falls back", "[TASCPtn]\nB7Dec=fast\n", 3.36, 1, false, B7DecFallback},
      {"zero falls back", "[TASCPtn]\nB7Dec=0\n", 3.36, 1, false, B7DecFallback},
      {"negative falls back", "[TASCPtn]\nB7Dec=-2\n", 3.36, 1, false, B7DecFallback},
      {"infinity falls back", "[TASCPtn]\nB7Dec=inf\n", 3.36, 1, false, B7DecFallback},
      {"formation 16", "[TASCPtn]\nFormationID=16\n", 3.36, 16, false, Default},
      {"formation 0 is read, not defaulted", "[TASCPtn]\nFormationID=0\n", 3.36, 0, false, Default},
      {"HmPtn 5 is true", "[HmPtn]\nEnableHmPtn=5\n", 3.36, 1, true, Default},
      {"HmPtn 0 is false", "[HmPtn]\nEnableHmPtn=0\n", 3.36, 1, false, Default},
      {"keys in the wrong section", "[HmPtn]\nB7Dec=4.2\n[TASCPtn]\nEnableHmPtn=1\n", 3.36, 1,
       false, Default},
      {"all three", "[TASCPtn]\r\nB7Dec = 4.2\r\nFormationID = 3\r\n[HmPtn]\r\nEnableHmPtn=1\r\n",
       4.2, 3, true, File},
  };
  for (const auto& c : cases) {
    test::TempFolder folder;
    if (c.file != nullptr) folder.write("TASC.ini", c.file);
    const Settings s = readSettings((folder.path() / "TASC.ini").c_str());
    EXPECT_EQ(s.b7Dec, c.b7Dec) << c.name;
    EXPECT_EQ(s.formationId, c.formationId) << c.name;
    EXPECT_EQ(s.enableHmPtn, c.enableHmPtn) << c.name;
    EXPECT_EQ(s.b7DecSource, c.b7DecSource) << c.name;
  }
}

TEST(Settings, SourcesTellFileFromDefault) {
  test::TempFolder folder;
  folder.write("TASC.ini", "[TASCPtn]\nFormationID=1\n[HmPtn]\n");
  const Settings s = readSettings((folder.path() / "TASC.ini").c_str());
  EXPECT_EQ(s.formationIdSource, SettingSource::File) << "a key holding the default is the file's";
  EXPECT_EQ(s.enableHmPtnSource, SettingSource::Default);
}

TEST(Settings, DirectoryOrEmptyPathCountsAsMissing) {
  test::TempFolder folder;
  std::filesystem::create_directory(folder.path() / "TASC.ini");
  EXPECT_EQ(readSettings((folder.path() / "TASC.ini").c_str()).b7Dec, 3.36);
  EXPECT_EQ(readSettings("").formationId, 1);
  EXPECT_EQ(readSettings(nullptr).formationId, 1);
}

}  // namespace
}  // namespace tasc
