#include "recorder.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "os.h"
#include "platform/platform.h"
#include "plugin/plugin.h"
#include "recording/run_rows.h"
#include "recording/writer.h"
#include "row_queue.h"

namespace tasc::recorder {
namespace {

using recording::EventKind;
using recording::EventRow;
using recording::FrameRow;

constexpr std::size_t kTextSize = 1024;
using Text = std::array<char, kTextSize>;

// The rows of about a second and more: a frame row is under 300 bytes.
constexpr std::size_t kBufferBytes = std::size_t{256} << 10;
constexpr int32_t kFlushIntervalMs = 1000;
// Rows waiting for the writer thread: over four minutes of frames at 60 per
// second. The host wakes the writer once per second of host time, and when
// the ring is half full (a host whose clock stands still).
constexpr std::size_t kQueueRows = std::size_t{1} << 14;
constexpr int kMaxFullWaits = 1000;  // of 1 ms each
constexpr int kMaxNameCounter = 9999;

// The recording file as the writer's sink.
class FileSink final : public recording::Sink {
 public:
  bool write(const char* data, std::size_t size) noexcept override {
    return file != os::kNoFile && os::writeAll(file, data, size);
  }
  os::FileHandle file = os::kNoFile;
};

// Module-level state: fixed size, no destructor to run at unload.
struct State {
  bool attached = false;
  Text folder{};      // the recorder's folder, with its separator; empty when unknown
  Text ownPath{};     // the recorder's file
  Text pluginPath{};  // the plug-in's file
  PluginApi api{};    // all null when the plug-in is absent
  Text absentReason{};
  bool versionKnown = false;
  int32_t version = 0;
  bool vehicleKnown = false;
  VehicleSpecRecord vehicle{};
  std::array<int32_t, 3> driver{};
  int32_t previousTimeMs = 0;
  bool flushClockSet = false;
  int32_t lastFlushMs = 0;
  std::array<bool, 2> keys{};  // U, left Ctrl as last recorded (Windows)
  // Host's side of the recording: a file is open, and the rows go to the
  // ring (to the writer thread when it runs, else written at each wake).
  bool recording = false;
  bool writerThread = false;
  bool behind = false;  // the ring was full: the recording ends there
};

// A frame or event row on its way to the writer.
struct QueuedRow {
  bool isFrame = false;
  FrameRow frame{};
  EventRow event{};
};

constinit State g_state{};
constinit std::array<char, kBufferBytes> g_buffer{};
constinit FileSink g_sink;
constinit recording::Writer g_writer{g_buffer};
constinit RowQueue<QueuedRow, kQueueRows> g_rows{};
constinit std::atomic<bool> g_stopWriter{false};
constinit std::atomic<bool> g_writerBusy{false};  // between a wake and the end of its writing

// Copies `text` into `out`, cut to fit, terminated.
void setText(Text& out, std::string_view text) noexcept {
  const std::size_t n = text.size() < out.size() - 1 ? text.size() : out.size() - 1;
  std::memcpy(out.data(), text.data(), n);
  out[n] = '\0';
}

std::string_view view(const Text& text) noexcept {
  return text.data();
}

// The name of the plug-in: TASC.so / TASC.dll, or [Recorder] Plugin= in
// TASCRec.ini beside the recorder (a file name in the same folder).
std::string pluginFileName(const std::string& folder) {
  const std::string ini = folder + "TASCRec.ini";
  char name[kPathSize] = {};
  platform::readProfileString("Recorder", "Plugin", os::kPluginFileName, name, sizeof name,
                              ini.c_str());
  return name[0] != '\0' ? name : os::kPluginFileName;
}

// Loads and binds the plug-in; the reason when it is absent.
std::string loadPlugin(const std::string& path, PluginApi& api) {
  if (!os::fileExists(path.c_str())) return "no plug-in file at " + path;
  std::string why;
  void* module = os::loadModule(path.c_str(), why);
  if (module == nullptr) return "the plug-in did not load: " + why;
  PluginApi bound{};
  const MissingExports missing =
      bindPluginApi(bound, [module](const char* name) { return os::findExport(module, name); });
  if (!missing.empty()) return std::string("the plug-in lacks the export ") + missing.names[0];
  api = bound;
  return {};
}

void attachOnce() {
  State& s = g_state;
  PathBuffer own{};
  std::array<char, platform::kDriveSize> drive{};
  std::array<char, platform::kDirSize> dir{};
  if (!platform::moduleFileName(own) || !platform::splitPath(own.data(), drive, dir)) {
    setText(s.absentReason, "the recorder's own folder is unknown");
    return;
  }
  const std::string folder = std::string(drive.data()) + dir.data();
  const std::string plugin = folder + pluginFileName(folder);
  setText(s.ownPath, own.data());
  setText(s.folder, folder);
  setText(s.pluginPath, plugin);
  setText(s.absentReason, loadPlugin(plugin, s.api));
}

// Every row in the ring into the writer's buffer (writer thread, or the host's
// thread when no writer thread runs).
void drainRows() noexcept {
  QueuedRow row;
  while (g_rows.pop(row)) {
    if (row.isFrame) {
      g_writer.frame(row.frame);
    } else {
      g_writer.event(row.event);
    }
  }
}

// The writer thread: at each wake, the rows to the file; after the wake that
// asks it to stop, the last rows too, and it returns.
void writerLoop() noexcept {
  for (;;) {
    os::waitForWake();
    g_writerBusy.store(true);
    const bool stop = g_stopWriter.load(std::memory_order_acquire);
    drainRows();
    g_writer.flush();
    g_writerBusy.store(false);
    if (stop) return;
  }
}

// The rows so far to the file: by the writer thread when it runs.
void writeOut() noexcept {
  if (g_state.writerThread) {
    os::wakeWriter();
  } else {
    drainRows();
    g_writer.flush();
  }
}

void stopWriter(bool unloading) noexcept {
  if (!g_state.writerThread) return;
  g_stopWriter.store(true, std::memory_order_release);
  os::stopWriterThread(unloading);
  g_stopWriter.store(false, std::memory_order_relaxed);
  g_state.writerThread = false;
}

// Once the writer thread has stopped, the writer is the host thread's again:
// what is left in the ring is written, then the end row.
void closeRecording(recording::EndReason reason, bool unloading = false) noexcept {
  State& s = g_state;
  stopWriter(unloading);
  drainRows();
  g_writer.end(s.behind ? recording::EndReason::WriterBehind : reason);
  os::close(g_sink.file);
  g_sink.file = os::kNoFile;
  s.recording = false;
  s.behind = false;
}

// A row for the writer. A full ring means calls faster than the writer
// formats them (a host that runs far faster than real time) or a disk that
// stalls: the call waits for room, up to about a second, and then the
// recording ends there, so that it never has a silent gap.
void queueRow(const QueuedRow& row) noexcept {
  State& s = g_state;
  if (!s.recording || s.behind) return;
  for (int waited = 0; !g_rows.push(row); ++waited) {
    if (!s.writerThread || waited == kMaxFullWaits) {
      s.behind = true;
      return;
    }
    os::wakeWriter();
    os::sleepMs(1);
  }
  if (g_rows.size() == kQueueRows / 2) writeOut();
}

// records/YYYYMMDD-HHMMSS-N.csv, the first N whose file does not exist yet.
os::FileHandle createRecordingFile(std::string& path) {
  const std::string records = std::string(view(g_state.folder)) + "records";
  if (!os::makeFolder(records.c_str())) return os::kNoFile;
  const os::LocalTime t = os::localTime();
  char stamp[64];
  std::snprintf(stamp, sizeof stamp, "%04d%02d%02d-%02d%02d%02d", t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  const char separator = records.find('\\') != std::string::npos ? '\\' : '/';
  for (int n = 1; n <= kMaxNameCounter; ++n) {
    path = records + separator + stamp + "-" + std::to_string(n) + ".csv";
    const os::FileHandle file = os::createNew(path.c_str());
    if (file != os::kNoFile) return file;
    if (!os::fileExists(path.c_str())) return os::kNoFile;  // not a name clash: give up
  }
  return os::kNoFile;
}

// The header, with the files the plug-in reads at Initialize found by its
// own readers: TASC.ini beside it, csvPath.ini and every entry of the list.
void writeHeader(int32_t mode) {
  State& s = g_state;
  const bool loaded = s.api.Elapse != nullptr;
  if (loaded && !s.versionKnown) noteVersion(s.api.GetPluginVersion());
  recording::RunHeader h;
  h.recorder = view(s.ownPath);
  h.plugin = view(s.pluginPath);
  h.absentReason = loaded ? nullptr : s.absentReason.data();
  h.version = s.version;
  h.vehicle = s.vehicleKnown ? &s.vehicle : nullptr;
  h.initialize = mode;
  h.started = os::localTime();
  const std::string settings = std::string(view(s.folder)) + "TASC.ini";
  std::unique_ptr<plugin::Module> list;
  if (s.folder[0] != '\0') {
    // The module's attach and Initialize fill the list's path and entries as
    // the plug-in does; a path its buffer cannot hold is unknown to it too.
    list = std::make_unique<plugin::Module>();
    list->attach(s.pluginPath.data());
    list->initialize();
    h.settings = settings;
    h.list = list.get();
  }
  recording::writeHeader(g_writer, h);
}

}  // namespace

void attach() noexcept {
  if (g_state.attached) return;
  g_state.attached = true;
  try {
    attachOnce();
  } catch (...) {
    g_state.api = PluginApi{};
    setText(g_state.absentReason, "out of memory while loading the plug-in");
  }
}

void detach(bool processEnding) noexcept {
  State& s = g_state;
  if (!s.recording) return;
  if (processEnding && s.writerThread) {
    // The system ended the writer thread wherever it was. Idle, it left the
    // writer whole: the last rows are written as usual. Ended while it wrote,
    // it may have left a row or a write half done: the recording then ends
    // where the disk has it, as after a crash, rather than with rows twice.
    s.writerThread = false;
    if (g_writerBusy.load()) {
      os::close(g_sink.file);
      g_sink.file = os::kNoFile;
      s.recording = false;
      return;
    }
  }
  closeRecording(recording::EndReason::Detach, true);
}

const PluginApi& plugin() noexcept {
  attach();
  return g_state.api;
}

void setDriverHandle(DriverHandle which, int32_t value) noexcept {
  g_state.driver[which] = value;
}

HandleRecord standInHandles() noexcept {
  const auto& d = g_state.driver;
  return HandleRecord{d[kDriverBrake], d[kDriverPower], d[kDriverReverser], 0};
}

void noteVersion(int32_t version) noexcept {
  g_state.versionKnown = true;
  g_state.version = version;
}

void noteVehicle(const VehicleSpecRecord& vehicle) noexcept {
  g_state.vehicleKnown = true;
  g_state.vehicle = vehicle;
}

void startRun(int32_t mode) noexcept {
  State& s = g_state;
  closeRecording(recording::EndReason::NextInitialize);
  s.driver = {s.vehicleKnown ? s.vehicle.brakeNotches : 0, 0, 1};
  s.keys = {};  // a key held at the start shows as pressed in the first frame
  s.flushClockSet = false;
  if (s.folder[0] == '\0') return;  // nowhere to put it
  try {
    std::string path;
    g_sink.file = createRecordingFile(path);
    if (g_sink.file == os::kNoFile) return;
    g_writer.start(g_sink, recording::kDefaultSizeCap);
    writeHeader(mode);
    g_writer.flush();
    s.recording = true;
    // Without a thread the rows are written on the host's thread instead.
    s.writerThread = os::startWriterThread(writerLoop);
  } catch (...) {
    closeRecording(recording::EndReason::NextInitialize);
  }
}

void endRun() noexcept {
  closeRecording(recording::EndReason::Dispose);
}

void pollKeys() noexcept {
  if constexpr (os::kPollsKeys) {
    if (!g_state.recording) return;
    constexpr std::array<int32_t, 2> kKeys{kKeyU, kKeyLeftCtrl};
    for (std::size_t i = 0; i < kKeys.size(); ++i) {
      const bool down = os::keyDown(kKeys[i]);
      if (down == g_state.keys[i]) continue;
      g_state.keys[i] = down;
      recordEvent(EventKind::KeyState, {kKeys[i], down ? 1 : 0});
    }
  }
}

void recordFrame(const VehicleStateRecord& state, const int32_t* panel,
                 const HandleRecord& handles) noexcept {
  State& s = g_state;
  const int32_t step = recording::frameStep(state.timeMs, s.previousTimeMs);
  s.previousTimeMs = state.timeMs;
  if (!s.recording) return;
  QueuedRow q;
  q.isFrame = true;
  recording::fillFrameRow(q.frame, state, step, s.driver, handles, panel);
  queueRow(q);
  // At most one write-out per second of host time; a clock that goes back
  // starts the second again.
  if (!s.flushClockSet) {
    s.flushClockSet = true;
    s.lastFlushMs = state.timeMs;
    return;
  }
  const int32_t since = recording::frameStep(state.timeMs, s.lastFlushMs);
  if (since >= kFlushIntervalMs || since < 0) {
    writeOut();
    s.lastFlushMs = state.timeMs;
  }
}

void recordEvent(EventKind kind, std::array<int32_t, 5> args, float distance) noexcept {
  QueuedRow q;
  q.event.kind = kind;
  q.event.args = args;
  q.event.distance = distance;
  queueRow(q);
}

}  // namespace tasc::recorder
