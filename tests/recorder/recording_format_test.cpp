// The recording format: rows written and read back exactly, the size cap, a
// failing sink, the reader's answers to bad recordings, and the rows of a run
// that both writers of recordings make.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "recording/reader.h"
#include "recording/run_rows.h"
#include "recording/writer.h"
#include "support/cases.h"

namespace tasc::recording {
namespace {

// Collects what the writer writes; fails every write once `failAfter` writes
// have been made.
class StringSink final : public Sink {
 public:
  bool write(const char* data, std::size_t size) noexcept override {
    if (writes++ >= failAfter) return false;
    text.append(data, size);
    return true;
  }
  std::string text;
  int writes = 0;
  int failAfter = 1 << 30;
};

template <typename T>
bool sameBits(const T& a, const T& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

FrameRow frameWith(double location, float speed) {
  FrameRow f;
  f.location = location;
  f.speed = speed;
  f.timeMs = std::numeric_limits<int32_t>::min();
  f.reserved = {0, 1, 0x80000000u, 0xffffffffu, 0x7fc00001u, 0x3f800000u};
  f.stepMs = -16;
  f.driver = {8, 0, -1};
  f.handles = {31, 0, 1, 2};
  f.hasPanel = true;
  f.panel = {1, 0, 1, std::numeric_limits<int32_t>::max(), 0};
  return f;
}

// Values whose text form is easy to get wrong: signed zero, the extremes,
// denormals, a NaN with a payload, infinities.
TEST(RecordingFormat, FramesAndEventsReadBackBitForBit) {
  const double dnan = std::bit_cast<double>(uint64_t{0xfff8000000000123});
  const float fnan = std::bit_cast<float>(uint32_t{0x7fa00001});
  const std::vector<FrameRow> frames = {
      frameWith(-0.0, -0.0f),
      frameWith(std::numeric_limits<double>::max(), std::numeric_limits<float>::lowest()),
      frameWith(std::numeric_limits<double>::denorm_min(),
                std::numeric_limits<float>::denorm_min()),
      frameWith(0.1 + 0.2, 0.1f),
      frameWith(dnan, fnan),
      frameWith(-std::numeric_limits<double>::infinity(), std::numeric_limits<float>::infinity()),
  };
  std::vector<char> buffer(kMinBufferBytes);
  StringSink sink;
  Writer w(buffer);
  w.start(sink, kDefaultSizeCap);
  w.text("recorder", "C:\\Train\\TASCRec.dll, \"x\"\t\xe9");
  for (const FrameRow& f : frames) w.frame(f);
  FrameRow noPanel = frames[0];
  noPanel.hasPanel = false;
  noPanel.panel = {};
  w.frame(noPanel);
  w.event(EventRow{EventKind::Beacon, {503, -1, 0x7fffffff}, 149.045f});
  w.event(EventRow{EventKind::Vehicle, {8, 5, 0, 0, 6}, 0.0f});
  w.event(EventRow{EventKind::DoorOpen, {}, 0.0f});
  w.end(EndReason::Dispose);

  const ReadResult r = readRecording(sink.text, "mem");
  ASSERT_TRUE(r.ok) << r.message;
  EXPECT_TRUE(r.warnings.empty());
  EXPECT_EQ(r.recording.recorderPath, "C:\\Train\\TASCRec.dll, \"x\"\t\xe9");
  ASSERT_EQ(r.recording.frames.size(), frames.size() + 1);
  for (std::size_t i = 0; i < frames.size(); ++i) {
    const FrameRow& a = frames[i];
    const FrameRow& b = r.recording.frames[i];
    EXPECT_TRUE(sameBits(a.location, b.location)) << i << " " << b.location;
    EXPECT_TRUE(sameBits(a.speed, b.speed)) << i << " " << b.speed;
    EXPECT_EQ(a.timeMs, b.timeMs);
    EXPECT_EQ(a.reserved, b.reserved);
    EXPECT_EQ(a.stepMs, b.stepMs);
    EXPECT_EQ(a.driver, b.driver);
    EXPECT_EQ(a.handles, b.handles);
    EXPECT_EQ(a.panel, b.panel);
  }
  EXPECT_FALSE(r.recording.frames.back().hasPanel);
  ASSERT_EQ(r.recording.events.size(), 3u);
  const PlacedEvent& beacon = r.recording.events[0];
  EXPECT_EQ(beacon.row.kind, EventKind::Beacon);
  EXPECT_EQ(beacon.row.args, (std::array<int32_t, 5>{503, -1, 0x7fffffff, 0, 0}));
  EXPECT_EQ(beacon.row.distance, 149.045f);
  EXPECT_EQ(beacon.framesBefore, frames.size() + 1);
  EXPECT_EQ(r.recording.events[1].row.args[4], 6);
  EXPECT_EQ(r.recording.end, EndReason::Dispose);
}

// The cap ends a recording with a row that says so, and the file never
// exceeds it.
TEST(RecordingFormat, SizeCapEndsTheRecordingWithinTheCap) {
  std::vector<char> buffer(kMinBufferBytes);
  StringSink sink;
  Writer w(buffer);
  constexpr uint64_t kCap = 10000;
  w.start(sink, kCap);
  int frames = 0;
  for (; frames < 1000 && w.active(); ++frames) w.frame(frameWith(1.0 * frames, 50.0f));
  EXPECT_FALSE(w.active());
  EXPECT_LT(frames, 1000);
  EXPECT_LE(sink.text.size(), kCap);
  const ReadResult r = readRecording(sink.text, "mem");
  ASSERT_TRUE(r.ok) << r.message;
  EXPECT_EQ(r.recording.end, EndReason::SizeCap);
  EXPECT_GT(r.recording.frames.size(), 20u);
}

// A sink that fails stops the recording quietly; nothing is retried.
TEST(RecordingFormat, FailedWriteStopsTheRecording) {
  std::vector<char> buffer(kMinBufferBytes);
  StringSink sink;
  sink.failAfter = 1;
  Writer w(buffer);
  w.start(sink, kDefaultSizeCap);
  w.flush();
  EXPECT_TRUE(w.active());
  w.frame(frameWith(0.0, 0.0f));
  w.flush();
  EXPECT_FALSE(w.active());
  w.frame(frameWith(0.0, 0.0f));
  w.end(EndReason::Dispose);
  EXPECT_EQ(sink.writes, 2);
  EXPECT_EQ(sink.text, std::string(kVersionLine) + "\n");
}

// File copies keep every byte, split into rows at the file's line ends; an
// empty file is there, unlike a missing one. A text longer than a data row
// (a path) is cut to its first 4096 bytes, not lost.
TEST(RecordingFormat, FileCopiesReadBackWholeAndLongTextsCut) {
  std::string big(3 * kDataChunkBytes + 7, 'a');
  big[100] = '\n';
  big[5000] = '\0';
  std::vector<char> buffer(kMinBufferBytes);
  StringSink sink;
  Writer w(buffer);
  w.start(sink, kDefaultSizeCap);
  w.text("recorder", std::string(10000, 'p'));
  w.file("settings", 0, "TASC.ini", std::string_view("[TASCPtn]\r\nB7Dec=3.2"));
  w.file("list", 0, "csvPath.ini", std::nullopt);
  w.file("param", 63, "a,b.csv", big);
  w.file("param", 1, "empty.csv", std::string_view());
  w.end(EndReason::Detach);
  const ReadResult r = readRecording(sink.text, "mem");
  ASSERT_TRUE(r.ok) << r.message;
  EXPECT_EQ(r.recording.recorderPath, std::string(4096, 'p'));
  const auto& files = r.recording.files;
  ASSERT_EQ(files.size(), 4u);
  EXPECT_EQ(files[0].contents, "[TASCPtn]\r\nB7Dec=3.2");
  EXPECT_FALSE(files[1].present);
  EXPECT_EQ(files[2].name, "a,b.csv");
  EXPECT_EQ(files[2].index, 63);
  EXPECT_EQ(files[2].contents, big);
  EXPECT_TRUE(files[3].present);
  EXPECT_EQ(files[3].contents, "");
}

// The rows of data/bad_recordings.txt.
TEST(RecordingFormat, ReaderStopsWithTheReasonAndTheLine) {
  const std::string frame =
      "frame,1.5,50,1000,00000000,00000000,00000000,00000000,00000000,00000000,16,0,3,1,0,3,1,0,"
      "1,0,0,0,0\n";
  for (const test::Case& c : test::readCases("recorder/data/bad_recordings.txt")) {
    std::string text = test::expand(c.f[5]);
    for (std::size_t at; (at = text.find("@HEAD@")) != std::string::npos;)
      text.replace(at, 6, "tasc-recording,1\n");
    for (std::size_t at; (at = text.find("@FRAME@")) != std::string::npos;)
      text.replace(at, 7, frame);
    const bool ok = c.f[1] == "1";
    const std::size_t line = std::stoul(c.f[2]);
    const ReadResult r = readRecording(text, "run.csv");
    EXPECT_EQ(r.ok, ok) << c.where << " " << r.message;
    EXPECT_EQ(r.line, line) << c.where;
    const std::string& said = ok && !r.warnings.empty() ? r.warnings[0] : r.message;
    EXPECT_NE(said.find(c.f[3]), std::string::npos) << c.where << " " << said;
    if (ok) {
      EXPECT_EQ(r.recording.frames.size(), std::stoul(c.f[4])) << c.where;
    } else {
      EXPECT_EQ(said.rfind("run.csv:" + c.f[2] + ": ", 0), 0u) << c.where << " " << said;
    }
  }
}

// The rows that the recording module and `tasc sim --record` both write: the
// header and the frame row, by their literal text (after the version line).
std::string written(const std::function<void(Writer&)>& write) {
  static std::array<char, kMinBufferBytes> buffer{};
  StringSink sink;
  Writer w(buffer);
  w.start(sink, kDefaultSizeCap);
  write(w);
  w.flush();
  return sink.text.substr(std::string(kVersionLine).size() + 1);
}

// A loaded plug-in's header is in the recorder's goldens (golden/*.txt).
TEST(RunRows, HeaderOfAnAbsentPluginBeforeAnyVehicle) {
  RunHeader h;
  h.recorder = "C:\\sim\\TASCRec.dll";
  h.plugin = "C:\\sim\\TASC.dll";
  h.absentReason = "no plug-in file at C:\\sim\\TASC.dll";
  h.started = {1999, 12, 31, 23, 59, 60};
  EXPECT_EQ(written([&](Writer& w) { writeHeader(w, h); }),
            "# TASC recording of one run; the format is described in docs/recording.md\n"
            "recorder,C:\\\\sim\\\\TASCRec.dll\nplugin,C:\\\\sim\\\\TASC.dll\n"
            "plugin_state,absent,no plug-in file at C:\\\\sim\\\\TASC.dll\nversion,none\n"
            "vehicle,none\ninitialize,0\nstarted,1999-12-31T23:59:60\n# " +
                std::string(kFrameColumns) + "\n");
}

// The clock wraps around; a host that passes no panel leaves its fields empty.
TEST(RunRows, FrameRowHoldsTheCallWhole) {
  VehicleStateRecord state{};
  state.location = -12.5;
  state.speed = 37.25f;
  state.timeMs = std::numeric_limits<int32_t>::min() + 5;
  state.reserved[5] = -1.5f;
  std::array<int32_t, 256> panel{};
  panel[85] = 1;
  panel[89] = 7;
  const int32_t step = frameStep(state.timeMs, std::numeric_limits<int32_t>::max());
  EXPECT_EQ(frameStep(100, 200), -100);
  FrameRow row, bare;
  fillFrameRow(row, state, step, {8, 0, 1}, HandleRecord{14, 0, 1, 2}, panel.data());
  fillFrameRow(bare, state, step, {8, 0, 1}, HandleRecord{}, nullptr);
  const std::string call =
      "frame,-12.5,37.25,-2147483643,00000000,00000000,00000000,00000000,"
      "00000000,bfc00000,6,8,0,1,";
  EXPECT_EQ(written([&](Writer& w) {
              w.frame(row);
              w.frame(bare);
            }),
            call + "14,0,1,2,1,0,0,0,7\n" + call + "0,0,0,0,,,,,\n");
}

}  // namespace
}  // namespace tasc::recording
