// What the controller takes from the module that wires it: one frame's
// inputs, and readers for the keys and for the files beside the module. Each
// reader is a function with its context, so that the module supplies one over
// the operating system and a test a scripted one; the controller keeps none
// of them and reaches nothing else.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace tasc {

// The state of a key at the moment of the call, by its virtual-key code (the
// control asks for U, 0x55, and left Ctrl, 0xA2). Without a function every
// key is up.
struct KeyReader {
  bool (*isDown)(const void* context, int32_t virtualKey) = nullptr;
  const void* context = nullptr;

  bool down(int32_t virtualKey) const { return isDown != nullptr && isDown(context, virtualKey); }
};

// One frame as the module has stored it before the control cycle.
struct FrameInput {
  int32_t stepMs = 0;                // ms since the previous frame, 0 or more
  float speed = 0.0f;                // km/h as the host gives it: 32-bit, negative rolling back
  std::array<int32_t, 3> handles{};  // the driver's brake, power, reverser (DriverHandle order)
  KeyReader keys{};                  // asked afresh at each point of the cycle that reads keys
};

// Receives the bytes of a file in chunks of any size, in order. May throw
// (std::bad_alloc from the table it fills).
struct ChunkSink {
  void (*feed)(void* context, std::string_view chunk) = nullptr;
  void* context = nullptr;

  void operator()(std::string_view chunk) const { feed(context, chunk); }
};

// The parameter-file list, csvPath.ini: the value of `key` in `section`, or
// `fallback` when the file, the section or the key is missing, cut to
// size - 1 characters and terminated in `out` (GetPrivateProfileString's
// results). Returns the characters copied. Without a function the list is
// missing.
struct ListReader {
  uint32_t (*read)(const void* context, const char* section, const char* key, const char* fallback,
                   char* out, uint32_t size) = nullptr;
  const void* context = nullptr;

  uint32_t readString(const char* section, const char* key, const char* fallback, char* out,
                      uint32_t size) const;
};

// The parameter files: feeds the bytes of the file that an entry of the list
// names (a path, absolute or relative to the list's folder) to `sink`, in
// order, and returns true; false, feeding nothing, when it does not open. A
// read error ends the file where it happens. May throw what the sink throws.
// Without a function no file opens.
struct FileReader {
  bool (*read)(const void* context, const char* entry, ChunkSink sink) = nullptr;
  const void* context = nullptr;

  bool readFile(const char* entry, ChunkSink sink) const {
    return read != nullptr && read(context, entry, sink);
  }
};

}  // namespace tasc
