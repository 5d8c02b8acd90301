#include "engine/run_recorder.h"

#include <cstring>
#include <ctime>
#include <optional>
#include <sstream>

#include "platform/platform.h"
#include "platform/tool_system.h"
#include "recording/file_copies.h"

namespace fs = std::filesystem;

namespace tasc::engine {
namespace {

constexpr std::size_t kBufferBytes = std::size_t{256} << 10;

std::string localStamp() {
  const std::time_t now = std::time(nullptr);
  std::tm t{};
#if defined(_WIN32)
  localtime_s(&t, &now);
#else
  localtime_r(&now, &t);
#endif
  char text[64];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &t);
  return text;
}

}  // namespace

bool RunRecorder::FileSink::write(const char* data, std::size_t size) noexcept {
  out.write(data, static_cast<std::streamsize>(size));
  return static_cast<bool>(out);
}

RunRecorder::RunRecorder(std::string pluginPath)
    : pluginPath_(std::move(pluginPath)), buffer_(kBufferBytes), writer_(buffer_) {}

RunRecorder::~RunRecorder() {
  close(recording::EndReason::Detach);
}

void RunRecorder::close(recording::EndReason reason) {
  if (!sink_.out.is_open()) return;
  writer_.end(reason);
  sink_.out.close();
  if (!sink_.out) ok_ = false;
}

void RunRecorder::vehicle(const VehicleSpecRecord& v) {
  vehicleKnown_ = true;
  vehicle_ = v;
  event(recording::EventKind::Vehicle,
        {v.brakeNotches, v.powerNotches, v.atsNotch, v.b67Notch, v.cars});
}

void RunRecorder::initialize(int32_t mode, const TascController& follower,
                             const fs::path& settings) {
  close(recording::EndReason::NextInitialize);
  driver_ = {vehicleKnown_ ? vehicle_.brakeNotches : 0, 0, 1};
  if (next_.empty()) return;
  sink_.out.open(next_, std::ios::binary | std::ios::trunc);
  if (!sink_.out) {
    ok_ = false;
    next_.clear();
    return;
  }
  written_.push_back(next_);
  next_.clear();
  writer_.start(sink_, recording::kDefaultSizeCap);
  header(mode, follower, settings);
  writer_.flush();
}

// The rows the recording module writes at Initialize, in its order.
void RunRecorder::header(int32_t mode, const TascController& follower, const fs::path& settings) {
  writer_.comment("TASC recording of one run; the format is described in docs/recording.md");
  writer_.text("recorder", platform::executablePath().string());
  writer_.text("plugin", pluginPath_);
  writer_.text("plugin_state", "loaded");
  writer_.number("version", version_);
  if (vehicleKnown_) {
    const VehicleSpecRecord& v = vehicle_;
    const std::array<int32_t, 5> values{v.brakeNotches, v.powerNotches, v.atsNotch, v.b67Notch,
                                        v.cars};
    writer_.numbers("vehicle", values);
  } else {
    writer_.text("vehicle", "none");
  }
  writer_.number("initialize", mode);
  writer_.text("started", localStamp());
  recording::writeFileCopies(writer_, settings.string(), follower);
  writer_.comment(recording::kFrameColumns);
}

void RunRecorder::driverHandle(DriverHandle which, int32_t value) {
  driver_[which] = value;
  static constexpr recording::EventKind kKinds[] = {
      recording::EventKind::Brake, recording::EventKind::Power, recording::EventKind::Reverser};
  event(kKinds[which], {value});
}

void RunRecorder::event(recording::EventKind kind, std::array<int32_t, 5> args, float distance) {
  if (!writer_.active()) return;
  recording::EventRow row;
  row.kind = kind;
  row.args = args;
  row.distance = distance;
  writer_.event(row);
}

void RunRecorder::frame(const VehicleStateRecord& state, const HandleRecord& sent,
                        const int32_t* panel) {
  const auto step = static_cast<int32_t>(static_cast<uint32_t>(state.timeMs) -
                                         static_cast<uint32_t>(previousMs_));
  previousMs_ = state.timeMs;
  if (!writer_.active()) return;
  recording::FrameRow row;
  row.location = state.location;
  row.speed = state.speed;
  row.timeMs = state.timeMs;
  std::memcpy(row.reserved.data(), state.reserved, sizeof state.reserved);
  row.stepMs = step;
  row.driver = driver_;
  row.handles = {sent.brake, sent.power, sent.reverser, sent.constantSpeed};
  row.hasPanel = true;
  std::memcpy(row.panel.data(), panel + kFirstPanelIndex, sizeof row.panel);
  writer_.frame(row);
}

}  // namespace tasc::engine
