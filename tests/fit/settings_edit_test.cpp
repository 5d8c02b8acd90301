// The fitted B7Dec written into TASC.ini: only the value's bytes change, the
// key edited is the one the plug-in reads, the plug-in's own settings reader
// reads the written value back whole, and the first original is never lost.
#include "fit/settings_edit.h"

#include <gtest/gtest.h>

#include <string>

#include "files/files.h"
#include "fit/fit_output.h"
#include "plugin/settings.h"
#include "readers/numbers.h"
#include "support/cases.h"
#include "support/vehicle_folder.h"

namespace tasc::fit {
namespace {

namespace fs = std::filesystem;

// What the plug-in reads as B7Dec from `ini`.
double pluginB7Dec(const std::string& ini) {
  test::TempFolder folder;
  const fs::path file = folder.write("TASC.ini", ini);
  const Settings s = readSettings(file.string().c_str());
  return s.b7DecSource == SettingSource::File ? s.b7Dec : -1.0;
}

// The rows of data/settings_edit.txt.
TEST(SettingsEdit, OnlyTheValueThePluginReadsChanges) {
  for (const test::Case& c : test::readCases("fit/data/settings_edit.txt")) {
    const B7DecChange change = setB7Dec(c.f[1], "3.1001");
    EXPECT_EQ(change.text, c.f[2]) << c.where;
    EXPECT_EQ(b7DecEditName(change.edit), c.f[3]) << c.where;
    EXPECT_EQ(change.line, std::stoi(c.f[4])) << c.where;
    EXPECT_EQ(pluginB7Dec(change.text), 3.1001) << c.where;
  }
}

// The plug-in reads 7 characters of B7Dec: every value a fit can give is
// written so that they hold it whole, as vehicle.toml has it.
TEST(SettingsEdit, WrittenValueReadsBackWholeThroughThePluginsReader) {
  for (const test::Case& c : test::readCases("fit/data/b7dec_text.txt")) {
    const double fitted = std::stod(c.f[0]);
    const std::string text = b7DecText(fitted);
    EXPECT_EQ(text, c.f[1]) << c.where;
    const double read = pluginB7Dec(setB7Dec("[TASCPtn]\nB7Dec = 1\n", text).text);
    EXPECT_EQ(read, parseAtof(c.f[1])) << c.where;
    EXPECT_NEAR(read, fitted, 0.00005) << c.where;
  }
}

TEST(SettingsEdit, SecondWriteKeepsTheFirstOriginal) {
  test::TempFolder folder;
  const std::string original = "; the author's own\r\n[TASCPtn]\r\nB7Dec = 3.36\r\n";
  folder.write("TASC.ini", original);
  EXPECT_EQ(writeB7Dec(folder.path(), "3.1001").edit, B7DecEdit::Replaced);
  EXPECT_EQ(writeB7Dec(folder.path(), "3.2").edit, B7DecEdit::Replaced);
  EXPECT_EQ(files::readWholeFile(folder.path() / "TASC.ini.bak"), original);
  EXPECT_EQ(files::readWholeFile(folder.path() / "TASC.ini"),
            "; the author's own\r\n[TASCPtn]\r\nB7Dec = 3.2\r\n");
  EXPECT_EQ(writeB7Dec(folder.path(), "3.2000").edit, B7DecEdit::Unchanged);
  EXPECT_EQ(files::readWholeFile(folder.path() / "TASC.ini.bak"), original);
  // No temporary file left.
  EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 2);

  test::TempFolder bare;  // no TASC.ini: a new one, nothing to keep
  EXPECT_EQ(writeB7Dec(bare.path(), "3.1001").edit, B7DecEdit::SectionAdded);
  EXPECT_EQ(files::readWholeFile(bare.path() / "TASC.ini"), "[TASCPtn]\r\nB7Dec = 3.1001\r\n");
  EXPECT_FALSE(fs::exists(bare.path() / "TASC.ini.bak"));
}

TEST(SettingsEdit, UnreadableOrUnwritableThrowsAndKeepsWhatWasThere) {
  test::TempFolder folder;
  folder.write("TASC.ini", "[TASCPtn]\nB7Dec = 3.36\n");
  fs::create_directory(folder.path() / "TASC.ini.tmp");  // the temporary file cannot be made
  EXPECT_THROW(writeB7Dec(folder.path(), "3.1001"), OutputError);
  EXPECT_EQ(files::readWholeFile(folder.path() / "TASC.ini"), "[TASCPtn]\nB7Dec = 3.36\n");

  test::TempFolder odd;  // a TASC.ini that is a folder: no empty backup of it
  fs::create_directory(odd.path() / "TASC.ini");
  EXPECT_THROW(writeB7Dec(odd.path(), "3.1001"), OutputError);
  EXPECT_FALSE(fs::exists(odd.path() / "TASC.ini.bak"));
}

}  // namespace
}  // namespace tasc::fit
