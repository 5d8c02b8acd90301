#include "engine/run_recorder.h"

#include <ctime>

#include "folder/vehicle_folder.h"
#include "platform/platform.h"
#include "recording/run_rows.h"
#include "system/text.h"
#include "system/tool_system.h"

namespace fs = std::filesystem;

namespace tasc::engine {
namespace {

constexpr std::size_t kBufferBytes = std::size_t{256} << 10;

// The local time now, as the header's `started` row holds it.
recording::LocalTime localNow() {
  const std::time_t now = std::time(nullptr);
  std::tm t{};
#if defined(_WIN32)
  localtime_s(&t, &now);
#else
  localtime_r(&now, &t);
#endif
  return {t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec};
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
  event(recording::EventKind::Vehicle, recording::vehicleValues(v));
}

void RunRecorder::initialize(int32_t mode, const plugin::Module& follower, const fs::path& settings,
                             const fs::path& shownFolder) {
  close(recording::EndReason::NextInitialize);
  driver_ = {vehicleKnown_ ? vehicle_.brakeNotches : 0, 0, 1};
  // Each run's clock starts again at 0: its first frame's step is its own
  // (0), as from a fresh module, not the way back from the run before on
  // this instance, which would make a sweep's recordings depend on which
  // worker ran which stop.
  previousMs_ = 0;
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
  header(mode, follower, settings, shownFolder);
  writer_.flush();
}

// The rows the recording module writes at Initialize, by the same writer.
void RunRecorder::header(int32_t mode, const plugin::Module& follower, const fs::path& settings,
                         const fs::path& shownFolder) {
  // Paths as the recording module writes them: in the system's code page.
  const std::string recorder = platform::utf8Of(platform::executablePath());
  const std::string settingsPath = folder::pluginPath(settings).value_or("");
  const std::string settingsShown = folder::pluginPath(shownFolder / "TASC.ini").value_or("");
  const std::string listShown = folder::pluginPath(shownFolder / "csvPath.ini").value_or("");
  recording::RunHeader h;
  h.recorder = recorder;
  h.plugin = pluginPath_;
  h.version = version_;
  h.vehicle = vehicleKnown_ ? &vehicle_ : nullptr;
  h.initialize = mode;
  h.started = localNow();
  h.settings = settingsPath;
  h.settingsShown = settingsShown;
  h.listShown = listShown;
  h.list = &follower;
  recording::writeHeader(writer_, h);
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
  const int32_t step = recording::frameStep(state.timeMs, previousMs_);
  previousMs_ = state.timeMs;
  if (!writer_.active()) return;
  recording::FrameRow row;
  recording::fillFrameRow(row, state, step, driver_, sent, panel);
  writer_.frame(row);
}

}  // namespace tasc::engine
