// Frames and beacons that load no file must not touch the heap: the host's
// frame budget is not ours to spend on the allocator. Every operator new of
// this program is counted.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <new>

#include "control/tasc_controller.h"
#include "support/vehicle_folder.h"

namespace {
std::atomic<long> g_allocations{0};
bool g_outOfMemory = false;  // while set, every operator new throws
}  // namespace

// The replaced operators: the library's array forms call these.
// GCC, seeing a vector's new and delete inlined, would take malloc and free
// for a mismatch.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void* operator new(std::size_t n) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  if (g_outOfMemory) throw std::bad_alloc();
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}

namespace tasc {
namespace {

// Allocations over 3000 frames of an approach with beacons of every type that
// loads no file (file index 0), and with `keys` U pressed for 1.6 s every
// 3.2 s and the horn; Initialize (which reads files and may allocate) comes
// before the count.
long allocationsOfAStop(test::LoadedPlugin& module, bool keys) {
  const PluginApi& api = module.api();
  api.SetVehicleSpec(VehicleSpecRecord{8, 5, 0, 0, 6});
  api.Initialize(0);
  api.SetBrake(0);
  const long before = g_allocations.load();
  int32_t time = 0;
  float speed = 60.0f;
  for (int i = 0; i < 3000; ++i) {
    time += 16;
    if (i == 10) api.SetBeaconData(BeaconRecord{503, 0, 0.0f, 1 << 6});
    if (i == 400) api.SetBeaconData(BeaconRecord{502, 0, 0.0f, 1 << 6});
    if (i == 500) api.SetBeaconData(BeaconRecord{400, 0, 0.0f, 0});
    if (i == 600) api.SetBeaconData(BeaconRecord{504, 0, 0.0f, 2});
    if (keys && i % 100 == 0) api.SetKeyState(0x55, i % 200 == 0 ? 1 : 0);
    if (keys && i == 700) api.HornBlow(1);
    const HandleRecord h = module.frame(speed, time);
    // A crude train: slows while the plug-in overrides the brake.
    if (h.constantSpeed == 2) speed -= 0.01f * static_cast<float>(h.brake);
    if (speed < 0.0f) speed = 0.0f;
  }
  return g_allocations.load() - before;
}

// The built plug-in alone, and the recording module in front of it, whose
// frames and events only append to a fixed buffer that goes to disk once per
// second of host time.
TEST(NoAllocation, FramesAndBeaconsWithoutFileSwitch) {
  for (const bool recorder : {false, true}) {
    SCOPED_TRACE(recorder ? "recording module" : "plug-in");
    test::TempFolder folder;
    std::filesystem::copy_file(test::pluginModulePath(), folder.path() / "TASC.so");
    test::LoadedPlugin module(folder.path(), recorder ? "TASCRec.so" : "TASC.so",
                              recorder ? test::recorderModulePath() : nullptr);
    ASSERT_TRUE(module.loaded());
    const long before = g_allocations.load();
    EXPECT_EQ(allocationsOfAStop(module, recorder), 0);
    ASSERT_GT(g_allocations.load(), before) << "the counter does not see the module's allocations";
    module.api().Dispose();
    if (recorder) {
      EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path() / "records"),
                              std::filesystem::directory_iterator{}),
                1);
    }
  }
}

// Out of memory while a file loads, and again for the small table that would
// replace the large one: the capacity the table still holds takes the default
// record, so the table is never left empty.
TEST(OutOfMemory, ALoadThatFailsTwiceLeavesTheDefaultRecord) {
  TascController c;
  c.paramTable.reserve(1);
  const FileReader failing{[](const void*, const char*, ChunkSink) -> bool {
    g_outOfMemory = true;
    throw std::bad_alloc();
  }};
  c.loadParamFile("p.csv", failing);
  g_outOfMemory = false;
  EXPECT_EQ(c.paramTable, std::vector<ParamRecord>{kDefaultParamRecord});
}

}  // namespace
}  // namespace tasc
