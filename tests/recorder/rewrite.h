// A recording written again through the writer, for the format tests and the
// recording fuzzer: the writer prints every field (numbers as their shortest
// round-trip text), so a reader that gives back every bit gives back the
// text it read, less its comment lines.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "recording/reader.h"
#include "recording/writer.h"

namespace tasc::recording::roundtrip {

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

// The rows the header writes ("none" for what the run never had), the
// files, then the frames and events in their order, and the end.
inline std::string rewrite(const Recording& r) {
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
  r.pluginVersion ? w.number("version", *r.pluginVersion) : w.text("version", "none");
  r.vehicle ? w.numbers("vehicle", *r.vehicle) : w.text("vehicle", "none");
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

}  // namespace tasc::recording::roundtrip
