// Frames and beacons that load no file must not touch the heap: the host's
// frame budget is not ours to spend on the allocator. Every operator new of
// this program is counted.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <new>

#include "plugin/host_records.h"
#include "plugin/plugin.h"
#include "support/vehicle_folder.h"

namespace {
std::atomic<long> g_allocations{0};
}

void* operator new(std::size_t n) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t n) {
  return ::operator new(n);
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete[](void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  std::free(p);
}

// The exports, linked into this program.
extern "C" {
void Initialize(int32_t);
void SetVehicleSpec(tasc::VehicleSpecRecord);
tasc::HandleRecord Elapse(tasc::VehicleStateRecord, int32_t*, int32_t*);
void SetBeaconData(tasc::BeaconRecord);
void SetPower(int32_t);
void SetBrake(int32_t);
}

namespace tasc {
namespace {

TEST(NoAllocation, FramesAndBeaconsWithoutFileSwitch) {
  plugin::attachModule();
  SetVehicleSpec(VehicleSpecRecord{8, 5, 0, 0, 6});
  Initialize(0);  // reads files: may allocate
  SetBrake(0);
  int32_t panel[256] = {};
  int32_t sound[256] = {};
  const long before = g_allocations.load();
  int32_t time = 0;
  float speed = 60.0f;
  for (int i = 0; i < 3000; ++i) {
    time += 16;
    if (i == 10) SetBeaconData(BeaconRecord{503, 0, 0.0f, 1 << 6});  // file index 0
    if (i == 400) SetBeaconData(BeaconRecord{502, 0, 0.0f, 1 << 6});
    if (i == 500) SetBeaconData(BeaconRecord{400, 0, 0.0f, 0});
    if (i == 600) SetBeaconData(BeaconRecord{504, 0, 0.0f, 2});
    const HandleRecord h = Elapse(test::makeState(speed, time), panel, sound);
    // A crude train: slows while the plug-in overrides the brake.
    if (h.constantSpeed == 2) speed -= 0.01f * static_cast<float>(h.brake);
    if (speed < 0.0f) speed = 0.0f;
  }
  EXPECT_EQ(g_allocations.load() - before, 0);
}

// The recording module in front of the plug-in: its frames and events only
// append to a fixed buffer, which goes to disk once per second of host time.
TEST(NoAllocation, RecorderFramesAndEvents) {
  test::TempFolder folder;
  std::filesystem::copy_file(test::pluginModulePath(), folder.path() / "TASC.so");
  test::LoadedPlugin recorder(folder.path(), "TASCRec.so", test::recorderModulePath());
  ASSERT_TRUE(recorder.loaded());
  const PluginApi& api = recorder.api();
  api.SetVehicleSpec(VehicleSpecRecord{8, 5, 0, 0, 6});
  long before = g_allocations.load();
  api.Initialize(0);  // opens the recording: allocates
  ASSERT_GT(g_allocations.load(), before) << "the counter does not see the module's allocations";
  api.SetBrake(0);
  before = g_allocations.load();
  int32_t time = 0;
  float speed = 60.0f;
  for (int i = 0; i < 3000; ++i) {
    time += 16;
    if (i == 10) api.SetBeaconData(BeaconRecord{503, 0, 0.0f, 1 << 6});
    if (i == 400) api.SetBeaconData(BeaconRecord{502, 0, 0.0f, 1 << 6});
    if (i % 100 == 0) api.SetKeyState(0x55, i % 200 == 0 ? 1 : 0);
    if (i == 700) api.HornBlow(1);
    const HandleRecord h = recorder.frame(speed, time);
    if (h.constantSpeed == 2) speed -= 0.01f * static_cast<float>(h.brake);
    if (speed < 0.0f) speed = 0.0f;
  }
  EXPECT_EQ(g_allocations.load() - before, 0);
  api.Dispose();
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path() / "records"),
                          std::filesystem::directory_iterator{}),
            1);
}

}  // namespace
}  // namespace tasc
