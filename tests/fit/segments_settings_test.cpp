// What a fit reads and writes. The stops a fit can use and the one-line reason
// for each it cannot: hand-made recordings of one stop each, built phase by
// phase at 60 frames/s. The fitted B7Dec written into TASC.ini: only the
// value's bytes change, the key edited is the one the plug-in reads, the
// plug-in's own settings reader reads the written value back whole, and the
// first original is never lost.
#include "fit/settings_edit.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "files/files.h"
#include "fit/fit_output.h"
#include "fit/segments.h"
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

// A stretch of frames with the handles the plug-in returned.
struct Phase {
  int32_t ms;
  int32_t brake;  // notch as returned (9: this 8-notch vehicle's emergency brake)
  int32_t power;
  bool jump = false;    // the host's time steps back at the phase's first frame
  bool moving = false;  // the recording ends before the standstill (on the last phase)
  int32_t stepMs = 0;   // the frames' step; 0: 16 and 17 ms, 60 frames/s
};

// The phases' frames, the speed falling from 40 km/h to the last frame, which
// stands (a stop) unless the last phase is marked moving.
recording::Recording build(const std::vector<Phase>& phases) {
  recording::Recording r;
  r.vehicle = std::array<int32_t, 5>{8, 4, 8, 8, 1};
  int32_t time = 10000;
  for (const Phase& p : phases) {
    for (int32_t t = 0; t < p.ms;) {
      recording::FrameRow f;
      f.stepMs = r.frames.empty() ? 0 : p.stepMs > 0 ? p.stepMs : (time % 50 == 0 ? 16 : 17);
      if (p.jump && t == 0) f.stepMs = -5000;
      time += f.stepMs;
      t += f.stepMs > 0 ? f.stepMs : 17;  // (the first frame counts as a step)
      f.timeMs = time;
      f.handles = {p.brake, p.power, 1, 0};
      r.frames.push_back(f);
    }
  }
  for (std::size_t k = 0; k < r.frames.size(); ++k) {
    r.frames[k].speed = 40.0f * static_cast<float>(r.frames.size() - 1 - k) /
                        static_cast<float>(r.frames.size() - 1);
  }
  if (phases.back().moving) r.frames.pop_back();
  return r;
}

// "MS/BRAKE/POWER[/jump][/moving][@STEP] ...": see data/segments.txt.
std::vector<Phase> phases(const std::string& text) {
  std::vector<Phase> out;
  std::istringstream words(text);
  for (std::string w; words >> w;) {
    Phase p{};
    std::sscanf(w.c_str(), "%d/%d/%d", &p.ms, &p.brake, &p.power);
    p.jump = w.find("/jump") != std::string::npos;
    p.moving = w.find("/moving") != std::string::npos;
    if (const std::size_t at = w.find('@'); at != std::string::npos)
      p.stepMs = std::stoi(w.substr(at + 1));
    out.push_back(p);
  }
  return out;
}

TEST(Segments, EachStopUsedOrLeftOutWithItsReason) {
  for (const test::Case& c : test::readCases("fit/data/segments.txt")) {
    std::vector<std::string> notes;
    const std::vector<Segment> s = brakingSegments(build(phases(c.f[1])), "rec.csv", notes);
    if (c.f[2].empty()) {
      EXPECT_EQ(notes, std::vector<std::string>{}) << c.where;
      ASSERT_EQ(s.size(), 1u) << c.where;
      EXPECT_EQ(s[0].stop, 1) << c.where;
      EXPECT_EQ(s[0].underPower(), c.f[3] == "1") << c.where;
      EXPECT_NEAR(s[0].timeMs[s[0].brakeFrom], std::stoi(c.f[4]), 17) << c.where;
      EXPECT_EQ(s[0].speed.back(), 0.0) << c.where;
      EXPECT_EQ(s[0].brake[s[0].brakeFrom], 0) << c.where;
    } else {
      EXPECT_TRUE(s.empty()) << c.where;
      ASSERT_EQ(notes.size(), 1u) << c.where;
      EXPECT_EQ(notes[0].rfind("rec.csv: " + c.f[2], 0), 0u) << c.where << ": " << notes[0];
    }
  }
}

}  // namespace
}  // namespace tasc::fit
