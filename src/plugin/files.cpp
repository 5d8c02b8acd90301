#include "plugin/files.h"

#include <cstdio>
#include <string_view>

namespace tasc::plugin {
namespace {

// Bytes read from the file per call; lines inside one chunk are parsed in place.
constexpr std::size_t kReadChunk = std::size_t{16} * 1024;

uint32_t readList(const void* list, const char* section, const char* key, const char* fallback,
                  char* out, uint32_t size) {
  return static_cast<const platform::ProfileFile*>(list)->readString(section, key, fallback, out,
                                                                     size);
}

bool readFile(const void* listPath, const char* entry, ChunkSink sink) {
  const platform::File file = platform::openParamFile(entry, static_cast<const char*>(listPath));
  if (!file) return false;
  char buffer[kReadChunk];
  for (;;) {
    const std::size_t n = std::fread(buffer, 1, sizeof buffer, file.get());
    if (n > 0) sink(std::string_view(buffer, n));
    // A short read is the end of the file or a read error; both end it.
    if (n < sizeof buffer) return true;
  }
}

}  // namespace

ListReader listReader(const platform::ProfileFile& list) {
  return ListReader{&readList, &list};
}

FileReader fileReader(const char* listPath) {
  return FileReader{&readFile, listPath};
}

}  // namespace tasc::plugin
