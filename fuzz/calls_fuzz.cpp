// Any bytes as a sequence of export calls on a freshly loaded module in a
// small vehicle folder: Initialize at any moment (or never), frames with any
// speed (NaN, infinities, negative) and any time (jumps back, huge steps),
// any driver's handles, any beacon, keys. After every frame the returned
// handles must be ones the module can send, the panel indices other than
// 85..89 and the sound array untouched (Driver::frame).
#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <tuple>

#include "fuzz_support.h"

namespace {

using tasc::fuzz::check;
using tasc::fuzz::Input;

void writeVehicle() {
  tasc::fuzz::writeFile("TASC.ini",
                        "[TASCPtn]\nB7Dec = 3.36\nFormationID = 1\n[HmPtn]\nEnableHmPtn = 1\n");
  tasc::fuzz::writeFile("csvPath.ini",
                        "[ParamData]\n0 = params/local.csv\n1 = params/rapid.csv\n"
                        "2 = params\\local.csv\n3 = NULL\n4 = params/missing.csv\n");
  tasc::fuzz::writeFile("params/local.csv",
                        "1,0,3.5,2.5,1.5,0.5,0.1,2.6,2.2,50,1,0,0,0,0\n"
                        "2,0,3.0,2.0,1.2,0.5,0.1,2.8,2.4,40,1,1,0,1,0\n"
                        "3,1,2.0,1.5,1.0,0.5,0.1,2.0,4.0,0,1,0,1,0,1\n");
  tasc::fuzz::writeFile("params/rapid.csv",
                        "1,0,4.0,3.0,2.0,0.8,0.15,3.0,2.4,60,1.5,1,1,1,1\r\n"
                        "2,2,nan,inf,-1,0,-0.5,6.5,0.1,-20,200,0,0,0,0\r\n");
}

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

float pickSpeed(Input& in, float current) {
  const uint8_t pick = in.byte() % 9;
  if (pick < 4) return std::array{kNaN, kInf, -kInf, -0.0f}[pick];
  if (pick == 4) return in.f32();
  if (pick == 5) return -static_cast<float>(in.byte()) / 16.0f;
  return pick == 6 ? current : static_cast<float>(in.byte()) / 2.0f;  // 0..127.5 km/h
}

// The next frame time: mostly forward by a frame, or any jump.
int32_t pickTime(Input& in, int32_t now) {
  const uint8_t pick = in.byte() % 6;
  if (pick == 0) return in.i32();
  if (pick == 3) return now;
  const int64_t step = pick == 1   ? -int64_t{in.byte()} * 100
                       : pick == 2 ? int64_t{std::numeric_limits<int32_t>::max()}
                       : pick == 4 ? int64_t{in.byte()} * 1000
                                   : 1 + in.byte() % 64;
  return static_cast<int32_t>(static_cast<uint32_t>(now) + static_cast<uint32_t>(step));
}

int32_t pickNotch(Input& in) {
  const uint8_t b = in.byte();
  return b < 200 ? b % 12 - 2 : in.i32();
}

int32_t pickBeaconType(Input& in) {
  static constexpr int32_t kTypes[] = {400, 501, 502, 503, 504, 0, 500, 505};
  const uint8_t b = in.byte();
  return b < 240 ? kTypes[b % 8] : in.i32();
}

// A stopping-beacon word: formation 1 mostly, any distance, record, file.
int32_t pickBeaconWord(Input& in) {
  const uint8_t b = in.byte();
  if (b >= 224) return in.i32();
  const uint32_t distance = in.byte() % 64;
  const uint32_t formation = b % 8 == 0 ? in.byte() % 16 : 1;
  const uint32_t record = in.byte() % 4;
  const uint32_t file = b % 4 == 0 ? in.byte() % 64 : in.byte() % 6;
  const uint32_t sub = in.byte() % 4;
  return static_cast<int32_t>(distance | formation << 6 | record << 10 | file << 15 | sub << 21);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const tasc::PluginApi& api = tasc::fuzz::api();
  [[maybe_unused]] static const bool ready = (writeVehicle(), true);
  tasc::fuzz::loadModuleInFolder();
  tasc::fuzz::Driver host;
  int32_t notchCount = 0;
  Input in(data, size);
  for (int call = 0; call < 4096 && !in.empty(); ++call) {
    const uint8_t op = in.byte() % 12;
    switch (op) {
      case 0:
        api.Initialize(in.i32());
        std::tie(host.brake, host.power, host.reverser) = std::tuple{notchCount, 0, 1};
        break;
      case 1: {
        const uint8_t b = in.byte();
        notchCount = b < 200 ? b % 10 : in.i32();
        api.SetVehicleSpec(tasc::VehicleSpecRecord{notchCount, 5, 1, 0, 4});
        break;
      }
      case 2:
      case 3:
      case 4: {  // the driver's power, brake or reverser
        int32_t& handle = op == 2 ? host.power : op == 3 ? host.brake : host.reverser;
        handle = pickNotch(in);
        (op == 2 ? api.SetPower : op == 3 ? api.SetBrake : api.SetReverser)(handle);
        break;
      }
      case 5: {
        const int32_t type = pickBeaconType(in);
        api.SetBeaconData(tasc::BeaconRecord{type, in.byte(), 0.0f, pickBeaconWord(in)});
        break;
      }
      case 6: {
        // The keys the control reads, and the host's key events.
        const uint8_t b = in.byte();
        api.SetKeyState(tasc::kKeyU, b & 1);
        api.SetKeyState(tasc::kKeyLeftCtrl, (b >> 1) & 1);
        if (b & 4) api.SetKeyState(in.i32(), in.i32());
        if (b & 8) api.KeyDown(in.i32());
        if (b & 16) api.KeyUp(in.i32());
        break;
      }
      case 7:
        host.speed = pickSpeed(in, host.speed);
        host.time = pickTime(in, host.time);
        host.frame();
        break;
      case 8: {
        // A run of frames of a crude train, coasting at 0.05 km/h/s.
        const int frames = 1 + in.byte();
        const int32_t stepMs = 1 + in.byte() % 100;
        host.speed = pickSpeed(in, host.speed);
        host.run(frames, stepMs, 0.05f);
        break;
      }
      case 9:
        api.HornBlow(in.i32());
        api.SetSignal(in.i32());
        (in.byte() & 1 ? api.DoorOpen : api.DoorClose)();
        break;
      case 10:
        host.time = in.i32();
        break;
      default:
        check(api.GetPluginVersion() == tasc::kPluginVersion, "plug-in version");
        break;
    }
  }
  api.Dispose();
  return 0;
}
