// The recording module where a call script cannot reach: values no script
// can write (NaN speeds, raw bits, whole panel and sound arrays) forwarded
// bit for bit, the exports, file names never reused, the writer thread and
// its ring, and unload without Dispose. The call sequences themselves are
// call scripts (record_case.cmake).
#include <gtest/gtest.h>

#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <ctime>
#include <limits>
#include <optional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "files/files.h"
#include "recorder/row_queue.h"
#include "recording/reader.h"
#include "support/vehicle_folder.h"

// A disk that stops answering: while armed, every write() of a thread other
// than the test's own (the recorder's writer thread) is held, for at most
// kStallLimit, so that a host that waits for room forever only comes late.
// The program exports it, so that the loaded recorder's calls come here.
namespace stall {
using Clock = std::chrono::steady_clock;
constexpr auto kStallLimit = std::chrono::seconds(8);
const std::thread::id kTestThread = std::this_thread::get_id();
std::atomic<bool> armed{false};
std::atomic<Clock::rep> until{0};
}  // namespace stall

extern "C" __attribute__((visibility("default"))) ssize_t write(int fd, const void* data,
                                                                size_t size) {
  while (stall::armed.load() && std::this_thread::get_id() != stall::kTestThread &&
         stall::Clock::now().time_since_epoch().count() < stall::until.load())
    usleep(1000);
  return syscall(SYS_write, fd, data, size);
}

namespace tasc::test {
namespace {

namespace fs = std::filesystem;
using recording::EndReason;

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

// Two runs of what changes what the host sees: an approach with a stopping
// beacon and a file switch, odd states (NaN and negative speed, time going
// back, raw bits at 16..39), handles and the U key. (The exports the plug-in
// ignores are forwarded and recorded in the every-call script.)
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
    for (int i = 0; i < 100; ++i) frame(0.0f, t += 16);
  }
  api.Dispose();
  return seen;
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
    std::error_code none;  // no records folder: no recordings
    std::vector<fs::path> files(fs::directory_iterator(folder.path() / "records", none), {});
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
  LoadedPlugin& recorded = loadRecorder();
  // Nothing but the entry points leaves the module, inline parts of the
  // standard library neither.
  EXPECT_NE(recorded.symbol("SetKeyState"), nullptr);
  EXPECT_EQ(recorded.symbol("_ZZNSt8__detail18__to_chars_10_implImEEvPcjT_E8__digits"), nullptr);
  EXPECT_EQ(recorded.symbol("_ZN4tasc8recorder6attachEv"), nullptr);
  const std::vector<Seen> got = drive(recorded);
  ASSERT_EQ(got.size(), expected.size());
  for (std::size_t i = 0; i < got.size(); ++i) ASSERT_TRUE(got[i] == expected[i]) << "frame " << i;
  // The plug-in did command: the comparison is not between two idle modules.
  EXPECT_TRUE(std::any_of(got.begin(), got.end(),
                          [](const Seen& s) { return s.handles.constantSpeed == 2; }));

  // The odd values no call script can pass, recorded bit for bit (the handles,
  // lamps and a clock going back are in the every_call golden).
  const recording::Recording first = read(recordings().at(0));
  ASSERT_EQ(first.frames.size(), expected.size() / 2);
  const recording::FrameRow& nanFrame = first.frames[first.frames.size() - 102];
  EXPECT_TRUE(std::isnan(nanFrame.speed));
  EXPECT_EQ(nanFrame.reserved[5], 0x7fc00000u);
  EXPECT_EQ(nanFrame.reserved[2], 0xbfc00000u) << "-1.5f";
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
  std::vector<fs::path> files = recordings();
  std::erase_if(files, [&](const fs::path& f) { return std::ranges::count(taken, f) > 0; });
  ASSERT_EQ(files.size(), 3u);
  std::vector<int32_t> modes;
  for (const fs::path& f : files) {
    EXPECT_TRUE(std::regex_match(f.filename().string(), std::regex(R"(\d{8}-\d{6}-\d+\.csv)")))
        << f;
    modes.push_back(read(f).initializeMode.value_or(-1));
  }
  std::sort(modes.begin(), modes.end());
  EXPECT_EQ(modes, (std::vector<int32_t>{0, 1, 2}));
  for (const fs::path& f : taken) EXPECT_EQ(tasc::files::readWholeFile(f), "keep") << f;
}

// The writer thread is woken by the ring filling too, not only by the host's
// clock: a clock that stands still for more frames than the ring holds loses
// none. A module unloaded without Dispose stops its writer thread and writes
// the last rows. The run's file and start are named by the local time.
TEST_F(Recorder, ClockStandingStillThenUnloadWithoutDisposeLosesNoRow) {
  LoadedPlugin& p = loadRecorder();
  p.api().Initialize(0);
  constexpr int kFrames = 40000;  // over twice the ring
  for (int i = 0; i < kFrames; ++i) p.frame(0.0f, 5000);
  recorder.reset();
  const recording::Recording r = read(recordings().at(0));
  EXPECT_EQ(r.frames.size(), std::size_t{kFrames});
  EXPECT_EQ(r.end, EndReason::Detach);
  // The first run of a second in an empty folder, named by the local time.
  const std::time_t now = std::time(nullptr);
  EXPECT_EQ(r.started.substr(0, 4), std::to_string(1900 + std::localtime(&now)->tm_year));
  EXPECT_TRUE(recordings().at(0).filename().string().ends_with("-1.csv")) << recordings().at(0);
}

// A writer that stalls fills the ring: the host waits about a second for room,
// then the recording ends there, marked as behind, with every row before the
// gap and none after, while the host's calls go on.
TEST_F(Recorder, StalledWriterEndsTheRecordingBehindWithoutAGap) {
  LoadedPlugin& p = loadRecorder();
  p.api().Initialize(0);
  stall::until = (stall::Clock::now() + stall::kStallLimit).time_since_epoch().count();
  stall::armed = true;
  constexpr int kFrames = 40000;  // over twice the ring
  for (int i = 0; i < kFrames; ++i) p.frame(0.0f, 16 * i);
  stall::armed = false;
  p.api().Dispose();
  const recording::Recording r = read(recordings().at(0));
  EXPECT_EQ(r.end, EndReason::WriterBehind);
  ASSERT_GT(r.frames.size(), 0u);
  ASSERT_LT(r.frames.size(), std::size_t{kFrames});
  for (std::size_t i = 0; i < r.frames.size(); ++i)
    ASSERT_EQ(r.frames[i].timeMs, static_cast<int32_t>(16 * i)) << "frame " << i;
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

}  // namespace
}  // namespace tasc::test
