#include "recording/run_rows.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "files/files.h"
#include "platform/platform.h"
#include "plugin/plugin.h"

namespace tasc::recording {
namespace {

// TASC.ini at `settingsPath`, then csvPath.ini and every parameter file it
// names, as `list` holds their paths, each opened as the plug-in opens it.
void writeFileCopies(Writer& writer, const RunHeader& h, const plugin::Module& list) {
  writer.file("settings", 0, h.settingsShown.empty() ? h.settings : h.settingsShown,
              files::readWholeFileNarrow(std::string(h.settings)));
  const char* listPath = list.boundary.paramListPath.data();
  writer.file("list", 0, h.listShown.empty() ? std::string_view(listPath) : h.listShown,
              files::readWholeFileNarrow(listPath));
  for (int k = 0; k < kParamFileCount; ++k) {
    const char* entry = list.controller.paramFiles[static_cast<std::size_t>(k)].data();
    if (std::strcmp(entry, "NULL") == 0) continue;
    const platform::File file = platform::openParamFile(entry, listPath);
    writer.file("param", k, entry, files::readAll(file.get()));
  }
}

}  // namespace

void writeHeader(Writer& writer, const RunHeader& h) {
  writer.comment("TASC recording of one run; the format is described in docs/recording.md");
  writer.text("recorder", h.recorder);
  writer.text("plugin", h.plugin);
  if (h.absentReason == nullptr) {
    writer.text("plugin_state", "loaded");
    writer.number("version", h.version);
  } else {
    writer.wordAndText("plugin_state", "absent", h.absentReason);
    writer.text("version", "none");
  }
  if (h.vehicle != nullptr) {
    writer.numbers("vehicle", vehicleValues(*h.vehicle));
  } else {
    writer.text("vehicle", "none");
  }
  writer.number("initialize", h.initialize);
  const LocalTime& t = h.started;
  char started[80];  // room for any six ints
  std::snprintf(started, sizeof started, "%04d-%02d-%02dT%02d:%02d:%02d", t.year, t.month, t.day,
                t.hour, t.minute, t.second);
  writer.text("started", started);
  if (h.list != nullptr) writeFileCopies(writer, h, *h.list);
  writer.comment(kFrameColumns);
}

}  // namespace tasc::recording
