// Reading a recording back: one core entry point over the text, with thin
// adapters for a stream and a file. A bad recording gives the reason and the
// line where reading stopped; a recording cut off by a host that stopped reads
// up to its last whole row with a warning.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "format.h"

namespace tasc::recording {

// A file beside the plug-in as it was at Initialize.
struct CopiedFile {
  std::string role;   // "settings" (TASC.ini), "list" (csvPath.ini) or "param"
  int32_t index = 0;  // entry of the list for a parameter file, else 0
  std::string name;   // the path, or for a parameter file the list's entry
  bool present = false;
  std::string contents;
};

// An event with its place among the frames: it came after `framesBefore` frames.
struct PlacedEvent {
  EventRow row;
  std::size_t framesBefore = 0;
};

struct Recording {
  std::string recorderPath;
  std::string pluginPath;
  bool pluginLoaded = false;
  std::string absentReason;  // why the plug-in is absent, when it is
  std::optional<int32_t> pluginVersion;
  std::optional<std::array<int32_t, 5>> vehicle;
  std::optional<int32_t> initializeMode;
  std::string started;  // local date and time of the Initialize
  std::vector<CopiedFile> files;
  std::vector<FrameRow> frames;
  std::vector<PlacedEvent> events;
  std::optional<EndReason> end;  // none when the host stopped without an end row
};

struct ReadResult {
  bool ok = false;
  // When not ok: "NAME:LINE: reason".
  std::string message;
  // The line where reading stopped: the bad line, or the last line read.
  std::size_t line = 0;
  std::vector<std::string> warnings;  // "NAME:LINE: ..." each
  Recording recording;
};

// The core: the whole text of a recording; `name` goes into the messages.
ReadResult readRecording(std::string_view text, std::string_view name);
// Adapters: everything the stream holds, or the file's bytes.
ReadResult readRecording(std::istream& in, std::string_view name);
ReadResult readRecordingFile(const std::filesystem::path& path);

}  // namespace tasc::recording
