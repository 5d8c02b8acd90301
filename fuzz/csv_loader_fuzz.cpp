// Any bytes as a parameter file, read the three ways the code reads one: from
// disk by a stopping beacon's file switch (csvPath.ini entry 1), as one text,
// and fed in chunks whose size the first input byte picks. All three must give
// the same table: the default record, then one record per line.
#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "plugin/files.h"
#include "readers/param_lines.h"

namespace {

using tasc::ParamRecord;
using tasc::fuzz::check;

// Column by column, by the bits of each value: a "nan" field must read the
// same every way too.
bool sameRecord(const ParamRecord& a, const ParamRecord& b) {
  for (std::size_t col = 0; col < tasc::kParamColumnCount; ++col) {
    if (std::bit_cast<uint64_t>(tasc::columnValue(a, col)) !=
        std::bit_cast<uint64_t>(tasc::columnValue(b, col))) {
      return false;
    }
  }
  return true;
}

// A module as Initialize leaves it, with csvPath.ini naming fuzz.csv as
// entry 1, and formation 1 so that the beacon below counts.
tasc::plugin::Module& loader() {
  static tasc::plugin::Module* m = [] {
    tasc::fuzz::writeFile("csvPath.ini", "[ParamData]\n0 = NULL\n1 = params/fuzz.csv\n");
    tasc::fuzz::writeFile("params/fuzz.csv", "");
    auto* made = new tasc::plugin::Module{};
    made->attach((tasc::fuzz::moduleFolder() / "TASC.so").string().c_str());
    made->initialize();
    made->controller.formationId = 1;
    return made;
  }();
  return *m;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  tasc::plugin::Module& m = loader();
  tasc::TascController& c = m.controller;
  tasc::fuzz::writeFile("params/fuzz.csv", text);

  // Far beacon, formation 1, file index 1: the file switch reads the file
  // through the module's own reader.
  const tasc::BeaconDecision d = c.onBeacon(
      3, (1 << 6) | (1 << 15), tasc::plugin::fileReader(m.boundary.paramListPath.data()));
  check(d.loadedEntry == 1, "the beacon loads entry 1");
  check(c.patternActive, "a far beacon of the formation arms the pattern");

  std::vector<ParamRecord> whole{tasc::kDefaultParamRecord};
  tasc::appendParamText(text, whole);

  std::vector<ParamRecord> chunked{tasc::kDefaultParamRecord};
  {
    const std::size_t chunk = size == 0 ? 1 : std::size_t{data[0]} % 64 + 1;
    tasc::ParamFileReader reader(chunked);
    for (std::size_t at = 0; at < size; at += chunk) reader.feed(text.substr(at, chunk));
    reader.finish();
  }

  // Each LF ends a line, and text after the last LF is one more.
  const std::size_t lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) +
                            (!text.empty() && text.back() != '\n');
  check(c.paramTable.size() == lines + 1, "file table: one record per line");
  check(whole.size() == lines + 1, "text table: one record per line");
  check(chunked.size() == lines + 1, "chunked table: one record per line");
  check(c.paramTable[0] == tasc::kDefaultParamRecord, "the default record comes first");
  for (std::size_t i = 0; i <= lines; ++i) {
    check(sameRecord(c.paramTable[i], whole[i]), "file and text tables differ");
    check(sameRecord(chunked[i], whole[i]), "chunked and text tables differ");
  }

  return 0;
}
