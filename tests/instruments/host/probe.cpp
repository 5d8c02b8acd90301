// tasc-probe: prints what this build's own readers make of the files of a
// vehicle folder, for comparing the builds of different platforms.
//   tasc-probe profile INI QUERIES   each query line: s|SECTION|KEY|DEFAULT|SIZE
//                                    or i|SECTION|KEY|DEFAULT; prints the
//                                    results of the private-profile functions
//   tasc-probe table LIST            for every entry 0..63 of the list file
//                                    that is not "NULL": the table that the
//                                    loader builds from it
// Only integers and bytes are printed (floats as their bit patterns), so the
// outputs compare byte for byte.
#include <bit>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "control/tasc_controller.h"
#include "platform/platform.h"
#include "plugin/files.h"
#include "readers/numbers.h"
#include "system/host_loader.h"

namespace {

int profile(const char* ini, const char* queries) {
  std::ifstream in(queries, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "tasc-probe: cannot read %s\n", queries);
    return 2;
  }
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> f;
    std::istringstream fields(line + '|');  // each field ends in a bar
    for (std::string field; std::getline(fields, field, '|');) f.push_back(field);
    if (f[0] == "s" && f.size() == 5) {
      const auto size = tasc::parseInteger(f[4]);
      if (!size || *size < 1 || *size > 4096) return 2;
      char buffer[4096];
      const uint32_t n = tasc::platform::readProfileString(
          f[1].c_str(), f[2].c_str(), f[3].c_str(), buffer, static_cast<uint32_t>(*size), ini);
      std::printf("%d: [%s] %u\n", number, buffer, static_cast<unsigned>(n));
    } else if (f[0] == "i" && f.size() == 4) {
      const auto fallback = tasc::parseInteger(f[3]);
      if (!fallback) return 2;
      std::printf("%d: %d\n", number,
                  static_cast<int>(
                      tasc::platform::readProfileInt(f[1].c_str(), f[2].c_str(), *fallback, ini)));
    } else {
      std::fprintf(stderr, "%s:%d: cannot read the query\n", queries, number);
      return 2;
    }
  }
  return 0;
}

void printDouble(double v) {
  std::printf(" %016" PRIx64, std::bit_cast<uint64_t>(v));
}

// Static: the controller is large.
tasc::TascController g_controller;

int table(const char* list) {
  tasc::TascController& c = g_controller;
  if (std::strlen(list) >= tasc::kPathSize) {
    std::fprintf(stderr, "tasc-probe: the list path is too long\n");
    return 2;
  }
  for (int k = 0; k < tasc::kParamFileCount; ++k) {
    char key[8];
    std::snprintf(key, sizeof key, "%d", k);
    tasc::PathBuffer entry{};
    tasc::platform::readProfileString("ParamData", key, "NULL", entry.data(),
                                      static_cast<uint32_t>(entry.size()), list);
    if (std::strcmp(entry.data(), "NULL") == 0) continue;
    c.loadParamFile(entry.data(), tasc::plugin::fileReader(list));
    std::printf("entry %d: %u records\n", k, static_cast<unsigned>(c.paramTable.size()));
    for (const tasc::ParamRecord& r : c.paramTable) {
      std::printf("  %d %d", static_cast<int>(r.recordId), static_cast<int>(r.subId));
      for (double t : r.leadTime) printDouble(t);
      for (double v : {r.decelFar, r.decelNear, r.blendLength, r.blendStart}) printDouble(v);
      for (bool f : r.hmPtnFlag) std::printf(" %d", f ? 1 : 0);
      std::printf("\n");
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  tasc::platform::setBinaryOutput(stdout);
  if (argc == 4 && std::strcmp(argv[1], "profile") == 0) return profile(argv[2], argv[3]);
  if (argc == 3 && std::strcmp(argv[1], "table") == 0) return table(argv[2]);
  std::fprintf(stderr, "usage: tasc-probe profile INI QUERIES | tasc-probe table LIST\n");
  return 2;
}
