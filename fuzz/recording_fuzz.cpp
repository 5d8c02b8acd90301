// The recording reader on any bytes. It must never crash; a refusal names the
// input and a line within it; an accepted recording, written again with the
// writer and read back, gives the same header, files, frames and events, bit
// for bit.
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "recording/reader.h"
#include "recording/writer.h"

namespace {

using namespace tasc::recording;

class StringSink final : public Sink {
 public:
  bool write(const char* data, std::size_t size) noexcept override {
    text.append(data, size);
    return true;
  }
  std::string text;
};

void check(bool ok) {
  if (!ok) std::abort();
}

std::size_t lineCount(std::string_view text) {
  std::size_t n = 0;
  for (char c : text) n += c == '\n';
  return n + 1;
}

// The recording again, through the writer: header, files, then frames and
// events in their order.
std::string rewrite(const Recording& r) {
  static std::vector<char> buffer(kMinBufferBytes);
  StringSink sink;
  Writer w(buffer);
  w.start(sink, UINT64_MAX);
  w.text("recorder", r.recorderPath);
  w.text("plugin", r.pluginPath);
  if (r.pluginLoaded) {
    w.text("plugin_state", "loaded");
  } else {
    w.wordAndText("plugin_state", "absent", r.absentReason);
  }
  if (r.pluginVersion) w.number("version", *r.pluginVersion);
  if (r.vehicle) w.numbers("vehicle", *r.vehicle);
  if (r.initializeMode) w.number("initialize", *r.initializeMode);
  w.text("started", r.started);
  for (const CopiedFile& f : r.files) {
    w.file(f.role, f.index, f.name,
           f.present ? std::optional<std::string_view>(f.contents) : std::nullopt);
  }
  std::size_t event = 0;
  for (std::size_t frame = 0; frame <= r.frames.size(); ++frame) {
    for (; event < r.events.size() && r.events[event].framesBefore == frame; ++event) {
      w.event(r.events[event].row);
    }
    if (frame < r.frames.size()) w.frame(r.frames[frame]);
  }
  if (r.end) w.end(*r.end);
  w.flush();
  return sink.text;
}

bool sameFrame(const FrameRow& a, const FrameRow& b) {
  return std::bit_cast<uint64_t>(a.location) == std::bit_cast<uint64_t>(b.location) &&
         std::bit_cast<uint32_t>(a.speed) == std::bit_cast<uint32_t>(b.speed) &&
         a.timeMs == b.timeMs && a.reserved == b.reserved && a.stepMs == b.stepMs &&
         a.driver == b.driver && a.handles == b.handles && a.hasPanel == b.hasPanel &&
         a.panel == b.panel;
}

void checkSame(const Recording& a, const Recording& b) {
  check(a.recorderPath == b.recorderPath && a.pluginPath == b.pluginPath);
  check(a.pluginLoaded == b.pluginLoaded && a.absentReason == b.absentReason);
  check(a.pluginVersion == b.pluginVersion && a.vehicle == b.vehicle);
  check(a.initializeMode == b.initializeMode && a.started == b.started && a.end == b.end);
  check(a.files.size() == b.files.size());
  for (std::size_t i = 0; i < a.files.size(); ++i) {
    check(a.files[i].role == b.files[i].role && a.files[i].index == b.files[i].index);
    check(a.files[i].name == b.files[i].name && a.files[i].contents == b.files[i].contents);
    check(a.files[i].present == b.files[i].present);
  }
  check(a.frames.size() == b.frames.size() && a.events.size() == b.events.size());
  for (std::size_t i = 0; i < a.frames.size(); ++i) check(sameFrame(a.frames[i], b.frames[i]));
  for (std::size_t i = 0; i < a.events.size(); ++i) {
    const EventRow& x = a.events[i].row;
    const EventRow& y = b.events[i].row;
    check(x.kind == y.kind && x.args == y.args &&
          a.events[i].framesBefore == b.events[i].framesBefore);
    check(std::bit_cast<uint32_t>(x.distance) == std::bit_cast<uint32_t>(y.distance));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const ReadResult r = readRecording(text, "in");
  check(r.line <= lineCount(text));
  if (!r.ok) {
    check(r.line >= 1 && r.message.rfind("in:" + std::to_string(r.line) + ": ", 0) == 0);
    return 0;
  }
  check(r.message.empty());
  const ReadResult again = readRecording(rewrite(r.recording), "again");
  check(again.ok);
  checkSame(r.recording, again.recording);
  return 0;
}
