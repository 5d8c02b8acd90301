// The recording format: rows written and read back exactly, the size cap, a
// failing sink, the reader's answers to bad recordings, and the rows of a run
// that both writers of recordings make.
#include <gtest/gtest.h>

#include <array>
#include <limits>
#include <regex>
#include <string>
#include <vector>

#include "recorder/rewrite.h"
#include "recording/run_rows.h"
#include "support/cases.h"

namespace tasc::recording {
namespace {

using roundtrip::StringSink;

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

// Read back and written again, `text` is the same less its comments: the
// reader gives back every bit. The rows without comments.
std::string expectReadBack(const std::string& text) {
  const ReadResult r = readRecording(text, "mem");
  EXPECT_TRUE(r.ok) << r.message;
  EXPECT_TRUE(r.warnings.empty());
  std::string rows = std::regex_replace(text, std::regex("(^|\n)#[^\n]*"), "");
  rows.erase(0, rows.front() == '\n');
  EXPECT_EQ(roundtrip::rewrite(r.recording), rows);
  return rows;
}

// A writer on a string sink, for each test to start.
class RecordingFormat : public ::testing::Test {
 protected:
  std::vector<char> buffer = std::vector<char>(kMinBufferBytes);
  StringSink sink;
  Writer w{buffer};
};

// Every kind of row as the recording module and `tasc sim --record` write it,
// by its literal text in golden/rows.txt: the header of a plug-in that is
// absent before any vehicle (a loaded one's is in the recorder's goldens), a
// text that needs quoting, frames whose values' text is easy to get wrong
// (signed zero, the extremes, denormals, NaN payloads, infinities), frame
// rows made from a host's call (the clock wrapping around, a host that passes
// no panel), and events. Read back and written again, the text is the same
// less its comments: the reader gives back every bit.
TEST_F(RecordingFormat, RowsAsTheGoldenAndReadBackBitForBit) {
  RunHeader h;
  h.recorder = "C:\\sim\\TASCRec.dll, \"x\"\t\xe9";
  h.plugin = "C:\\sim\\TASC.dll";
  h.absentReason = "no plug-in file at C:\\sim\\TASC.dll";
  h.started = {1999, 12, 31, 23, 59, 60};
  VehicleStateRecord state{};
  state.location = -12.5;
  state.speed = 37.25f;
  state.timeMs = std::numeric_limits<int32_t>::min() + 5;
  state.reserved[5] = -1.5f;
  std::array<int32_t, 256> panel{};
  panel[85] = 1;
  panel[89] = 7;
  const int32_t step = frameStep(state.timeMs, std::numeric_limits<int32_t>::max());
  FrameRow call, bare;
  fillFrameRow(call, state, step, {8, 0, 1}, HandleRecord{14, 0, 1, 2}, panel.data());
  fillFrameRow(bare, state, step, {8, 0, 1}, HandleRecord{}, nullptr);

  w.start(sink, kDefaultSizeCap);
  writeHeader(w, h);
  for (const FrameRow& f :
       {frameWith(-0.0, -0.0f),
        frameWith(std::numeric_limits<double>::max(), std::numeric_limits<float>::lowest()),
        frameWith(std::numeric_limits<double>::denorm_min(),
                  std::numeric_limits<float>::denorm_min()),
        frameWith(0.1 + 0.2, 0.1f),
        frameWith(std::bit_cast<double>(uint64_t{0xfff8000000000123}),
                  std::bit_cast<float>(uint32_t{0x7fa00001})),
        frameWith(-std::numeric_limits<double>::infinity(), std::numeric_limits<float>::infinity()),
        call, bare}) {
    w.frame(f);
  }
  w.event(EventRow{EventKind::Beacon, {503, -1, 0x7fffffff}, 149.045f});
  w.event(EventRow{EventKind::Vehicle, {8, 5, 0, 0, 6}, 0.0f});
  w.event(EventRow{EventKind::DoorOpen, {}, 0.0f});
  w.frame(bare);
  w.end(EndReason::Dispose);
  tasc::test::expectGolden("recorder/golden/rows.txt", sink.text);

  const std::string rows = expectReadBack(sink.text);
  // Hex digits in upper case read as the same bits.
  const std::string upper =
      std::regex_replace(sink.text, std::regex("ffffffff,7fc00001"), "FFFFFFFF,7FC00001");
  EXPECT_EQ(roundtrip::rewrite(readRecording(upper, "mem").recording), rows);
}

// The cap ends a recording with a row that says so, and the file never
// exceeds it; the recording module's is the documented 256 MiB.
TEST_F(RecordingFormat, SizeCapEndsTheRecordingWithinTheCap) {
  EXPECT_EQ(kDefaultSizeCap, 268435456u);
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
TEST_F(RecordingFormat, FailedWriteStopsTheRecording) {
  sink.failAfter = 1;
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
// (a path) is cut to its first 4096 bytes, not lost. By the literal text in
// golden/files.txt, and read back bit for bit.
TEST_F(RecordingFormat, FileCopiesAsTheGoldenAndLongTextsCut) {
  std::string big(3 * kDataChunkBytes + 7, 'a');
  big[100] = '\n';
  big[5000] = '\0';
  const std::string path(10000, 'p');
  RunHeader h;
  h.recorder = path;
  w.start(sink, kDefaultSizeCap);
  writeHeader(w, h);
  w.file("settings", 0, "TASC.ini", std::string_view("[TASCPtn]\r\nB7Dec=3.2"));
  w.file("list", 0, "csvPath.ini", std::nullopt);
  w.file("param", 63, "a,b.csv", big);
  w.file("param", 1, "empty.csv", std::string_view());
  w.end(EndReason::Detach);
  tasc::test::expectGolden("recorder/golden/files.txt", sink.text);
  expectReadBack(sink.text);
}

// The rows of data/bad_recordings.txt.
TEST_F(RecordingFormat, ReaderStopsWithTheReasonAndTheLine) {
  const std::string frame =
      "frame,1.5,50,1000,00000000,00000000,00000000,00000000,00000000,00000000,16,0,3,1,0,3,1,0,"
      "1,0,0,0,0\n";
  for (const test::Case& c : test::readCases("recorder/data/bad_recordings.txt")) {
    const std::string text = std::regex_replace(
        std::regex_replace(test::expand(c.f[5]), std::regex("@HEAD@"), "tasc-recording,1\n"),
        std::regex("@FRAME@"), frame);
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

}  // namespace
}  // namespace tasc::recording
