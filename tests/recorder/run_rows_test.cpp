// The rows that the recording module and `tasc sim --record` both write: the
// header, by its literal text, and the frame row.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <limits>
#include <string>

#include "recording/run_rows.h"

namespace tasc::recording {
namespace {

class StringSink final : public Sink {
 public:
  bool write(const char* data, std::size_t size) noexcept override {
    text.append(data, size);
    return true;
  }
  std::string text;
};

std::string headerText(const RunHeader& h) {
  static std::array<char, kMinBufferBytes> buffer{};
  StringSink sink;
  Writer w(buffer);
  w.start(sink, kDefaultSizeCap);
  writeHeader(w, h);
  w.flush();
  return sink.text;
}

const std::string kColumns = "# " + std::string(kFrameColumns) + "\n";

TEST(RunRows, HeaderOfALoadedPlugin) {
  const VehicleSpecRecord vehicle{8, 5, 8, 8, 1};
  RunHeader h;
  h.recorder = "/r/tasc";
  h.plugin = "/r/TASC.so";
  h.version = 131072;
  h.vehicle = &vehicle;
  h.initialize = 1;
  h.started = {2024, 3, 5, 7, 8, 9};
  EXPECT_EQ(headerText(h),
            "tasc-recording,1\n"
            "# TASC recording of one run; the format is described in docs/recording.md\n"
            "recorder,/r/tasc\nplugin,/r/TASC.so\nplugin_state,loaded\nversion,131072\n"
            "vehicle,8,5,8,8,1\ninitialize,1\nstarted,2024-03-05T07:08:09\n" +
                kColumns);
}

TEST(RunRows, HeaderOfAnAbsentPluginBeforeAnyVehicle) {
  RunHeader h;
  h.recorder = "C:\\sim\\TASCRec.dll";
  h.plugin = "C:\\sim\\TASC.dll";
  h.absentReason = "no plug-in file at C:\\sim\\TASC.dll";
  h.started = {1999, 12, 31, 23, 59, 60};
  EXPECT_EQ(headerText(h),
            "tasc-recording,1\n"
            "# TASC recording of one run; the format is described in docs/recording.md\n"
            "recorder,C:\\\\sim\\\\TASCRec.dll\nplugin,C:\\\\sim\\\\TASC.dll\n"
            "plugin_state,absent,no plug-in file at C:\\\\sim\\\\TASC.dll\nversion,none\n"
            "vehicle,none\ninitialize,0\nstarted,1999-12-31T23:59:60\n" +
                kColumns);
}

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
  EXPECT_EQ(step, 6) << "the clock wraps around";
  EXPECT_EQ(frameStep(100, 200), -100);
  FrameRow row;
  fillFrameRow(row, state, step, {8, 0, 1}, HandleRecord{14, 0, 1, 2}, panel.data());
  EXPECT_EQ(row.location, -12.5);
  EXPECT_EQ(row.speed, 37.25f);
  EXPECT_EQ(row.timeMs, state.timeMs);
  EXPECT_EQ(row.reserved[5], 0xbfc00000u) << "-1.5f, bit for bit";
  EXPECT_EQ(row.stepMs, 6);
  EXPECT_EQ(row.driver, (std::array<int32_t, 3>{8, 0, 1}));
  EXPECT_EQ(row.handles, (std::array<int32_t, 4>{14, 0, 1, 2}));
  EXPECT_TRUE(row.hasPanel);
  EXPECT_EQ(row.panel, (std::array<int32_t, 5>{1, 0, 0, 0, 7}));
  fillFrameRow(row, state, step, {8, 0, 1}, HandleRecord{}, nullptr);
  EXPECT_FALSE(row.hasPanel) << "a host that passes no panel";
}

}  // namespace
}  // namespace tasc::recording
