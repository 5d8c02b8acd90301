// The controller's readers over text in memory, for its tests: csvPath.ini as
// text, read by the plug-in's own private-profile reader, and the files that
// its entries name, by the entry's exact text, fed in chunks of `chunk` bytes.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "control/inputs.h"
#include "readers/profile.h"

namespace tasc::test {

struct MemoryFiles {
  std::optional<std::string> list;           // csvPath.ini; none: missing
  std::map<std::string, std::string> files;  // entry -> bytes
  std::size_t chunk = 7;                     // feeds cut lines apart
  mutable int opened = 0;                    // files fed so far

  ListReader listReader() const { return {&readList, this}; }
  FileReader fileReader() const { return {&readFile, this}; }

 private:
  static uint32_t readList(const void* self, const char* section, const char* key,
                           const char* fallback, char* out, uint32_t size) {
    const auto& m = *static_cast<const MemoryFiles*>(self);
    return profile::getString(m.list.value_or(""), section, key, fallback, out, size);
  }
  static bool readFile(const void* self, const char* entry, ChunkSink sink) {
    const auto& m = *static_cast<const MemoryFiles*>(self);
    const auto found = m.files.find(entry);
    if (found == m.files.end()) return false;
    ++m.opened;
    const std::string_view bytes = found->second;
    for (std::size_t at = 0; at < bytes.size(); at += m.chunk) sink(bytes.substr(at, m.chunk));
    return true;
  }
};

}  // namespace tasc::test
