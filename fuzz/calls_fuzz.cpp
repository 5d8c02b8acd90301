// Any bytes as a sequence of export calls on a freshly loaded module in a
// small vehicle folder: Initialize at any moment (or never), frames with any
// speed (NaN, infinities, negative) and any time (jumps back, huge steps),
// any driver's handles, any beacon, keys. After every frame the returned
// handles must be ones the module can send (checkFrame), the panel indices
// other than 85..89 and the sound array untouched.
#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>

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

struct Host {
  tasc::fuzz::DriverHandles driver;
  int32_t notchCount = 0;
  float speed = 0.0f;
  int32_t time = 0;
  int32_t panel[256] = {};
  int32_t sound[256] = {};

  Host() {
    for (int32_t& p : panel) p = -7;
    for (int32_t& s : sound) s = -7;
  }

  tasc::HandleRecord frame() {
    const tasc::HandleRecord h =
        Elapse(tasc::VehicleStateRecord{1.0, speed, time, {}}, panel, sound);
    tasc::fuzz::checkFrame(h, driver, panel);
    for (int i = 0; i < 256; ++i) {
      if (i < tasc::kFirstPanelIndex || i >= tasc::kFirstPanelIndex + tasc::kPanelLampCount) {
        check(panel[i] == -7, "a panel index outside 85..89 was written");
      }
      check(sound[i] == -7, "the sound array was written");
    }
    return h;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  static const bool ready = (writeVehicle(), true);
  (void)ready;
  tasc::fuzz::loadModuleInFolder();
  Host host;
  Input in(data, size);
  for (int call = 0; call < 4096 && !in.empty(); ++call) {
    switch (in.byte() % 12) {
      case 0:
        Initialize(in.i32());
        host.driver = {host.notchCount, 0, 1};
        break;
      case 1: {
        const uint8_t b = in.byte();
        host.notchCount = b < 200 ? b % 10 : in.i32();
        SetVehicleSpec(tasc::VehicleSpecRecord{host.notchCount, 5, 1, 0, 4});
        break;
      }
      case 2:
        host.driver.power = pickNotch(in);
        SetPower(host.driver.power);
        break;
      case 3:
        host.driver.brake = pickNotch(in);
        SetBrake(host.driver.brake);
        break;
      case 4:
        host.driver.reverser = pickNotch(in);
        SetReverser(host.driver.reverser);
        break;
      case 5: {
        const int32_t type = pickBeaconType(in);
        SetBeaconData(tasc::BeaconRecord{type, in.byte(), 0.0f, pickBeaconWord(in)});
        break;
      }
      case 6: {
        // The keys the control reads, and the host's key events.
        const uint8_t b = in.byte();
        SetKeyState(tasc::kKeyU, b & 1);
        SetKeyState(tasc::kKeyLeftCtrl, (b >> 1) & 1);
        if (b & 4) SetKeyState(in.i32(), in.i32());
        if (b & 8) KeyDown(in.i32());
        if (b & 16) KeyUp(in.i32());
        break;
      }
      case 7:
        host.speed = pickSpeed(in, host.speed);
        host.time = pickTime(in, host.time);
        host.frame();
        break;
      case 8: {
        // A run of frames of a crude train: 0.12 km/h/s per quarter notch of
        // the override, a little coasting drag otherwise.
        const int frames = 1 + in.byte();
        const int32_t stepMs = 1 + in.byte() % 100;
        host.speed = pickSpeed(in, host.speed);
        for (int i = 0; i < frames; ++i) {
          host.time = static_cast<int32_t>(static_cast<uint32_t>(host.time) +
                                           static_cast<uint32_t>(stepMs));
          const tasc::HandleRecord h = host.frame();
          const float dt = static_cast<float>(stepMs) / 1000.0f;
          const int32_t command = tasc::plugin::instance().controller.brakeCommand;
          const float decel = h.constantSpeed == 2 ? 0.12f * static_cast<float>(command) : 0.05f;
          if (host.speed > 0.0f) host.speed -= decel * dt;
          if (host.speed < 0.0f) host.speed = 0.0f;
        }
        break;
      }
      case 9:
        HornBlow(in.i32());
        SetSignal(in.i32());
        if (in.byte() & 1) {
          DoorOpen();
        } else {
          DoorClose();
        }
        break;
      case 10:
        host.time = in.i32();
        break;
      default:
        check(GetPluginVersion() == tasc::kPluginVersion, "plug-in version");
        break;
    }
  }
  Dispose();
  return 0;
}
