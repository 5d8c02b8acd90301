// What the recorder needs of the operating system beyond the plug-in's own
// platform layer: loading the plug-in with the reason when that fails,
// creating a file that must not exist yet, raw writes, a folder, the clock,
// and the writer thread that formats and writes the rows off the host's thread.
// One implementation per system (os_posix.cpp, os_windows.cpp), each with the
// module's entry routine.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "abi/plugin_api.h"
#include "recording/run_rows.h"
#include "system/host_loader.h"

namespace tasc::recorder::os {

#if defined(_WIN32)
inline constexpr const char* kPluginFileName = "TASC.dll";
#else
inline constexpr const char* kPluginFileName = "TASC.so";
#endif

// The module at `path`, or null with the system's reason in `why`.
void* loadModule(const char* path, std::string& why);
ExportAddress findExport(void* module, const char* name) noexcept;

bool fileExists(const char* path) noexcept;
// True when the folder exists afterwards.
bool makeFolder(const char* path) noexcept;

using FileHandle = std::intptr_t;
inline constexpr FileHandle kNoFile = -1;
// Creates a new file for writing; kNoFile when it exists already or cannot be
// created. Never opens an existing file.
FileHandle createNew(const char* path) noexcept;
// Writes every byte; false on any failure. No allocation.
bool writeAll(FileHandle file, const char* data, std::size_t size) noexcept;
void close(FileHandle file) noexcept;

using LocalTime = recording::LocalTime;
LocalTime localTime() noexcept;

// Windows: the physical state of the keys the plug-in reads itself (U, left
// Ctrl), so that a recording holds them; POSIX hosts report them by
// SetKeyState, which is recorded as it comes. Always false on POSIX.
bool keyDown(int32_t virtualKey) noexcept;
inline constexpr bool kPollsKeys =
#if defined(_WIN32)
    true;
#else
    false;
#endif

// The writer thread: one at a time, running `body` until it returns. False
// when it cannot be started.
bool startWriterThread(void (*body)()) noexcept;
// Wakes the writer thread (which must return soon) and waits until it is
// done; nothing when none runs. `unloading`: the module is being unloaded
// under the system's loader lock (Windows), where a thread cannot end; the
// thread then parks itself in the kernel for good instead.
void stopWriterThread(bool unloading) noexcept;
// Wakes the writer thread: no lock, no allocation, callable from a frame.
void wakeWriter() noexcept;
// The writer thread sleeps here until the next wake (wakes are counted).
void waitForWake() noexcept;
// The calling thread sleeps for about `ms` milliseconds.
void sleepMs(int ms) noexcept;

}  // namespace tasc::recorder::os
