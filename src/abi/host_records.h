// Records exchanged with the host simulator. The layouts are fixed by the host:
// little-endian, no padding, offsets checked below.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tasc {

// The vehicle's notch counts and cars, given once after loading. Only the brake
// notch count is read.
struct VehicleSpecRecord {
  int32_t brakeNotches;  // number of brake notches
  int32_t powerNotches;
  int32_t atsNotch;
  int32_t b67Notch;
  int32_t cars;
};

// Vehicle state of one frame. Only speed and time are read; the rest is copied.
struct VehicleStateRecord {
  double location;    // m, copied, not read
  float speed;        // km/h, signed: negative when rolling back
  int32_t timeMs;     // simulation time, ms
  float reserved[6];  // copied, not read
};

// Handle positions that reach the train, returned by every frame.
struct HandleRecord {
  int32_t brake;          // brake notch in the vehicle's numbering
  int32_t power;          // power notch
  int32_t reverser;       // -1 backward, 0 neutral, 1 forward
  int32_t constantSpeed;  // 0: driver's brake stands; 2: the plug-in overrides it
};

// A ground beacon passed by the train.
struct BeaconRecord {
  int32_t type;
  int32_t signal;  // not read
  float distance;  // not read
  int32_t data;    // data word
};

static_assert(sizeof(VehicleSpecRecord) == 20);
static_assert(offsetof(VehicleSpecRecord, brakeNotches) == 0);
static_assert(sizeof(VehicleStateRecord) == 40);
static_assert(offsetof(VehicleStateRecord, speed) == 8);
static_assert(offsetof(VehicleStateRecord, timeMs) == 12);
static_assert(sizeof(HandleRecord) == 16);
static_assert(offsetof(HandleRecord, brake) == 0);
static_assert(offsetof(HandleRecord, power) == 4);
static_assert(offsetof(HandleRecord, reverser) == 8);
static_assert(offsetof(HandleRecord, constantSpeed) == 12);
static_assert(sizeof(BeaconRecord) == 16);
static_assert(offsetof(BeaconRecord, type) == 0);
static_assert(offsetof(BeaconRecord, data) == 12);

// Index of each value in the driver-handle block that the controller reads.
enum DriverHandle : std::size_t { kDriverBrake = 0, kDriverPower = 1, kDriverReverser = 2 };

// Cab panel indices written by every frame: panelLamps[0..4] go to 85..89.
inline constexpr int32_t kFirstPanelIndex = 85;
inline constexpr int32_t kPanelLampCount = 5;

inline constexpr int32_t kPluginVersion = 0x00020000;

// Virtual-key codes of the two keys the control reads: the U key and the left
// Ctrl key. A POSIX host reports them through SetKeyState.
inline constexpr int32_t kKeyU = 0x55;
inline constexpr int32_t kKeyLeftCtrl = 0xA2;

}  // namespace tasc
