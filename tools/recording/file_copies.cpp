#include "recording/file_copies.h"

#include <cstdio>
#include <cstring>
#include <optional>

#include "platform/platform.h"
#include "plugin/plugin.h"

namespace tasc::recording {
namespace {

// The whole file as it is now; nothing when it does not open.
std::optional<std::string> readWhole(std::FILE* file) {
  if (file == nullptr) return std::nullopt;
  std::string bytes;
  char chunk[4096];
  std::size_t n = 0;
  while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.append(chunk, n);
  return bytes;
}

std::optional<std::string> readWhole(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  std::optional<std::string> bytes = readWhole(file);
  if (file != nullptr) std::fclose(file);
  return bytes;
}

}  // namespace

void writeFileCopies(Writer& writer, const std::string& settingsPath, const plugin::Module& list) {
  writer.file("settings", 0, settingsPath, readWhole(settingsPath));
  const char* listPath = list.boundary.paramListPath.data();
  writer.file("list", 0, listPath, readWhole(std::string(listPath)));
  for (int k = 0; k < kParamFileCount; ++k) {
    const char* entry = list.controller.paramFiles[static_cast<std::size_t>(k)].data();
    if (std::strcmp(entry, "NULL") == 0) continue;
    const platform::File file = platform::openParamFile(entry, listPath);
    writer.file("param", k, entry, readWhole(file.get()));
  }
}

}  // namespace tasc::recording
