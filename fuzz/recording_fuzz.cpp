// The recording reader on any bytes. It must never crash; a refusal names the
// input and a line within it; an accepted recording, written again with the
// writer and read back, writes the same text again: header, files, frames and
// events.
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
  // The writer prints every field (numbers as their shortest round-trip
  // text), so equal texts are equal recordings.
  const std::string once = rewrite(r.recording);
  const ReadResult again = readRecording(once, "again");
  check(again.ok && rewrite(again.recording) == once);
  return 0;
}
