// The controller's loadParamFile: the table of one parameter file, read
// through the module's file reader by the parameter-line reader.
#include <cstring>
#include <string_view>

#include "control/tasc_controller.h"
#include "readers/param_lines.h"

namespace tasc {

void TascController::loadParamFile(const char* entry, const FileReader& files) {
  // Whatever happens below, the table ends with the default record first.
  paramTable.clear();
  try {
    paramTable.push_back(kDefaultParamRecord);
    if (entry == nullptr || std::strcmp(entry, "NULL") == 0) return;

    ParamFileReader reader(paramTable);
    const ChunkSink sink{
        [](void* r, std::string_view chunk) { static_cast<ParamFileReader*>(r)->feed(chunk); },
        &reader};
    if (files.readFile(entry, sink)) reader.finish();
  } catch (...) {
    // Out of memory (a huge file): the default record alone. Give back the
    // memory the records took if a small table can be had; else reuse the
    // capacity already held, which the clear kept, so the push cannot throw.
    paramTable.clear();
    try {
      std::vector<ParamRecord> small;
      small.push_back(kDefaultParamRecord);
      paramTable.swap(small);
    } catch (...) {
      if (paramTable.capacity() > 0) paramTable.push_back(kDefaultParamRecord);
    }
  }
}

}  // namespace tasc
