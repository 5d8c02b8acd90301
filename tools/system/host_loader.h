// Loading a plug-in module by path and finding its entry points by name, as a
// host does: dlopen/dlsym on POSIX, LoadLibraryW/GetProcAddress on Windows
// (a wide name: a folder of any name loads).
// Used by the tools and tests that play the host; the plug-in never loads
// anything itself.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>

#include "abi/plugin_api.h"

namespace tasc::platform {

// Writes `stream` byte for byte: no LF to CR LF translation on Windows, so
// that the outputs of all builds compare equal.
void setBinaryOutput(std::FILE* stream) noexcept;

// Machine types of Windows modules (the PE header's Machine field).
inline constexpr std::uint16_t kMachineX86 = 0x014C;
inline constexpr std::uint16_t kMachineX64 = 0x8664;

// The Machine field of the Windows module (PE image) at `path`, or 0 when
// the file does not open or is no PE image. Reads the headers only, so that
// a module of the wrong machine type is named before a load attempt fails.
std::uint16_t peMachine(const std::filesystem::path& path) noexcept;
// The same for a narrow path in the system's code page; null gives 0.
std::uint16_t peMachine(const char* path) noexcept;

class HostModule {
 public:
  // Loads the module at `path`; loaded() tells whether that worked.
  explicit HostModule(const std::filesystem::path& path) noexcept;
  // The same for a narrow path in the system's code page; null loads nothing.
  explicit HostModule(const char* path) noexcept;
  ~HostModule();
  HostModule(const HostModule&) = delete;
  HostModule& operator=(const HostModule&) = delete;

  bool loaded() const { return handle_ != nullptr; }
  // Why the module did not load, for one line of a message (e.g. "an x86
  // DLL in a 64-bit tasc.exe: use x86\tasc.exe"); empty when it loaded.
  const char* problem() const { return problem_; }
  // The entry point of that name, or null.
  ExportAddress find(const char* name) const noexcept;

 private:
  void load(const std::filesystem::path& path) noexcept;

  void* handle_ = nullptr;
  const char* problem_ = "";
};

}  // namespace tasc::platform
