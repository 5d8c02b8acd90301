// The recording format shared by the recorder module and the tools: row kinds,
// the rows themselves and the text forms of their fields. Standard library
// only, so that the recorder module can link it. docs/recording.md describes
// the format for readers outside this project.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tasc::recording {

// The first line of every recording; a reader refuses any other.
inline constexpr std::string_view kVersionLine = "tasc-recording,1";
// A reader refuses a longer line: no row the writer makes comes near it.
inline constexpr std::size_t kMaxLineBytes = std::size_t{1} << 20;
// Raw bytes of a copied file per data row at most (a data row may end earlier,
// after a line end of the file).
inline constexpr std::size_t kDataChunkBytes = 4096;
// Longest header text (a path, the reason the plug-in is absent), in bytes:
// escaped, it always fits the smallest writer buffer, so no header row is
// ever dropped; the writer cuts a longer one and the reader refuses it.
inline constexpr std::size_t kMaxTextBytes = kDataChunkBytes;
// The size cap of one recording in the recorder.
inline constexpr std::uint64_t kDefaultSizeCap = std::uint64_t{256} << 20;

// Export calls other than Elapse and Initialize, recorded in call order.
enum class EventKind : uint8_t {
  Load,       // no argument
  Version,    // the answer of GetPluginVersion
  Vehicle,    // SetVehicleSpec: brake notches, power notches, ATS notch, B67 notch, cars
  Power,      // SetPower: notch
  Brake,      // SetBrake: notch
  Reverser,   // SetReverser: -1, 0, 1
  KeyDown,    // key index
  KeyUp,      // key index
  Horn,       // horn index
  DoorOpen,   // no argument
  DoorClose,  // no argument
  Signal,     // signal aspect
  Beacon,     // type, signal, distance (32-bit float), data word
  KeyState,   // POSIX only: virtual-key code, down (0/1)
};
inline constexpr int kEventKindCount = 14;
const char* eventKindName(EventKind kind);
std::optional<EventKind> eventKindFromName(std::string_view name);
// Number of integer arguments (the beacon's distance is not one of them).
int eventArgCount(EventKind kind);

// Why a recording ended.
enum class EndReason : uint8_t {
  NextInitialize,  // the host started another run
  Dispose,         // the host disposed of the plug-in
  Detach,          // the module was unloaded without Dispose
  SizeCap,         // the recording reached its size cap
  WriterBehind,    // the writer took no rows for a second with its ring full
};
const char* endReasonName(EndReason reason);
std::optional<EndReason> endReasonFromName(std::string_view name);

// One Elapse call: the 40-byte vehicle state whole, what the recorder knew of
// the driver's handles, and the plug-in's answer.
struct FrameRow {
  double location = 0;                 // offset 0
  float speed = 0;                     // offset 8, km/h
  int32_t timeMs = 0;                  // offset 12
  std::array<uint32_t, 6> reserved{};  // offsets 16..39, raw bits
  int32_t stepMs = 0;                  // time minus the previous frame's, 32-bit wrap-around
  std::array<int32_t, 3> driver{};     // brake, power, reverser as last set
  std::array<int32_t, 4> handles{};    // returned: brake, power, reverser, constant speed
  bool hasPanel = false;               // false: the host passed no panel array
  std::array<int32_t, 5> panel{};      // panel 85..89 after the call
};

// One other export call.
struct EventRow {
  EventKind kind = EventKind::Load;
  std::array<int32_t, 5> args{};  // the first eventArgCount(kind) are used
  float distance = 0;             // the beacon's distance field
};

// Field text. Each put function writes at p (room for kMaxFieldChars) and
// returns the end; no allocation.
inline constexpr std::size_t kMaxFieldChars = 32;
char* putLongInt(char* p, int64_t value) noexcept;
inline char* putInt(char* p, int64_t value) noexcept {
  // Notches, flags and lamps are small: one or two digits without the
  // general conversion.
  if (value >= 0 && value < 100) {
    if (value >= 10) *p++ = static_cast<char>('0' + value / 10);
    *p++ = static_cast<char>('0' + value % 10);
    return p;
  }
  return putLongInt(p, value);
}
inline constexpr char kHexDigits[] = "0123456789abcdef";
// 8 lower-case hex digits.
inline char* putHex32(char* p, uint32_t value) noexcept {
  for (int i = 7; i >= 0; --i) {
    p[i] = kHexDigits[value & 0xf];
    value >>= 4;
  }
  return p + 8;
}
// The shortest text that reads back to the same value; a value that is not
// finite as 'x' and its raw bits in hex (16 or 8 digits), so that even the
// payload of a NaN survives.
char* putDouble(char* p, double value) noexcept;
char* putFloat(char* p, float value) noexcept;

// Text fields (paths, reasons, file contents): bytes 0x20..0x7e stand as they
// are, except '\'; \\ \r \n \t and \xHH stand for the rest. Returns the end.
// Room needed: 4 * text.size().
char* putEscaped(char* p, std::string_view text) noexcept;

bool parseInt32(std::string_view text, int32_t& value) noexcept;
bool parseInt64(std::string_view text, int64_t& value) noexcept;
bool parseHex32(std::string_view text, uint32_t& value) noexcept;
bool parseDouble(std::string_view text, double& value) noexcept;
bool parseFloat(std::string_view text, float& value) noexcept;
// False on an unknown escape or a byte that should have been escaped.
bool parseEscaped(std::string_view text, std::string& out);

}  // namespace tasc::recording
