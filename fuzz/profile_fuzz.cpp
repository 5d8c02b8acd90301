// Any bytes as the two settings files beside the module: TASC.ini up to the
// first NUL byte, csvPath.ini after it (no NUL: no csvPath.ini). Then a fresh
// load, Initialize through the exports, and a short run with stopping beacons
// that switch to files 1, 2 and 63. The folder also holds two parameter
// files that the entries may name.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string_view>

#include "fuzz_support.h"

namespace {

using tasc::fuzz::check;

void writeParamFiles() {
  tasc::fuzz::writeFile("params/a.csv",
                        "1,0,3.5,2.5,1.5,0.5,0.1,2.6,2.2,50,1,0,0,0,0\n"
                        "2,0,3.0,2.0,1.2,0.5,0.1,2.8,2.4,40,1,1,0,0,0\n");
  tasc::fuzz::writeFile("params/b.csv", "1,0,4.0,3.0,2.0,0.8,0.15,3.0,2.4,60,1.5,0,1,0,0\r\n");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const tasc::PluginApi& api = tasc::fuzz::api();
  [[maybe_unused]] static const bool ready = (writeParamFiles(), true);
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::size_t nul = bytes.find('\0');
  const std::string_view settings = bytes.substr(0, nul);
  tasc::fuzz::writeFile("TASC.ini", settings);
  if (nul == std::string_view::npos) {
    std::error_code ignored;
    std::filesystem::remove(tasc::fuzz::moduleFolder() / "csvPath.ini", ignored);
  } else {
    tasc::fuzz::writeFile("csvPath.ini", bytes.substr(nul + 1));
  }

  tasc::fuzz::loadModuleInFolder();
  api.SetVehicleSpec(tasc::VehicleSpecRecord{8, 5, 0, 0, 6});
  api.Initialize(0);
  const tasc::TascController& c = tasc::plugin::instance().controller;
  check(std::isfinite(c.b7Dec) && c.b7Dec > 0.0, "B7Dec is positive and finite");
  check(c.paramFilesRead && !c.paramTable.empty(), "Initialize loads entry 0");
  check(c.paramTable[0] == tasc::kDefaultParamRecord, "the default record comes first");
  for (const tasc::PathBuffer& entry : c.paramFiles) {
    check(std::memchr(entry.data(), '\0', entry.size()) != nullptr, "entry is terminated");
  }

  tasc::fuzz::Driver host;  // the brake released, power 0, forward
  host.reverser = 1;
  api.SetBrake(0);
  const int32_t formation = static_cast<int32_t>(static_cast<uint32_t>(c.formationId) & 0xFu);
  for (const int32_t file : {1, 2, 63, 0}) {
    host.speed = 50.0f;
    host.run(10, 20, 0.0f);
    api.SetBeaconData(tasc::BeaconRecord{503, 0, 0.0f, (formation << 6) | (file << 15)});
    check(!c.paramTable.empty() && c.paramTable[0] == tasc::kDefaultParamRecord,
          "a file switch keeps the default record first");
    host.run(90, 20, 0.0f);
  }
  return 0;
}
