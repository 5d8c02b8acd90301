// Loading a plug-in module by path and finding its entry points by name, as a
// host does: dlopen/dlsym on POSIX, LoadLibraryA/GetProcAddress on Windows.
// Used by the tools and tests that play the host; the plug-in never loads
// anything itself.
#pragma once

#include <cstdio>

namespace tasc::platform {

// Writes `stream` byte for byte: no LF to CR LF translation on Windows, so
// that the outputs of all builds compare equal.
void setBinaryOutput(std::FILE* stream) noexcept;

// The address of an entry point, to be cast to its real function type.
using ExportAddress = void (*)();

class HostModule {
 public:
  // Loads the module at `path`; loaded() tells whether that worked.
  explicit HostModule(const char* path) noexcept;
  ~HostModule();
  HostModule(const HostModule&) = delete;
  HostModule& operator=(const HostModule&) = delete;

  bool loaded() const { return handle_ != nullptr; }
  // The entry point of that name, or null.
  ExportAddress find(const char* name) const noexcept;

 private:
  void* handle_ = nullptr;
};

}  // namespace tasc::platform
