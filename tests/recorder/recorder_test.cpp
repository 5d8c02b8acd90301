// The recording module as a host sees it: loaded by path from a vehicle folder
// with the plug-in beside it, every call forwarded unchanged and recorded.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <limits>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "recorder/row_queue.h"
#include "recording/reader.h"
#include "support/vehicle_folder.h"

namespace tasc::test {
namespace {

namespace fs = std::filesystem;
using recording::EndReason;
using recording::EventKind;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

// What the host sees of one frame: the handle record and the two arrays.
struct Seen {
  HandleRecord handles{};
  std::vector<int32_t> panel, sound;
  bool operator==(const Seen& o) const {
    return std::memcmp(&handles, &o.handles, sizeof handles) == 0 && panel == o.panel &&
           sound == o.sound;
  }
};

// A run that reaches every export: an approach with a stopping beacon and a
// file switch, odd states (NaN and negative speed, time going back, raw bits
// at 16..39), handles, keys, and two runs.
std::vector<Seen> drive(LoadedPlugin& p) {
  const PluginApi& api = p.api();
  std::vector<Seen> seen;
  auto frame = [&](float speed, int32_t time, double location = 0.0) {
    VehicleStateRecord s = makeState(speed, time);
    s.location = location;
    s.reserved[2] = -1.5f;
    s.reserved[5] = kNaN;
    const HandleRecord h = api.Elapse(s, p.mutablePanel(), const_cast<int32_t*>(p.sound()));
    seen.push_back({h, {p.panel(), p.panel() + 256}, {p.sound(), p.sound() + 256}});
  };
  api.Load();
  api.GetPluginVersion();
  api.SetVehicleSpec(VehicleSpecRecord{8, 5, 0, 0, 6});
  for (int run = 0; run < 2; ++run) {
    api.Initialize(run);
    api.SetReverser(1);
    api.SetBrake(0);
    api.SetPower(3);
    int32_t t = 1000 + run * 100000;
    for (int i = 0; i < 40; ++i) frame(60.0f, t += 16, 100.0 + i);
    api.SetBeaconData(BeaconRecord{503, 2, 12.5f, (1 << 15) | (1 << 6)});
    for (float v = 60.0f; v > 0.0f; v -= 0.25f) frame(v, t += 16, 500.0 + v);
    api.SetKeyState(0x55, 1);
    frame(kNaN, t += 16);
    frame(-3.0f, t -= 500);
    api.SetKeyState(0x55, 0);
    api.KeyDown(4);
    api.KeyUp(4);
    api.HornBlow(1);
    api.DoorOpen();
    api.DoorClose();
    api.SetSignal(2);
    for (int i = 0; i < 100; ++i) frame(0.0f, t += 16);
  }
  api.Dispose();
  return seen;
}

// The handle record as "brake power reverser constantSpeed".
std::string handles(const HandleRecord& h) {
  return std::to_string(h.brake) + " " + std::to_string(h.power) + " " +
         std::to_string(h.reverser) + " " + std::to_string(h.constantSpeed);
}

std::string fileText(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A vehicle folder with the example's files.
class Recorder : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::copy(TASC_SOURCE_DIR "/examples/vehicle", folder.path(), fs::copy_options::recursive);
  }

  // The recorder and the plug-in beside it, loaded from the folder.
  LoadedPlugin& loadRecorder(bool withPlugin = true) {
    if (withPlugin) fs::copy_file(pluginModulePath(), folder.path() / "TASC.so");
    recorder.emplace(folder.path(), "TASCRec.so", recorderModulePath());
    return *recorder;
  }
  std::vector<fs::path> recordings() const {
    std::vector<fs::path> files;
    const fs::path dir = folder.path() / "records";
    if (fs::exists(dir)) {
      for (const auto& e : fs::directory_iterator(dir)) files.push_back(e.path());
    }
    std::sort(files.begin(), files.end());
    return files;
  }
  recording::Recording read(const fs::path& file) {
    recording::ReadResult r = recording::readRecordingFile(file);
    EXPECT_TRUE(r.ok) << r.message;
    return r.recording;
  }

  TempFolder folder;
  std::optional<LoadedPlugin> recorder;
};

TEST_F(Recorder, HostSeesTheSameFramesBitForBit) {
  TempFolder alone;
  fs::copy(folder.path(), alone.path(), fs::copy_options::recursive);
  LoadedPlugin plugin(alone.path());
  const std::vector<Seen> expected = drive(plugin);
  const std::vector<Seen> got = drive(loadRecorder());
  ASSERT_EQ(got.size(), expected.size());
  for (std::size_t i = 0; i < got.size(); ++i) ASSERT_TRUE(got[i] == expected[i]) << "frame " << i;
  // The plug-in did command: the comparison is not between two idle modules.
  EXPECT_TRUE(std::any_of(got.begin(), got.end(),
                          [](const Seen& s) { return s.handles.constantSpeed == 2; }));

  // One recording per run, each whole, the frames as the host passed them.
  const std::vector<fs::path> files = recordings();
  ASSERT_EQ(files.size(), 2u);
  const recording::Recording first = read(files[0]);
  EXPECT_EQ(first.end, EndReason::NextInitialize);
  EXPECT_EQ(read(files[1]).end, EndReason::Dispose);
  ASSERT_EQ(first.frames.size(), expected.size() / 2);
  for (std::size_t i = 0; i < first.frames.size(); ++i) {
    const recording::FrameRow& f = first.frames[i];
    EXPECT_EQ(f.handles[3], expected[i].handles.constantSpeed) << i;
    EXPECT_EQ(f.panel[1], expected[i].panel[86]) << i;
  }
  const recording::FrameRow& nanFrame = first.frames[first.frames.size() - 102];
  EXPECT_TRUE(std::isnan(nanFrame.speed));
  uint32_t bits = 0;
  std::memcpy(&bits, &kNaN, sizeof bits);
  EXPECT_EQ(nanFrame.reserved[5], bits);
  EXPECT_EQ(first.frames[first.frames.size() - 101].stepMs, -500) << "time went back";
  // Entries 0 and 1 of the example's list, both copied.
  ASSERT_EQ(first.files.size(), 4u);
  EXPECT_EQ(first.files[3].index, 1);
  EXPECT_EQ(first.files[3].name, "params/rapid.csv");
}

// The recorder without a usable plug-in: a plug-in that never commands.
struct AbsentCase {
  const char* name;
  const char* pluginFile;  // written as TASC.so; null: none
  bool stub;               // the stub module, which lacks exports
  const char* reason;      // part of the recorded reason
};

class AbsentPlugin : public Recorder, public ::testing::WithParamInterface<AbsentCase> {};

TEST_P(AbsentPlugin, DriverHandlesPassAndTheRecordingSaysWhy) {
  const AbsentCase& c = GetParam();
  if (c.pluginFile) folder.write("TASC.so", c.pluginFile);
  if (c.stub) fs::copy_file(TASC_STUB_PLUGIN_PATH, folder.path() / "TASC.so");
  LoadedPlugin& p = loadRecorder(false);
  const PluginApi& api = p.api();
  EXPECT_EQ(api.GetPluginVersion(), kPluginVersion);
  api.SetVehicleSpec(VehicleSpecRecord{8, 5, 0, 0, 6});
  api.Initialize(0);
  api.SetBeaconData(BeaconRecord{503, 0, 0.0f, 1 << 6});
  p.mutablePanel()[85] = 7;
  // The driver's brake starts at the notch count.
  EXPECT_EQ(handles(p.frame(60.0f, 16)), "8 0 1 0");
  api.SetPower(4);
  api.SetBrake(2);
  EXPECT_EQ(handles(p.frame(60.0f, 32)), "2 4 1 0");
  EXPECT_EQ(p.panel()[85], 7) << "the panel is the plug-in's to write";
  api.Dispose();
  const std::vector<fs::path> files = recordings();
  ASSERT_EQ(files.size(), 1u);
  const recording::Recording r = read(files[0]);
  EXPECT_TRUE(!r.pluginLoaded && !r.pluginVersion && r.frames.size() == 2u);
  EXPECT_NE(r.absentReason.find(c.reason), std::string::npos) << r.absentReason;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AbsentPlugin,
    ::testing::Values(AbsentCase{"Missing", nullptr, false, "no plug-in file at"},
                      AbsentCase{"NotAModule", "not a shared object", false, "did not load"},
                      AbsentCase{"LacksAnExport", nullptr, true, "lacks the export Dispose"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Recorder, OnlyTheEntryPointsLeaveTheModule) {
  LoadedPlugin& p = loadRecorder();
  EXPECT_NE(p.symbol("SetKeyState"), nullptr);
  // Inline parts of the standard library must not leave it either.
  EXPECT_EQ(p.symbol("_ZZNSt8__detail18__to_chars_10_implImEEvPcjT_E8__digits"), nullptr);
  EXPECT_EQ(p.symbol("_ZN4tasc8recorder6attachEv"), nullptr);
}

TEST_F(Recorder, PluginNamedInTheSettingsFileIsLoaded) {
  fs::copy_file(pluginModulePath(), folder.path() / "other.so");
  folder.write("TASCRec.ini", "[Recorder]\nPlugin=other.so\n");
  LoadedPlugin& p = loadRecorder(false);
  p.api().Initialize(0);
  p.api().Dispose();
  const recording::Recording r = read(recordings().at(0));
  EXPECT_TRUE(r.pluginLoaded) << r.absentReason;
  EXPECT_EQ(fs::path(r.pluginPath).filename(), "other.so");
}

// Runs started within the same second get their own files, and a file that is
// there already is never opened: the first name of each of the next seconds is
// taken before the runs.
TEST_F(Recorder, NeverOverwritesARecording) {
  std::vector<fs::path> taken;
  const std::time_t now = std::time(nullptr);
  for (std::time_t t = now; t < now + 5; ++t) {
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "records/%Y%m%d-%H%M%S-1.csv", std::localtime(&t));
    taken.push_back(folder.write(stamp, "keep"));
  }
  LoadedPlugin& p = loadRecorder();
  for (int run = 0; run < 3; ++run) {
    p.api().Initialize(run);
    p.frame(10.0f, 16 * run);
  }
  p.api().Dispose();
  std::vector<fs::path> files;
  for (const fs::path& f : recordings()) {
    if (std::find(taken.begin(), taken.end(), f) == taken.end()) files.push_back(f);
  }
  ASSERT_EQ(files.size(), 3u);
  std::vector<int32_t> modes;
  for (const fs::path& f : files) {
    EXPECT_TRUE(std::regex_match(f.filename().string(), std::regex(R"(\d{8}-\d{6}-\d+\.csv)")))
        << f;
    modes.push_back(read(f).initializeMode.value_or(-1));
  }
  std::sort(modes.begin(), modes.end());
  EXPECT_EQ(modes, (std::vector<int32_t>{0, 1, 2}));
  for (const fs::path& f : taken) EXPECT_EQ(fileText(f), "keep") << f;
}

// The writer thread is woken by the ring filling too, not only by the host's
// clock: a clock that stands still for more frames than the ring holds loses
// none. A module unloaded without Dispose stops its writer thread and writes
// the last rows.
TEST_F(Recorder, ClockStandingStillThenUnloadWithoutDisposeLosesNoRow) {
  LoadedPlugin& p = loadRecorder();
  p.api().Initialize(0);
  constexpr int kFrames = 40000;  // over twice the ring
  for (int i = 0; i < kFrames; ++i) p.frame(0.0f, 5000);
  recorder.reset();
  const recording::Recording r = read(recordings().at(0));
  EXPECT_EQ(r.frames.size(), std::size_t{kFrames});
  EXPECT_EQ(r.end, EndReason::Detach);
}

TEST(RowQueue, KeepsOrderAcrossTheWrapAndRefusesWhenFull) {
  static recorder::RowQueue<int, 4> q;
  int out = 0;
  for (int round = 0; round < 3; ++round) {
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(q.push(10 * round + i));
    EXPECT_FALSE(q.push(99)) << "full: the row is refused, none is overwritten";
    EXPECT_EQ(q.size(), 4u);
    for (int i = 0; i < 4; ++i) {
      ASSERT_TRUE(q.pop(out));
      EXPECT_EQ(out, 10 * round + i);
    }
    EXPECT_FALSE(q.pop(out));
  }
}

// A records folder that cannot be made: nothing is recorded, the calls are
// forwarded all the same.
TEST_F(Recorder, UnwritableRecordsFolderRecordsNothingAndForwards) {
  folder.write("records", "a file where the folder should be");
  LoadedPlugin& p = loadRecorder();
  p.api().SetVehicleSpec(VehicleSpecRecord{8, 5, 0, 0, 6});
  p.api().Initialize(0);
  p.frame(40.0f, 16);
  p.api().SetBeaconData(BeaconRecord{502, 0, 0.0f, 1 << 6});
  p.frame(40.0f, 32);
  EXPECT_EQ(p.panel()[86], 1) << "the beacon reached the plug-in";
  p.api().Dispose();
  EXPECT_TRUE(fs::is_regular_file(folder.path() / "records"));
}

// The whole recording of a short call script, against a file kept in the
// sources (paths and the start time replaced). TASC_UPDATE_GOLDEN=1 rewrites it.
TEST_F(Recorder, ShortRunMatchesTheGoldenRecording) {
  folder.write("TASC.ini", "[TASCPtn]\r\nB7Dec=3.2\r\n");
  folder.write("csvPath.ini", "[ParamData]\n0=p.csv\n5=sub\\missing.csv\n");
  folder.write("p.csv", "1,0,3.5");
  LoadedPlugin& p = loadRecorder();
  const PluginApi& api = p.api();
  api.Load();
  api.GetPluginVersion();
  api.SetVehicleSpec(VehicleSpecRecord{8, 5, 0, 0, 6});
  api.Initialize(1);
  api.SetReverser(1);
  api.SetBrake(0);
  api.SetPower(3);
  VehicleStateRecord s = makeState(50.0f, 1000);
  s.location = 1234.5678901234567;
  s.reserved[0] = 0.1f;
  p.api().Elapse(s, p.mutablePanel(), nullptr);
  api.SetBeaconData(BeaconRecord{503, -1, 149.045f, 0x40});
  p.frame(49.875f, 1016);
  api.SetKeyState(0x55, 1);
  api.KeyDown(0);
  api.KeyUp(0);
  api.HornBlow(1);
  api.DoorOpen();
  api.DoorClose();
  api.SetSignal(3);
  api.Elapse(makeState(0.0f, 3016), nullptr, nullptr);
  api.Dispose();
  std::string text = fileText(recordings().at(0));
  text = std::regex_replace(text, std::regex(folder.path().string()), "FOLDER");
  text = std::regex_replace(text, std::regex("started,[0-9T:-]+"), "started,TIME");
  const fs::path golden = TASC_RECORDER_GOLDEN_DIR "/short-run.csv";
  if (std::getenv("TASC_UPDATE_GOLDEN") != nullptr) std::ofstream(golden, std::ios::binary) << text;
  EXPECT_EQ(text, fileText(golden));
}

}  // namespace
}  // namespace tasc::test
