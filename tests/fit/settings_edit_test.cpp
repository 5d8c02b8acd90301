// The fitted B7Dec written into TASC.ini: only the value's bytes change, the
// key edited is the one the plug-in reads, the plug-in's own settings reader
// reads the written value back whole, and the first original is never lost.
#include "fit/settings_edit.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "fit/fit_output.h"
#include "plugin/settings.h"
#include "readers/numbers.h"
#include "support/vehicle_folder.h"

namespace tasc::fit {
namespace {

namespace fs = std::filesystem;

std::string contents(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// What the plug-in reads as B7Dec from `ini`.
double pluginB7Dec(const std::string& ini) {
  test::TempFolder folder;
  const fs::path file = folder.write("TASC.ini", ini);
  const Settings s = readSettings(file.string().c_str());
  return s.b7DecSource == SettingSource::File ? s.b7Dec : -1.0;
}

TEST(SettingsEdit, OnlyTheValueThePluginReadsChanges) {
  const struct {
    const char* name;
    const char* before;
    const char* after;
    B7DecEdit edit;
    int32_t line;
  } cases[] = {
      {"value", "; mine\n[TASCPtn]\nB7Dec = 3.36\nFormationID = 2\n",
       "; mine\n[TASCPtn]\nB7Dec = 3.1001\nFormationID = 2\n", B7DecEdit::Replaced, 3},
      {"CRLF, byte-order mark, case, spaces, a section before",
       "\xEF\xBB\xBF[HmPtn]\r\nEnableHmPtn=1\r\n[tascptn]\r\n  b7dec=3.36  \r\n",
       "\xEF\xBB\xBF[HmPtn]\r\nEnableHmPtn=1\r\n[tascptn]\r\n  b7dec=3.1001  \r\n",
       B7DecEdit::Replaced, 4},
      {"quoted", "[TASCPtn]\nB7Dec = \"3.36\"\n", "[TASCPtn]\nB7Dec = \"3.1001\"\n",
       B7DecEdit::Replaced, 2},
      {"empty value", "[TASCPtn]\nB7Dec =\nFormationID = 1",
       "[TASCPtn]\nB7Dec = 3.1001\nFormationID = 1", B7DecEdit::Replaced, 2},
      {"key without '=' hides a later one", "[TASCPtn]\nB7Dec\nB7Dec = 4\n",
       "[TASCPtn]\nB7Dec = 3.1001\nB7Dec = 4\n", B7DecEdit::Replaced, 2},
      {"the first key of the first section", "[TASCPtn]\nB7Dec=5\nB7Dec=6\n[TASCPtn]\nB7Dec=7\n",
       "[TASCPtn]\nB7Dec=3.1001\nB7Dec=6\n[TASCPtn]\nB7Dec=7\n", B7DecEdit::Replaced, 2},
      {"key missing: after the section's last line, comments after it stay",
       "[TASCPtn]\r\n; B7Dec = 9\r\nFormationID = 1\r\n; about HmPtn\r\n\r\n[HmPtn]\r\n",
       "[TASCPtn]\r\n; B7Dec = 9\r\nFormationID = 1\r\nB7Dec = 3.1001\r\n; about HmPtn\r\n\r\n"
       "[HmPtn]\r\n",
       B7DecEdit::KeyAdded, 4},
      {"key missing in the first section, present in a second",
       "[TASCPtn]\n[X]\n[TASCPtn]\nB7Dec = 4\n",
       "[TASCPtn]\nB7Dec = 3.1001\n[X]\n[TASCPtn]\nB7Dec = 4\n", B7DecEdit::KeyAdded, 2},
      {"key missing, no line end at the end", "[TASCPtn]", "[TASCPtn]\r\nB7Dec = 3.1001",
       B7DecEdit::KeyAdded, 2},
      {"section missing", "[HmPtn]\nEnableHmPtn = 1\n",
       "[HmPtn]\nEnableHmPtn = 1\n[TASCPtn]\nB7Dec = 3.1001\n", B7DecEdit::SectionAdded, 4},
      {"section missing, no line end at the end", "[HmPtn]\r\nEnableHmPtn = 1",
       "[HmPtn]\r\nEnableHmPtn = 1\r\n[TASCPtn]\r\nB7Dec = 3.1001\r\n", B7DecEdit::SectionAdded, 4},
      {"empty file", "", "[TASCPtn]\r\nB7Dec = 3.1001\r\n", B7DecEdit::SectionAdded, 2},
      {"already that value", "[TASCPtn]\nB7Dec = 3.100100 ; fitted\n",
       "[TASCPtn]\nB7Dec = 3.100100 ; fitted\n", B7DecEdit::Unchanged, 2},
  };
  for (const auto& c : cases) {
    const B7DecChange change = setB7Dec(c.before, "3.1001");
    EXPECT_EQ(change.text, c.after) << c.name;
    EXPECT_EQ(b7DecEditName(change.edit), b7DecEditName(c.edit)) << c.name;
    EXPECT_EQ(change.line, c.line) << c.name;
    EXPECT_EQ(pluginB7Dec(change.text), 3.1001) << c.name;
  }
}

// The plug-in reads 7 characters of B7Dec: every value a fit can give is
// written so that they hold it whole, as vehicle.toml has it.
TEST(SettingsEdit, WrittenValueReadsBackWholeThroughThePluginsReader) {
  const struct {
    double fitted;
    const char* text;
  } cases[] = {{0.3, "0.3000"},      {3.1, "3.1000"},      {3.100049, "3.1000"},
               {3.100051, "3.1001"}, {9.99996, "10.0000"}, {12.0, "12.0000"}};
  for (const auto& c : cases) {
    const std::string text = b7DecText(c.fitted);
    EXPECT_EQ(text, c.text) << c.fitted;
    const double read = pluginB7Dec(setB7Dec("[TASCPtn]\nB7Dec = 1\n", text).text);
    EXPECT_EQ(read, parseAtof(c.text)) << c.fitted;
    EXPECT_NEAR(read, c.fitted, 0.00005) << c.fitted;
  }
}

TEST(SettingsEdit, SecondWriteKeepsTheFirstOriginal) {
  test::TempFolder folder;
  const std::string original = "; the author's own\r\n[TASCPtn]\r\nB7Dec = 3.36\r\n";
  folder.write("TASC.ini", original);
  EXPECT_EQ(writeB7Dec(folder.path(), "3.1001").edit, B7DecEdit::Replaced);
  EXPECT_EQ(writeB7Dec(folder.path(), "3.2").edit, B7DecEdit::Replaced);
  EXPECT_EQ(contents(folder.path() / "TASC.ini.bak"), original);
  EXPECT_EQ(contents(folder.path() / "TASC.ini"),
            "; the author's own\r\n[TASCPtn]\r\nB7Dec = 3.2\r\n");
  EXPECT_EQ(writeB7Dec(folder.path(), "3.2000").edit, B7DecEdit::Unchanged);
  EXPECT_EQ(contents(folder.path() / "TASC.ini.bak"), original);
  std::size_t files = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(folder.path())) ++files;
  EXPECT_EQ(files, 2u);  // no temporary file left

  test::TempFolder bare;  // no TASC.ini: a new one, nothing to keep
  EXPECT_EQ(writeB7Dec(bare.path(), "3.1001").edit, B7DecEdit::SectionAdded);
  EXPECT_EQ(contents(bare.path() / "TASC.ini"), "[TASCPtn]\r\nB7Dec = 3.1001\r\n");
  EXPECT_FALSE(fs::exists(bare.path() / "TASC.ini.bak"));
}

TEST(SettingsEdit, UnreadableOrUnwritableThrowsAndKeepsWhatWasThere) {
  test::TempFolder folder;
  folder.write("TASC.ini", "[TASCPtn]\nB7Dec = 3.36\n");
  fs::create_directory(folder.path() / "TASC.ini.tmp");  // the temporary file cannot be made
  EXPECT_THROW(writeB7Dec(folder.path(), "3.1001"), OutputError);
  EXPECT_EQ(contents(folder.path() / "TASC.ini"), "[TASCPtn]\nB7Dec = 3.36\n");

  test::TempFolder odd;  // a TASC.ini that is a folder: no empty backup of it
  fs::create_directory(odd.path() / "TASC.ini");
  EXPECT_THROW(writeB7Dec(odd.path(), "3.1001"), OutputError);
  EXPECT_FALSE(fs::exists(odd.path() / "TASC.ini.bak"));
}

}  // namespace
}  // namespace tasc::fit
